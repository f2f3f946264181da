#ifndef TERVOX_TOOLS_EXITSTATUS_H
#define TERVOX_TOOLS_EXITSTATUS_H

namespace tervox::tools {

// The tool's exit statuses, as its manual page documents them. A batch job's epilog tells from
// them whether to look at its traces.
enum ExitStatus {
  kFine = 0,
  kUnknownCode = 1,     // a code the catalogue does not know; the others were described
  kUsageError = 2,      // or a trace that could not be read; the others were summarised
  kFailLevelFound = 3,  // a record at the level of --fail-on or worse, and nothing else wrong
};

}  // namespace tervox::tools

#endif  // TERVOX_TOOLS_EXITSTATUS_H
