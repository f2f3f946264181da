#ifndef TERVOX_TOOLS_TRACERECORDS_H
#define TERVOX_TOOLS_TRACERECORDS_H

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string_view>

namespace tervox::tools {

// One error or warning that the registry recorded, as its two trace lines hold it.
struct TraceRecord {
  bool is_error = true;  // false for a warning
  int code = 0;
  std::int64_t trace_line = 0;  // of its location line, counted from 1
  // The place the location line names.
  std::string_view file;
  std::string_view function;
  int line = 0;
  // The caller's texts, split at the first " - ": a short text holding one cannot be told apart.
  // A message cut before the separator is all short text.
  std::string_view short_text;
  std::string_view long_text;
};

// What one trace held besides its records.
struct TraceCounts {
  std::int64_t errors = 0;
  std::int64_t warnings = 0;
  std::int64_t other_lines = 0;    // lines of other traces, not about a recorded error or warning
  std::int64_t damaged_lines = 0;  // half records: cut, or missing their location or message line
};

// Reads a trace written by tervox_log to its end and calls `on_record` for each recorded error
// and warning, in the order read; the record's texts are valid during the call only. Every
// record is a location line "[UNDEF][!] [file, function:line]" followed by its message line
// "[UNDEF][!] [EC :code ] short - long" of the same level ("[?]" for warnings); anything else is
// counted and skipped. Lines may end in "\n" or "\r\n". Returns the counts of what was read: a
// read error ends the reading, and the caller tells it from the end with std::ferror(trace).
TraceCounts read_trace_records(std::FILE* trace,
                               const std::function<void(const TraceRecord&)>& on_record);

}  // namespace tervox::tools

#endif  // TERVOX_TOOLS_TRACERECORDS_H
