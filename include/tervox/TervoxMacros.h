#ifndef TERVOX_TERVOXMACROS_H
#define TERVOX_TERVOXMACROS_H

// Convenience macros that fill in the caller's file, function and line, so that hosts do not
// type them. The format is still checked against its arguments at compile time.

#include <tervox/TervoxError.h>
#include <tervox/TervoxLogger.h>
#include <tervox/tervox_log.h>

// Traces a printf-style message at `level` (a TervoxLogger::LogLevel) under `category`.
// Example: TERVOX_TRACE("IMPORT", TervoxLogger::LOG_INFO, "reading %s", path);
#define TERVOX_TRACE(category, level, ...) \
  TervoxLogger::trace_message((category), (level), __FILE__, __func__, __LINE__, __VA_ARGS__)

// As TERVOX_TRACE, but the message's arguments are evaluated, and the message formatted, only when
// the trace level lets `level` through; a severity below TERVOX_LOG_MIN_LEVEL (a compile-time
// definition, 0 unless the host defines it, e.g. -DTERVOX_LOG_MIN_LEVEL=2) leaves no call at all
// in an optimised build when `level` is a constant. `level` is evaluated once.
// Example: TERVOX_TRACE_IF_ENABLED("IMPORT", TervoxLogger::LOG_DEBUG, "%s",
// describe(burst).c_str());
#define TERVOX_TRACE_IF_ENABLED(category, level, ...)                                            \
  do {                                                                                           \
    if (const int tervox_trace_level_ = (level);                                                 \
        tervox_trace_level_ >= TERVOX_LOG_MIN_LEVEL && tervox_trace_passes(tervox_trace_level_)) \
      TervoxLogger::trace_message((category), TervoxLogger::LogLevel(tervox_trace_level_),       \
                                  __FILE__, __func__, __LINE__, __VA_ARGS__);                    \
  } while (0)

// Records an error or a warning with the registry, which traces it and stacks it.
// Example: TERVOX_RECORD_ERROR(306, "reference.par is missing", "looked in ./input");
#define TERVOX_RECORD_ERROR(code, short_text, long_text)                              \
  TervoxError::getInstance().setLast(LVL_ERROR, (code), __FILE__, __func__, __LINE__, \
                                     (short_text), (long_text))
#define TERVOX_RECORD_WARNING(code, short_text, long_text)                              \
  TervoxError::getInstance().setLast(LVL_WARNING, (code), __FILE__, __func__, __LINE__, \
                                     (short_text), (long_text))

#endif  // TERVOX_TERVOXMACROS_H
