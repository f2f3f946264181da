#ifndef TERVOX_LOG_WRITERS_H
#define TERVOX_LOG_WRITERS_H

#include <cstdarg>

#include "log/LineBuffer.h"

namespace tervox::detail {

struct RecordEntry;

// What became of a line: written into its stream, left out by the trace level, or lost: the
// stream has no file or failed (a full disk), or the line was dropped (traced from inside a write
// to the same stream, or while the process ends).
enum class LineOutcome { kWritten, kFiltered, kLost };

// The writers behind TervoxLogger::trace_message and log_message, for the library's own callers and
// its other language interfaces: the same bytes, locking, lifetime and exceptions. Each runs the
// logger's entry guard. `category` is read up to its first zero byte, as a std::string's c_str().

#if defined(__GNUC__)
__attribute__((format(printf, 6, 0)))
#endif
LineOutcome
trace_formatted(const char* category, int log_level, const char* file, const char* function,
                int line, const char* fmt, va_list arguments);

// Writes `text` as the message, as trace_message with the format "%s" would, or folded.
LineOutcome trace_text(const char* category, int log_level, const char* file, const char* function,
                       int line, const char* text, TextForm form);

// Traces a recorded error or warning's line, `text` under the records' category, and has
// `record` stacked right after the line, in the same turn of the trace stream, so that records
// are stacked in the order of the trace. A filtered line's record is stacked at once; a lost
// line's too. If the stream throws, the exception passes through and nothing is stacked.
LineOutcome trace_record(int log_level, const char* file, const char* function, int line,
                         const char* text, TextForm form, RecordEntry& record);

#if defined(__GNUC__)
__attribute__((format(printf, 2, 0)))
#endif
LineOutcome
log_formatted(const char* category, const char* fmt, va_list arguments);

LineOutcome log_text(const char* category, const char* text, TextForm form);

// Whether a trace of `log_level` would be written at the trace level in force.
bool trace_enabled(int log_level);

}  // namespace tervox::detail

#endif  // TERVOX_LOG_WRITERS_H
