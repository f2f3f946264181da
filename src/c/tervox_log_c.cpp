// The C interface: each function calls the C++ one that does the same work, on the same logger and
// registry, and turns whatever it throws into a negative result, since no exception may unwind
// into a C, Fortran or Python frame.

#include <tervox/tervox_log.h>

#include <tervox/TervoxError.h>
#include <tervox/TervoxLogger.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#if defined(__GLIBCXX__)
#include <cxxabi.h>
#endif

#include "error/Recording.h"
#include "log/TraceLayout.h"
#include "log/Writers.h"

// The C names stand for the C++ values, which the library's own code uses.
static_assert(TERVOX_LOG_VERBOSE == TervoxLogger::LOG_VERBOSE &&
              TERVOX_LOG_DEBUG == TervoxLogger::LOG_DEBUG &&
              TERVOX_LOG_INFO == TervoxLogger::LOG_INFO &&
              TERVOX_LOG_PLAIN == TervoxLogger::LOG_PLAIN &&
              TERVOX_LOG_NOTICE == TervoxLogger::LOG_NOTICE &&
              TERVOX_LOG_WARNING == TervoxLogger::LOG_WARNING &&
              TERVOX_LOG_ERROR == TervoxLogger::LOG_ERROR &&
              TERVOX_LOG_ERROR + 1 == tervox::detail::kLevelLayouts.size());
static_assert(TERVOX_LVL_ERROR == LVL_ERROR && TERVOX_LVL_WARNING == LVL_WARNING);

namespace {

using tervox::detail::LineOutcome;
using tervox::detail::TextForm;

// The result of the exception being handled. The unwinding of a cancelled thread (opening a file
// is a cancellation point) is no exception to report: it must go on, or the process is terminated.
// It carries no exception object, which the undefined-behaviour sanitizer's null check would take
// for a reference bound to null in its handler.
#if defined(__GNUC__)
__attribute__((no_sanitize("null")))
#endif
int failure_of_current_exception() {
  try {
    throw;
#if defined(__GLIBCXX__)
  } catch (const abi::__forced_unwind&) {
    throw;
#endif
  } catch (const std::bad_alloc&) {
    return TERVOX_E_NO_MEMORY;
  } catch (...) {
    // Whatever a host's stream throws, std::out_of_range included.
    return TERVOX_E_FAILED;
  }
}

template <typename Call>
int guarded(Call call) {
  try {
    return call();
  } catch (...) {
    return failure_of_current_exception();
  }
}

int result_of(LineOutcome outcome) {
  return outcome == LineOutcome::kLost ? TERVOX_E_NOT_WRITTEN : 0;
}

// Clears the stream's failed state in its turn, so that the next line is tried again.
int resume(std::basic_fstream<char>* stream) {
  const TervoxLogger::StreamHold hold(stream);
  if (!stream->is_open()) return TERVOX_E_FAILED;
  stream->clear();
  return 0;
}

// For the queries whose every result is a code: a failure cannot be told apart, and reads as 0.
template <typename Call>
int code_or_zero(Call call) {
  try {
    return call();
  } catch (...) {
    failure_of_current_exception();
    return 0;
  }
}

ERROR_LVL error_level(int level) { return static_cast<ERROR_LVL>(level); }

const char* or_empty(const char* text) { return text != nullptr ? text : ""; }

// snprintf's contract: the full length, and as much of the text as fits, always terminated.
template <typename Render>
long long described(char* buffer, size_t size, Render render) {
  if (buffer == nullptr && size > 0) return TERVOX_E_INVALID_ARGUMENT;
  try {
    const std::string text = render(TervoxError::getInstance());
    if (size > 0) {
      const size_t kept = std::min(text.size(), size - 1);
      std::memcpy(buffer, text.data(), kept);
      buffer[kept] = '\0';
    }
    return static_cast<long long>(text.size());
  } catch (const std::out_of_range&) {
    // The renderers throw it for a code missing from the catalogue, and nothing else here does.
    return TERVOX_E_UNKNOWN_CODE;
  } catch (...) {
    return failure_of_current_exception();
  }
}

}  // namespace

extern "C" {

int tervox_trace(const char* category, int level, const char* file, const char* function, int line,
                 const char* fmt, ...) {
  va_list arguments;
  va_start(arguments, fmt);
  const int result = tervox_vtrace(category, level, file, function, line, fmt, arguments);
  va_end(arguments);
  return result;
}

int tervox_vtrace(const char* category, int level, const char* file, const char* function, int line,
                  const char* fmt, va_list arguments) {
  if (category == nullptr || fmt == nullptr) return TERVOX_E_INVALID_ARGUMENT;
  return guarded([&] {
    return result_of(
        tervox::detail::trace_formatted(category, level, file, function, line, fmt, arguments));
  });
}

int tervox_trace_text(const char* category, int level, const char* file, const char* function,
                      int line, const char* text) {
  if (category == nullptr || text == nullptr) return TERVOX_E_INVALID_ARGUMENT;
  return guarded([&] {
    return result_of(
        tervox::detail::trace_text(category, level, file, function, line, text, TextForm::kFolded));
  });
}

int tervox_log(const char* category, const char* fmt, ...) {
  if (category == nullptr || fmt == nullptr) return TERVOX_E_INVALID_ARGUMENT;
  va_list arguments;
  va_start(arguments, fmt);
  const int result =
      guarded([&] { return result_of(tervox::detail::log_formatted(category, fmt, arguments)); });
  va_end(arguments);
  return result;
}

int tervox_log_text(const char* category, const char* text) {
  if (category == nullptr || text == nullptr) return TERVOX_E_INVALID_ARGUMENT;
  return guarded(
      [&] { return result_of(tervox::detail::log_text(category, text, TextForm::kFolded)); });
}

int tervox_trace_enabled(int level) { return tervox::detail::trace_enabled(level) ? 1 : 0; }

void tervox_set_trace_level(int trace_level) { TervoxLogger::set_trace_level(trace_level); }

int tervox_get_trace_level(void) { return TervoxLogger::get_trace_level(); }

int tervox_open_trace(const char* path, int append) {
  if (path == nullptr) return TERVOX_E_INVALID_ARGUMENT;
  return guarded([&] {
    return TervoxLogger::reopen_process_trace_stream(path, append != 0) ? 0 : TERVOX_E_FAILED;
  });
}

int tervox_open_log(const char* path, int append) {
  if (path == nullptr) return TERVOX_E_INVALID_ARGUMENT;
  return guarded([&] {
    return TervoxLogger::reopen_process_log_stream(path, append != 0) ? 0 : TERVOX_E_FAILED;
  });
}

int tervox_close_trace(void) {
  return guarded([] { return TervoxLogger::close_process_trace_stream() ? 0 : TERVOX_E_FAILED; });
}

int tervox_close_log(void) {
  return guarded([] { return TervoxLogger::close_process_log_stream() ? 0 : TERVOX_E_FAILED; });
}

int tervox_resume_trace(void) {
  return guarded([] { return resume(TervoxLogger::get_process_trace_stream()); });
}

int tervox_resume_log(void) {
  return guarded([] { return resume(TervoxLogger::get_process_log_stream()); });
}

int tervox_record(int level, int code, const char* file, const char* function, int line,
                  const char* short_text, const char* long_text) {
  return guarded([&] {
    return result_of(tervox::detail::record(TervoxError::getInstance(), error_level(level), code,
                                            file, function, line, or_empty(short_text),
                                            or_empty(long_text), TextForm::kFolded));
  });
}

int tervox_push(int level, int code, const char* short_text, const char* long_text) {
  return guarded([&] {
    TervoxError::getInstance().pushOnStack(error_level(level), code, or_empty(short_text),
                                           or_empty(long_text));
    return 0;
  });
}

int tervox_last_code(int level) {
  return code_or_zero([&] { return TervoxError::getInstance().getLast(error_level(level)); });
}

int tervox_stack_size(int level) {
  return guarded([&] { return TervoxError::getInstance().getStackSize(error_level(level)); });
}

int tervox_stack_code(int level, int index) {
  return code_or_zero([&] { return TervoxError::getInstance().get(error_level(level), index); });
}

void tervox_clear(int level) {
  guarded([&] {
    TervoxError::getInstance().clear(error_level(level));
    return 0;
  });
}

long long tervox_short_description(int level, int code, char* buffer, size_t size) {
  return described(buffer, size, [&](TervoxError& registry) {
    return registry.getShortDescription(error_level(level), code);
  });
}

long long tervox_long_description(int level, int code, char* buffer, size_t size) {
  return described(buffer, size, [&](TervoxError& registry) {
    return registry.getLongDescription(error_level(level), code);
  });
}

long long tervox_last_short_description(int level, char* buffer, size_t size) {
  return described(buffer, size, [&](TervoxError& registry) {
    return registry.getLastShortDescription(error_level(level));
  });
}

long long tervox_last_long_description(int level, char* buffer, size_t size) {
  return described(buffer, size, [&](TervoxError& registry) {
    return registry.getLastLongDescription(error_level(level));
  });
}

long long tervox_stack_descriptions(int level, char* buffer, size_t size) {
  return described(buffer, size, [&](TervoxError& registry) {
    return registry.getStackDescriptions(error_level(level));
  });
}

}  // extern "C"

// The version this library was built as, whatever headers its host was built with.
extern "C" const char* tervox_version(void) { return TERVOX_LOG_VERSION; }
