#include <tervox/TervoxLogger.h>

#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>

#include "Lifetime.h"
#include "log/LineBuffer.h"
#include "log/StreamLock.h"
#include "log/TraceLayout.h"
#include "log/Writers.h"

// The streams are defined in ProcessObjects.cpp, where their order against the registry is fixed.
std::atomic<int> TervoxLogger::m_trace_level{3};
std::atomic<int> TervoxLogger::m_tervox_log_init_value{0};

namespace {

using tervox::detail::LevelLayout;
using tervox::detail::LineBuffer;
using tervox::detail::StreamLock;

constexpr int kInitialisingMarker = 123457;
constexpr int kInitialisedMarker = 123456;

constexpr int kLevelCount = static_cast<int>(tervox::detail::kLevelLayouts.size());

// The layout of `log_level` if the trace level in force lets it through, else null.
const LevelLayout* written_layout(int log_level) {
  if (log_level < 0 || log_level >= kLevelCount) return nullptr;
  const LevelLayout& layout = tervox::detail::kLevelLayouts[log_level];
  return TervoxLogger::get_trace_level() >= layout.trace_threshold ? &layout : nullptr;
}

void append_tag(LineBuffer& line, std::string_view category) {
  line.append_to_prefix(tervox::detail::kTagOpen);
  line.append_to_prefix(category);
  line.append_to_prefix(tervox::detail::kTagClose);
}

// The same bytes as formatting "[%s]%s" (or, with a location, "[%s]%s[%s, %s:%d]\n[%s]%s") into
// a 25,000-byte buffer, cut at the same length, for a fraction of the formatter's cost.
void build_prefix(LineBuffer& line, const LevelLayout& layout, std::string_view category,
                  const char* file, const char* function, int line_number) {
  if (!layout.tagged) return;
  append_tag(line, category);
  line.append_to_prefix(layout.level_prefix);
  if (!layout.located) return;
  char digits[11];  // "-2147483648"
  const char* const digits_end = std::to_chars(digits, digits + sizeof digits, line_number).ptr;
  line.append_to_prefix(tervox::detail::kLocationOpen);
  line.append_to_prefix(file);
  line.append_to_prefix(tervox::detail::kLocationFunction);
  line.append_to_prefix(function);
  line.append_to_prefix(tervox::detail::kLocationLine);
  line.append_to_prefix(std::string_view(digits, static_cast<std::size_t>(digits_end - digits)));
  line.append_to_prefix(tervox::detail::kLocationClose);
  append_tag(line, category);
  line.append_to_prefix(layout.level_prefix);
}

// The line in one insertion, so that it leaves in one write, then the flush of the line end and
// one more, as the writers owe their callers. A field width that the host set applies to the
// line's first insertion, the prefix, as it always has. After a failed line the stream holds
// failbit beside badbit on every standard library.
void insert_line(std::ostream& stream, const LineBuffer& line) {
  std::size_t start = 0;
  if (stream.width() != 0) {
    stream << std::string_view(line.data(), line.prefix_size());
    start = line.prefix_size();
  }
  stream.write(line.data() + start, static_cast<std::streamsize>(line.size() - start));
  stream.flush();
  stream.flush();
  if (stream.bad()) stream.setstate(std::ios_base::failbit);
}

// Marks the stream's holder as inserting a line, for as long as it does.
class Inserting {
 public:
  explicit Inserting(StreamLock& lock) : lock_(lock) { lock_.writing = true; }
  ~Inserting() { lock_.writing = false; }
  Inserting(const Inserting&) = delete;
  Inserting& operator=(const Inserting&) = delete;

 private:
  StreamLock& lock_;
};

// Writes the line under its stream's lock, then runs after_line, if any, still under it. A line
// that the calling thread writes from inside its own insertion into the same stream (a call-back
// of the host's stream buffer) is dropped: that stream is in the middle of a line, and the lock
// would wait for ever on its own holder. So is a line written once the teardown has begun.
void write_line(std::basic_fstream<char>& stream, StreamLock& lock, const LineBuffer& line,
                void (*after_line)(void*), void* context) {
  std::unique_lock<StreamLock> hold(lock, std::defer_lock);
  if (!tervox::detail::tearing_down() && !(lock.held_here() && lock.writing)) {
    hold.lock();
    const Inserting inserting(lock);
    insert_line(stream, line);
  }
  if (after_line != nullptr) after_line(context);
}

void write_trace_line(const LineBuffer& line, void (*after_line)(void*), void* context) {
  write_line(*TervoxLogger::get_process_trace_stream(), tervox::detail::trace_stream_lock(), line,
             after_line, context);
}

void write_log_line(const LineBuffer& line) {
  write_line(*TervoxLogger::get_process_log_stream(), tervox::detail::log_stream_lock(), line,
             nullptr, nullptr);
}

void start_trace_line(LineBuffer& line, const LevelLayout& layout, const char* category,
                      const char* file, const char* function, int line_number) {
  build_prefix(line, layout, category, file == nullptr ? "" : file,
               function == nullptr ? "" : function, line_number);
}

void start_log_line(LineBuffer& line, const char* category) {
  append_tag(line, category);
  line.append_to_prefix(" ");
}

bool reopen(std::basic_fstream<char>& stream, StreamLock& lock, const char* path, bool append) {
  if (tervox::detail::tearing_down()) return false;
  const std::lock_guard<StreamLock> hold(lock);
  if (stream.is_open()) stream.close();
  // Binary, so that a line ends in one line feed on every platform, as the tool expects.
  stream.open(path, std::ios_base::out | std::ios_base::binary |
                        (append ? std::ios_base::app : std::ios_base::trunc));
  return stream.is_open();
}

// As std::fstream::close, which reports a failure only through the stream's state.
bool close(std::basic_fstream<char>& stream, StreamLock& lock) {
  if (tervox::detail::tearing_down()) return false;
  const std::lock_guard<StreamLock> hold(lock);
  if (!stream.is_open()) return false;
  const bool closed = stream.rdbuf()->close() != nullptr;
  if (!closed) stream.setstate(std::ios_base::failbit);
  return closed;
}

StreamLock* lock_of(std::basic_fstream<char>* stream) {
  if (stream == TervoxLogger::get_process_trace_stream())
    return &tervox::detail::trace_stream_lock();
  if (stream == TervoxLogger::get_process_log_stream()) return &tervox::detail::log_stream_lock();
  return nullptr;
}

}  // namespace

namespace tervox::detail {

// Each writer runs the logger's entry guard first. A message is formatted whether or not it is
// written.
void trace_formatted(const char* category, int log_level, const char* file, const char* function,
                     int line, const char* fmt, va_list arguments) {
  TervoxLogger::init();
  LineBuffer buffer;
  const LevelLayout* const layout = written_layout(log_level);
  if (layout == nullptr) {
    buffer.format_unwritten(fmt, arguments);
    return;
  }
  start_trace_line(buffer, *layout, category, file, function, line);
  buffer.append_message(fmt, arguments);
  write_trace_line(buffer, nullptr, nullptr);
}

void trace_text_then(const char* category, int log_level, const char* file, const char* function,
                     int line, const char* text, void (*after_line)(void*), void* context) {
  TervoxLogger::init();
  const LevelLayout* const layout = written_layout(log_level);
  if (layout == nullptr) {
    if (after_line != nullptr) after_line(context);
    return;
  }
  LineBuffer buffer;
  start_trace_line(buffer, *layout, category, file, function, line);
  buffer.append_message_text(text);
  write_trace_line(buffer, after_line, context);
}

void trace_text(const char* category, int log_level, const char* file, const char* function,
                int line, const char* text) {
  trace_text_then(category, log_level, file, function, line, text, nullptr, nullptr);
}

void log_formatted(const char* category, const char* fmt, va_list arguments) {
  TervoxLogger::init();
  LineBuffer buffer;
  start_log_line(buffer, category);
  buffer.append_message(fmt, arguments);
  write_log_line(buffer);
}

void log_text(const char* category, const char* text) {
  TervoxLogger::init();
  LineBuffer buffer;
  start_log_line(buffer, category);
  buffer.append_message_text(text);
  write_log_line(buffer);
}

bool trace_enabled(int log_level) { return written_layout(log_level) != nullptr; }

}  // namespace tervox::detail

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
  va_list arguments;
  va_start(arguments, fmt);
  tervox::detail::trace_formatted(category.c_str(), log_level, file, function, line, fmt,
                                  arguments);
  va_end(arguments);
  return true;
}

bool TervoxLogger::log_message(std::string category, const char* fmt, ...) {
  va_list arguments;
  va_start(arguments, fmt);
  tervox::detail::log_formatted(category.c_str(), fmt, arguments);
  va_end(arguments);
  return true;
}

bool TervoxLogger::reopen_process_trace_stream(const char* path, bool append) {
  return reopen(*get_process_trace_stream(), tervox::detail::trace_stream_lock(), path, append);
}

bool TervoxLogger::reopen_process_log_stream(const char* path, bool append) {
  return reopen(*get_process_log_stream(), tervox::detail::log_stream_lock(), path, append);
}

bool TervoxLogger::close_process_trace_stream() {
  return close(*get_process_trace_stream(), tervox::detail::trace_stream_lock());
}

bool TervoxLogger::close_process_log_stream() {
  return close(*get_process_log_stream(), tervox::detail::log_stream_lock());
}

void TervoxLogger::lock_process_stream(std::basic_fstream<char>* stream) {
  if (StreamLock* const lock = lock_of(stream)) lock->lock();
}

void TervoxLogger::unlock_process_stream(std::basic_fstream<char>* stream) {
  if (StreamLock* const lock = lock_of(stream)) lock->unlock();
}
