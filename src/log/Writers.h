#ifndef TERVOX_LOG_WRITERS_H
#define TERVOX_LOG_WRITERS_H

#include <cstdarg>

namespace tervox::detail {

// The writers behind TervoxLogger::trace_message and log_message, for the library's own callers and
// its other language interfaces: the same bytes, locking, lifetime and exceptions. Each runs the
// logger's entry guard. `category` is read up to its first zero byte, as a std::string's c_str().

#if defined(__GNUC__)
__attribute__((format(printf, 6, 0)))
#endif
void trace_formatted(const char* category, int log_level, const char* file, const char* function,
                     int line, const char* fmt, va_list arguments);

// Writes `text` as the message, as trace_message with the format "%s" would.
void trace_text(const char* category, int log_level, const char* file, const char* function,
                int line, const char* text);

// Traces `text` as trace_text does, then calls after_line(context) while the trace stream's lock
// is still held when the line was written, so that what it stacks is in the order of the trace.
// after_line is not called if the write throws.
void trace_text_then(const char* category, int log_level, const char* file, const char* function,
                     int line, const char* text, void (*after_line)(void*), void* context);

#if defined(__GNUC__)
__attribute__((format(printf, 2, 0)))
#endif
void log_formatted(const char* category, const char* fmt, va_list arguments);

void log_text(const char* category, const char* text);

// Whether a trace of `log_level` would be written at the trace level in force.
bool trace_enabled(int log_level);

}  // namespace tervox::detail

#endif  // TERVOX_LOG_WRITERS_H
