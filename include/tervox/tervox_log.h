#ifndef TERVOX_TERVOX_LOG_H
#define TERVOX_TERVOX_LOG_H

/* The C interface of tervox_log, for hosts in C (C99 or later), Fortran, Python (ctypes) and any
 * other language with a C foreign-function interface, and for C++ hosts built with another C++
 * standard library than the library's. It works on the very logger and registry that the C++
 * classes (TervoxLogger, TervoxError) work on: one process shares one trace level, one trace, one
 * log and one stack per level, whichever interface its modules use.
 *
 * No exception ever leaves these functions: an allocation failure, an exception from the host's
 * stream or an unknown code becomes one of the negative results below, and a line that did not
 * reach its file says so (TERVOX_E_NOT_WRITTEN). Every function may be called from any number of
 * threads at once. Strings are read up to their first zero byte and are never kept after the call
 * returns. Do not call these from a signal handler, nor from inside a write to the same stream (a
 * call-back of a stream buffer the host put on it).
 *
 * Text passed as text (tervox_trace_text, tervox_log_text and the texts of tervox_record) is
 * folded: each line feed in it is followed by a tab, so that no line of it can start like a line
 * of the library's own and be read as a recorded error (SECURITY.md). Formats are the host's own
 * and are written as formatted.
 *
 * A C++ module of the same process sees the streams as the C++ interface gives them: a line that
 * failed leaves the stream's failbit and badbit set, for every module, until a host clears them
 * (tervox_resume_trace, or clear() on the stream under a StreamHold). */

#include <stdarg.h>
#include <stddef.h>

#include <tervox/Export.h>

/* Severities of trace messages, the values of TervoxLogger::LogLevel. */
#define TERVOX_LOG_VERBOSE 0 /* "[V] ", written from trace level 9999 */
#define TERVOX_LOG_DEBUG 1   /* "[D] ", written from trace level 4 */
#define TERVOX_LOG_INFO 2    /* " " after the tag, written from trace level 3 */
#define TERVOX_LOG_PLAIN 3   /* the message alone, written from trace level 3 */
#define TERVOX_LOG_NOTICE 4  /* "[*] ", written from trace level 3 */
#define TERVOX_LOG_WARNING 5 /* "[?] " after a location line, written from trace level 2 */
#define TERVOX_LOG_ERROR 6   /* "[!] " after a location line, written from trace level 1 */

/* Levels of the registry, the values of ERROR_LVL. */
#define TERVOX_LVL_ERROR 0
#define TERVOX_LVL_WARNING 1

/* Negative results. */
#define TERVOX_E_FAILED (-1)       /* the stream threw, or the file could not be opened or closed */
#define TERVOX_E_NO_MEMORY (-2)    /* an allocation failed; nothing was written or recorded */
#define TERVOX_E_UNKNOWN_CODE (-3) /* the code to describe is missing from the catalogue */
#define TERVOX_E_INVALID_ARGUMENT (-4) /* a null pointer where a string or a buffer is needed */
/* The line did not reach its stream: no file is open on it, the stream failed (a full disk, or an
 * earlier line failed and nobody resumed it), or the line was dropped (traced from inside a write
 * to the same stream, or while the process ends). A record is stacked all the same. */
#define TERVOX_E_NOT_WRITTEN (-5)

/* TERVOX_TRACE_C (below) and TervoxMacros.h's TERVOX_TRACE_IF_ENABLED leave out every trace of a
 * severity below this one at compile time: build with -DTERVOX_LOG_MIN_LEVEL=2 (TERVOX_LOG_INFO)
 * to remove the verbose and debug traces of a module from its code. */
#ifndef TERVOX_LOG_MIN_LEVEL
#define TERVOX_LOG_MIN_LEVEL TERVOX_LOG_VERBOSE
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The trace level in force, exported so that level tests need no call into the library: read it
 * through tervox_trace_passes below (or, from another language, as a plain int), and never write
 * it: tervox_set_trace_level does. */
TERVOX_LOG_EXPORT extern int tervox_log_trace_level;

/* Formats `fmt` printf-style and traces it as TervoxLogger::trace_message does, byte for byte:
 * written only if the trace level lets `level` through, tagged "[category]", warnings and errors
 * after the line "[category][?] [file, function:line]"; the stream is flushed before the call
 * returns. A null `file` or `function` is written as empty text. Returns 0 when the line was
 * written or the trace level left it out, or a negative result: TERVOX_E_NOT_WRITTEN when it did
 * not reach the file, TERVOX_E_FAILED when the host's stream threw, TERVOX_E_INVALID_ARGUMENT for
 * a null `category` or `fmt`. `fmt` is always a format: pass text of unknown content through
 * tervox_trace_text. */
TERVOX_LOG_EXPORT int tervox_trace(const char* category, int level, const char* file,
                                   const char* function, int line, const char* fmt, ...)
    TERVOX_LOG_PRINTF_FORMAT(6, 7);

/* tervox_trace with the arguments as a va_list, which it leaves for the caller to va_end. */
TERVOX_LOG_EXPORT int tervox_vtrace(const char* category, int level, const char* file,
                                    const char* function, int line, const char* fmt,
                                    va_list arguments) TERVOX_LOG_PRINTF_FORMAT(6, 0);

/* Traces `text` as the message, folded (above) and never read as a format (a percent sign is
 * written as it is). Returns as tervox_trace; null `text` is invalid. */
TERVOX_LOG_EXPORT int tervox_trace_text(const char* category, int level, const char* file,
                                        const char* function, int line, const char* text);

/* Formats `fmt` and writes "[category] message" to the log, whatever the trace level, as
 * TervoxLogger::log_message does. Returns as tervox_trace. */
TERVOX_LOG_EXPORT int tervox_log(const char* category, const char* fmt, ...)
    TERVOX_LOG_PRINTF_FORMAT(2, 3);

/* Writes `text`, folded, as the message of a log line, never read as a format. Returns as
 * tervox_trace. */
TERVOX_LOG_EXPORT int tervox_log_text(const char* category, const char* text);

/* Returns 1 if a trace of `level` would be written at the trace level in force, else 0: cheap
 * enough to test before building a message that may be filtered. */
TERVOX_LOG_EXPORT int tervox_trace_enabled(int level);

/* Sets the trace level (no range check: 0 or less silences every trace, 9999 lets every level
 * through), or returns the level in force (3 until a host sets another). */
TERVOX_LOG_EXPORT void tervox_set_trace_level(int trace_level);
TERVOX_LOG_EXPORT int tervox_get_trace_level(void);

/* Open the file `path` on the process trace (or log) stream, closing the file open on it, if any,
 * and appending to the file if `append` is not 0, emptying it otherwise. Lines that other threads
 * write meanwhile go wholly to the old file or wholly to the new one. Return 0, TERVOX_E_FAILED if
 * the file could not be opened, or another negative result. */
TERVOX_LOG_EXPORT int tervox_open_trace(const char* path, int append);
TERVOX_LOG_EXPORT int tervox_open_log(const char* path, int append);

/* Close the file of the process trace (or log) stream while other threads may trace. Return 0, or
 * TERVOX_E_FAILED if no file was open or closing it failed. */
TERVOX_LOG_EXPORT int tervox_close_trace(void);
TERVOX_LOG_EXPORT int tervox_close_log(void);

/* Clear the failed state of the process trace (or log) stream, so that the next line is tried
 * again once the cause (a full disk) is gone; what the file holds stays. Call it after a
 * TERVOX_E_NOT_WRITTEN, as often as you like. Return 0, or TERVOX_E_FAILED if no file is open. */
TERVOX_LOG_EXPORT int tervox_resume_trace(void);
TERVOX_LOG_EXPORT int tervox_resume_log(void);

/* Records an error (TERVOX_LVL_ERROR) or a warning (TERVOX_LVL_WARNING) as TervoxError::setLast
 * does: traces "[EC :code ] short_text - long_text" under "UNDEF" with the location, makes `code`
 * the level's last code and stacks it with both texts (folded in the trace, as given on the
 * stack). A null text is taken as empty; any other level records nothing. Returns 0, or
 * TERVOX_E_NOT_WRITTEN when the record was stacked but its line did not reach the file, or a
 * negative result when nothing was stacked: TERVOX_E_FAILED when the trace stream threw (nothing
 * recorded), TERVOX_E_NO_MEMORY when memory ran out (nothing recorded, or, if the line was
 * already traced, `code` made the last code). */
TERVOX_LOG_EXPORT int tervox_record(int level, int code, const char* file, const char* function,
                                    int line, const char* short_text, const char* long_text);

/* Stacks a record without tracing it and without changing the level's last code, as
 * TervoxError::pushOnStack does. Returns as tervox_record. */
TERVOX_LOG_EXPORT int tervox_push(int level, int code, const char* short_text,
                                  const char* long_text);

/* Return the level's last code (100 when fresh or cleared), the number of stacked codes (the
 * initial 100 included), or stacked code `index` (0 the oldest; 0 for an index out of range), as
 * TervoxError::getLast, getStackSize and get do; 0 for any other level. They cannot fail, but for
 * the first call of a process running out of memory: then 0, and TERVOX_E_NO_MEMORY for the size.
 */
TERVOX_LOG_EXPORT int tervox_last_code(int level);
TERVOX_LOG_EXPORT int tervox_stack_size(int level);
TERVOX_LOG_EXPORT int tervox_stack_code(int level, int index);

/* Returns the level to its fresh state, as TervoxError::clear does. */
TERVOX_LOG_EXPORT void tervox_clear(int level);

/* The descriptions that TervoxError's getShortDescription, getLongDescription,
 * getLastShortDescription, getLastLongDescription and getStackDescriptions render, with
 * snprintf's contract: each returns the full length of the text, writes as much of it as fits in
 * `size` bytes of `buffer` and always ends what it wrote with a zero byte when `size` is above 0.
 * A result of `size` or more means the text was cut: call again with a buffer of result + 1 bytes.
 * `buffer` may be null when `size` is 0, to learn the length. Negative results:
 * TERVOX_E_UNKNOWN_CODE for a code missing from the catalogue (the last code, or one stacked,
 * for the last and stack descriptions), TERVOX_E_NO_MEMORY, TERVOX_E_INVALID_ARGUMENT for a null
 * buffer with a size above 0; the buffer is then left as it was. Do not pass a `size` larger than
 * the buffer. */
TERVOX_LOG_EXPORT long long tervox_short_description(int level, int code, char* buffer,
                                                     size_t size);
TERVOX_LOG_EXPORT long long tervox_long_description(int level, int code, char* buffer, size_t size);
TERVOX_LOG_EXPORT long long tervox_last_short_description(int level, char* buffer, size_t size);
TERVOX_LOG_EXPORT long long tervox_last_long_description(int level, char* buffer, size_t size);
TERVOX_LOG_EXPORT long long tervox_stack_descriptions(int level, char* buffer, size_t size);

#ifdef __cplusplus
}
#endif

/* Returns 1 if a trace of `level` would be written at the trace level in force, else 0, as
 * tervox_trace_enabled does, reading the level inline. */
static inline int tervox_trace_passes(int level) {
  static const int thresholds[] = {9999, 4, 3, 3, 3, 2, 1}; /* per severity, as above */
#if defined(__GNUC__)
  const int trace_level = __atomic_load_n(&tervox_log_trace_level, __ATOMIC_RELAXED);
#else
  const int trace_level = *(const volatile int*)&tervox_log_trace_level; /* read whole */
#endif
  return level >= TERVOX_LOG_VERBOSE && level <= TERVOX_LOG_ERROR &&
         trace_level >= thresholds[level];
}

/* Traces a printf-style message with the caller's file, function and line, like TERVOX_TRACE in
 * C++, but evaluates the message's arguments only when the trace level lets `level` through, and
 * not at all for a severity below TERVOX_LOG_MIN_LEVEL. `level` is evaluated twice: pass a
 * constant or a variable. The result of the call is dropped. Example:
 *   TERVOX_TRACE_C("IMPORT", TERVOX_LOG_DEBUG, "burst %d: %s", burst, describe(burst)); */
#define TERVOX_TRACE_C(category, level, ...)                                              \
  do {                                                                                    \
    if ((level) >= TERVOX_LOG_MIN_LEVEL && tervox_trace_passes(level))                    \
      (void)tervox_trace((category), (level), __FILE__, __func__, __LINE__, __VA_ARGS__); \
  } while (0)

/* The version these headers belong to: TERVOX_LOG_VERSION ("MAJOR.MINOR.PATCH"),
 * TERVOX_LOG_VERSION_MAJOR, _MINOR, _PATCH and TERVOX_LOG_VERSION_NUMBER. */
#include <tervox/Version.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Returns the version of the library loaded at run time, "MAJOR.MINOR.PATCH" (a static string;
 * do not free it). A host compares it with the TERVOX_LOG_VERSION it was built with to detect a
 * library older than its headers: the library has every function, constant and behaviour that
 * the headers describe when its version is the headers' or later within the same major version;
 * a library of another major version may differ in any of them (CHANGELOG.md says how). */
TERVOX_LOG_EXPORT const char* tervox_version(void);

#ifdef __cplusplus
}
#endif

#endif /* TERVOX_TERVOX_LOG_H */
