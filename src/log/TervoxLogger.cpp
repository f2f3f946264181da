#include <tervox/TervoxLogger.h>

#include <cstdarg>
#include <mutex>
#include <ostream>
#include <string>

#include "LineBuffers.h"
#include "TraceLayout.h"

// The streams are defined in ProcessObjects.cpp, where their order against the registry is fixed.
std::atomic<int> TervoxLogger::m_trace_level{3};
std::atomic<int> TervoxLogger::m_tervox_log_init_value{0};

namespace {

using tervox::detail::LevelLayout;
using tervox::detail::LineBuffers;

constexpr int kInitialisingMarker = 123457;
constexpr int kInitialisedMarker = 123456;

constexpr int kLevelCount = static_cast<int>(sizeof tervox::detail::kLevelLayouts /
                                             sizeof tervox::detail::kLevelLayouts[0]);
static_assert(kLevelCount == TervoxLogger::LOG_ERROR + 1, "one layout per severity");

// One lock per stream, held for the insertions of one call, so that the lines of concurrent calls
// never mix. Constant-initialised, so they exist before any host code can trace.
std::mutex trace_stream_lock;
std::mutex log_stream_lock;

void append_tag(LineBuffers& buffers, const std::string& category) {
  buffers.append_to_prefix(tervox::detail::kTagOpen);
  buffers.append_to_prefix(category.c_str());
  buffers.append_to_prefix(tervox::detail::kTagClose);
}

// The same bytes as formatting "[%s]%s" (or, with a location, "[%s]%s[%s, %s:%d]\n[%s]%s") into
// the prefix buffer, cut at the same length, for a fraction of the formatter's cost.
void build_line_prefix(LineBuffers& buffers, const LevelLayout& layout, const std::string& category,
                       const char* file, const char* function, int line) {
  buffers.clear_prefix();
  if (!layout.tagged) return;
  append_tag(buffers, category);
  buffers.append_to_prefix(layout.level_prefix);
  if (!layout.located) return;
  buffers.append_to_prefix(tervox::detail::kLocationOpen);
  buffers.append_to_prefix(file);
  buffers.append_to_prefix(tervox::detail::kLocationFunction);
  buffers.append_to_prefix(function);
  buffers.append_to_prefix(tervox::detail::kLocationLine);
  buffers.append_to_prefix(line);
  buffers.append_to_prefix(tervox::detail::kLocationClose);
  append_tag(buffers, category);
  buffers.append_to_prefix(layout.level_prefix);
}

// The prefix, the message and a line end, then one more flush, as one unit under the stream's
// lock. After a failed line the stream holds failbit beside badbit on every standard library, as
// the second flush leaves it on some of them.
void write_line(std::ostream& stream, std::mutex& lock, const LineBuffers& buffers) {
  const std::lock_guard<std::mutex> hold(lock);
  stream << buffers.prefix() << buffers.message() << std::endl;
  stream.flush();
  if (stream.bad()) stream.setstate(std::ios_base::failbit);
}

// The writers' work, away from their variadic entry points: Clang 14 drops the saving of the
// floating-point argument registers when it probes a large frame in a variadic function, so the
// 50 KB of buffers must live in a frame of their own, never inlined back.
[[gnu::noinline, gnu::format(printf, 6, 0)]] void write_trace(
    const std::string& category, TervoxLogger::LogLevel log_level, const char* file,
    const char* function, int line, const char* fmt, va_list arguments, std::ostream& stream,
    int trace_level) {
  // The message is formatted before its level is examined, whether or not it is written.
  LineBuffers buffers;
  buffers.format_message(fmt, arguments);
  if (log_level < 0 || log_level >= kLevelCount) return;
  const LevelLayout& layout = tervox::detail::kLevelLayouts[log_level];
  // The prefix of a filtered message could never be seen, so it is only built for a written one.
  if (trace_level < layout.trace_threshold) return;
  build_line_prefix(buffers, layout, category, file, function, line);
  write_line(stream, trace_stream_lock, buffers);
}

[[gnu::noinline, gnu::format(printf, 2, 0)]] void write_log(const std::string& category,
                                                            const char* fmt, va_list arguments,
                                                            std::ostream& stream) {
  LineBuffers buffers;
  buffers.format_message(fmt, arguments);
  buffers.clear_prefix();
  append_tag(buffers, category);
  buffers.append_to_prefix(" ");
  write_line(stream, log_stream_lock, buffers);
}

}  // namespace

// Two threads may both find the flag set on the very first calls; the marker then only ever moves
// from 0 to 123457 and from there to 123456, never back.
bool TervoxLogger::check_init_before_call() {
  static std::atomic<bool> first_call{true};
  if (first_call.load(std::memory_order_relaxed) && first_call.exchange(false)) {
    int fresh = 0;
    m_tervox_log_init_value.compare_exchange_strong(fresh, kInitialisingMarker);
    return false;
  }
  return m_tervox_log_init_value.load(std::memory_order_relaxed) == kInitialisedMarker;
}

void TervoxLogger::set_init_already_call() { m_tervox_log_init_value.store(kInitialisedMarker); }

bool TervoxLogger::init() {
  if (!check_init_before_call()) set_init_already_call();
  return true;
}

bool TervoxLogger::set_trace_level(int trace_level) {
  if (!check_init_before_call()) set_init_already_call();
  m_trace_level.store(trace_level, std::memory_order_relaxed);
  return true;
}

int TervoxLogger::get_trace_level() {
  if (!check_init_before_call()) set_init_already_call();
  return m_trace_level.load(std::memory_order_relaxed);
}

std::basic_fstream<char>* TervoxLogger::get_process_trace_stream() {
  if (!check_init_before_call()) set_init_already_call();
  return &m_process_trace_stream;
}

std::basic_fstream<char>* TervoxLogger::get_process_log_stream() {
  if (!check_init_before_call()) set_init_already_call();
  return &m_process_log_stream;
}

bool TervoxLogger::trace_message(std::string category, LogLevel log_level, const char* file,
                                 const char* function, int line, const char* fmt, ...) {
  if (!check_init_before_call()) set_init_already_call();
  if (file == nullptr) file = "";
  if (function == nullptr) function = "";
  va_list arguments;
  va_start(arguments, fmt);
  write_trace(category, log_level, file, function, line, fmt, arguments,
              *get_process_trace_stream(), m_trace_level.load(std::memory_order_relaxed));
  va_end(arguments);
  return true;
}

bool TervoxLogger::log_message(std::string category, const char* fmt, ...) {
  if (!check_init_before_call()) set_init_already_call();
  va_list arguments;
  va_start(arguments, fmt);
  write_log(category, fmt, arguments, *get_process_log_stream());
  va_end(arguments);
  return true;
}
