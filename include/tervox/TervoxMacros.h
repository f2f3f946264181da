#ifndef TERVOX_TERVOXMACROS_H
#define TERVOX_TERVOXMACROS_H

// Convenience macros that fill in the caller's file, function and line, so that hosts do not
// type them. The format is still checked against its arguments at compile time.

#include <tervox/TervoxError.h>
#include <tervox/TervoxLogger.h>

// Traces a printf-style message at `level` (a TervoxLogger::LogLevel) under `category`.
// Example: TERVOX_TRACE("IMPORT", TervoxLogger::LOG_INFO, "reading %s", path);
#define TERVOX_TRACE(category, level, ...) \
  TervoxLogger::trace_message((category), (level), __FILE__, __func__, __LINE__, __VA_ARGS__)

// Records an error or a warning with the registry, which traces it and stacks it.
// Example: TERVOX_RECORD_ERROR(306, "reference.par is missing", "looked in ./input");
#define TERVOX_RECORD_ERROR(code, short_text, long_text)                              \
  TervoxError::getInstance().setLast(LVL_ERROR, (code), __FILE__, __func__, __LINE__, \
                                     (short_text), (long_text))
#define TERVOX_RECORD_WARNING(code, short_text, long_text)                              \
  TervoxError::getInstance().setLast(LVL_WARNING, (code), __FILE__, __func__, __LINE__, \
                                     (short_text), (long_text))

#endif  // TERVOX_TERVOXMACROS_H
