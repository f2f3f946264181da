#ifndef TERVOX_TOOLS_EXPLAIN_H
#define TERVOX_TOOLS_EXPLAIN_H

#include <optional>
#include <string>
#include <vector>

#include "ExitStatus.h"
#include "Table.h"

namespace tervox::tools {

// The level from which a recorded error or warning makes explain exit with kFailLevelFound.
enum class FailOn { kNever, kWarning, kError };

struct ExplainRequest {
  std::vector<std::string> paths;             // "-" is standard input, at most once
  std::optional<Table::Format> table_format;  // nothing: JSON lines
  FailOn fail_on = FailOn::kNever;
};

// Reads the traces named in `request` one after the other and prints to standard output, as a
// table, a summary of the errors and warnings recorded in all of them; or, as JSON lines, each
// record in the order read, each trace's counts after its records. A trace that cannot be opened
// or read is reported on standard error and the others are still read.
// Returns kUsageError when a trace could not be read, else kFailLevelFound when a record is at
// the level of `request.fail_on` or worse, else kFine.
ExitStatus explain_traces(const ExplainRequest& request);

}  // namespace tervox::tools

#endif  // TERVOX_TOOLS_EXPLAIN_H
