#ifndef TERVOX_TOOLS_EXPLAIN_H
#define TERVOX_TOOLS_EXPLAIN_H

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ExitStatus.h"
#include "LineOutput.h"
#include "Table.h"

namespace tervox::tools {

// The level from which a recorded error or warning makes explain exit with kFailLevelFound.
enum class FailOn { kNever, kWarning, kError };

// A file that names traces, one per line or one per NUL-terminated name.
struct TraceList {
  std::string path;  // "-" is standard input
  char separator;    // '\n' or '\0'
};

struct ExplainRequest {
  std::vector<std::string_view> paths;        // "-" is standard input, at most once
  std::optional<TraceList> list;              // more traces, read after `paths`
  std::optional<Table::Format> table_format;  // nothing: JSON lines
  FailOn fail_on = FailOn::kNever;
};

// Reads the traces named in `request` one after the other and prints to `out`, as a table, a
// summary of the errors and warnings recorded in all of them; or, as JSON lines, each record in
// the order read, each trace's counts after its records. A trace or list that cannot be opened
// or read whole is reported on standard error with the reason, and left out of the summary (as
// JSON lines, the records read before a read error stay written, its counts are not); the others
// are still read. Empty names in a list are skipped, and "-" there is a file's name.
// Returns kUnreadableInput when a trace or the list could not be read, else kFailLevelFound when
// a record is at the level of `request.fail_on` or worse, else kFine.
ExitStatus explain_traces(const ExplainRequest& request, LineOutput& out);

}  // namespace tervox::tools

#endif  // TERVOX_TOOLS_EXPLAIN_H
