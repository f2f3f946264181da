#ifndef TERVOX_TOOLS_TRACESUMMARY_H
#define TERVOX_TOOLS_TRACESUMMARY_H

#include <istream>
#include <string>
#include <vector>

namespace tervox::tools {

// Where a recorded error or warning was raised, as its trace location line names it.
struct RaiseSite {
  std::string file;
  std::string function;
  int line = 0;
};

// One code of one level, with how often and where it was recorded.
struct CodeCount {
  bool is_error = true;  // false for a warning
  int code = 0;
  int count = 0;
  RaiseSite first;
  RaiseSite last;
};

// The errors and warnings that the registry traced into a trace file.
struct TraceSummary {
  int errors = 0;
  int warnings = 0;
  int other_lines = 0;           // lines of other traces, not about a recorded error or warning
  int damaged_lines = 0;         // half records: cut, or missing their location or message line
  std::vector<CodeCount> codes;  // most recorded first; then errors before warnings, by code
};

// Reads a trace written by tervox_log and summarises the errors and warnings recorded in it.
// Every record is a location line "[UNDEF][!] [file, function:line]" followed by its message
// line "[UNDEF][!] [EC :code ] ..." of the same level ("[?]" for warnings); anything else is
// counted and skipped. Lines may end in "\n" or "\r\n".
TraceSummary summarise_trace(std::istream& trace);

}  // namespace tervox::tools

#endif  // TERVOX_TOOLS_TRACESUMMARY_H
