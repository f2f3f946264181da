#ifndef TERVOX_TOOLS_TRACERECORDS_H
#define TERVOX_TOOLS_TRACERECORDS_H

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "TraceLineReader.h"

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
  std::int64_t damaged_lines = 0;  // half records, and lines longer than any the library writes
};

// A trace read to its end, or up to a read error.
struct TraceReading {
  TraceCounts counts;  // of what was read
  int error = 0;       // the errno of the read that failed; 0 when the trace was read whole
};

// Reads traces written by tervox_log, one after the other, in the same memory whatever their size.
class TraceRecordReader {
 public:
  TraceRecordReader();

  // Reads `trace` to its end, or to a read error, and calls `on_record` for each recorded error
  // and warning, in the order read; the record's texts are valid during the call only. Every
  // record is a location line "[UNDEF][!] [file, function:line]" followed by its message line
  // "[UNDEF][!] [EC :code ] short - long" of the same level ("[?]" for warnings); anything else is
  // counted and skipped. Lines may end in "\n" or "\r\n"; each is counted once.
  TraceReading read(std::FILE* trace, const std::function<void(const TraceRecord&)>& on_record);

 private:
  TraceLineReader lines_;
  std::string location_;  // a location line awaiting its message line, beyond the buffer's moves
};

}  // namespace tervox::tools

#endif  // TERVOX_TOOLS_TRACERECORDS_H
