#ifndef TERVOX_TOOLS_EXITSTATUS_H
#define TERVOX_TOOLS_EXITSTATUS_H

namespace tervox::tools {

// The tool's exit statuses, as its manual page documents them. A batch job's epilog tells from
// them whether to look at its traces. Two causes share 2: the number predates the difference.
enum ExitStatus {
  kFine = 0,
  kUnknownCode = 1,       // a code the catalogue does not know; the others were described
  kUsageError = 2,        // nothing was done
  kUnreadableInput = 2,   // a trace or a list of traces could not be read; the rest was read
  kFailLevelFound = 3,    // a record at the level of --fail-on or worse, and nothing else wrong
  kOutputNotWritten = 4,  // standard output failed: what was to be printed is lost
};

}  // namespace tervox::tools

#endif  // TERVOX_TOOLS_EXITSTATUS_H
