#ifndef TERVOX_TOOLS_CAMPAIGNSUMMARY_H
#define TERVOX_TOOLS_CAMPAIGNSUMMARY_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "TraceRecords.h"

namespace tervox::tools {

// Where a record was read: the trace (its index among those read), the line there, and the place
// in the processing tool's code that the record names.
struct Sighting {
  std::size_t trace = 0;
  std::int64_t trace_line = 0;
  std::string file;
  std::string function;
  int line = 0;
};

// One code of one level: how often, in how many traces and where it was recorded.
struct CodeCount {
  bool is_error = true;  // false for a warning
  int code = 0;
  std::int64_t count = 0;
  std::int64_t traces = 0;
  Sighting first;
  Sighting last;
};

// One trace read: its counts and the codes recorded in it, each in increasing order, as printed
// ("99 306"): a campaign may have a hundred thousand traces, and this keeps each small.
struct TraceEntry {
  std::string path;
  TraceCounts counts;
  std::string error_codes;
  std::string warning_codes;
};

// The errors and warnings recorded in the traces of a processing campaign, read one after the
// other. It keeps one entry per trace and per level and code, never the records themselves; a
// trace's records count in the campaign once the trace is ended, so that a trace that could not
// be read whole can be dropped.
class CampaignSummary {
 public:
  // Starts the next trace, named `path`.
  void begin_trace(std::string path);

  // Counts one record of the trace begun last.
  void add(const TraceRecord& record);

  // Ends the trace begun last, with the counts its reading returned.
  void end_trace(const TraceCounts& counts);

  // Forgets the trace begun last and its records.
  void drop_trace();

  // The counts of every trace ended, added up.
  TraceCounts totals() const;

  // Each level and code recorded: most recorded first; then errors before warnings, by code.
  std::vector<CodeCount> codes() const;

  const std::deque<TraceEntry>& traces() const { return traces_; }

 private:
  using Key = std::pair<bool, int>;  // (is warning, code)
  std::map<Key, CodeCount> counts_;
  std::map<Key, CodeCount> trace_counts_;  // of the trace begun last
  // Never moved as it grows: a long campaign's traces are not held twice at any time.
  std::deque<TraceEntry> traces_;
};

}  // namespace tervox::tools

#endif  // TERVOX_TOOLS_CAMPAIGNSUMMARY_H
