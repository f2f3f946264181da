#include <tervox/TervoxLogger.h>
#include <tervox/tervox_log.h>

#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>

#include "Lifetime.h"
#include "error/RecordEntry.h"
#include "log/AppendingFile.h"
#include "log/LineBuffer.h"
#include "log/StreamQueue.h"
#include "log/TraceLayout.h"
#include "log/Writers.h"

// The streams are defined in ProcessObjects.cpp, where their order against the registry is fixed.
std::atomic<int> TervoxLogger::m_trace_level{3};
std::atomic<int> TervoxLogger::m_tervox_log_init_value{0};
int tervox_log_trace_level = 3;

namespace {

using tervox::detail::LevelLayout;
using tervox::detail::LineBuffer;
using tervox::detail::LineOutcome;
using tervox::detail::RecordEntry;
using tervox::detail::StreamQueue;

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
  line.append_to_prefix(tervox::detail::kLineEnd);
  append_tag(line, category);
  line.append_to_prefix(layout.level_prefix);
}

// Writes the line in its turn of the stream's queue, with `record` stacked right after it. A line
// written once the teardown has begun is dropped.
LineOutcome write_line(std::basic_fstream<char>& stream, StreamQueue& queue, const LineBuffer& line,
                       RecordEntry* record) {
  if (tervox::detail::tearing_down()) return LineOutcome::kLost;
  return queue.write(stream, line, record);
}

LineOutcome write_trace_line(const LineBuffer& line, RecordEntry* record) {
  return write_line(*TervoxLogger::get_process_trace_stream(), tervox::detail::trace_stream_queue(),
                    line, record);
}

LineOutcome write_log_line(const LineBuffer& line) {
  return write_line(*TervoxLogger::get_process_log_stream(), tervox::detail::log_stream_queue(),
                    line, nullptr);
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

bool reopen(std::basic_fstream<char>& stream, StreamQueue& queue, const char* path, bool append) {
  if (tervox::detail::tearing_down()) return false;
  const std::lock_guard<StreamQueue> hold(queue);
  if (stream.is_open()) stream.close();
  return tervox::detail::open_appending(stream, path, !append);
}

// As std::fstream::close, which reports a failure only through the stream's state.
bool close(std::basic_fstream<char>& stream, StreamQueue& queue) {
  if (tervox::detail::tearing_down()) return false;
  const std::lock_guard<StreamQueue> hold(queue);
  if (!stream.is_open()) return false;
  const bool closed = stream.rdbuf()->close() != nullptr;
  if (!closed) stream.setstate(std::ios_base::failbit);
  return closed;
}

StreamQueue* queue_of(std::basic_fstream<char>* stream) {
  if (stream == TervoxLogger::get_process_trace_stream()) {
    return &tervox::detail::trace_stream_queue();
  }
  if (stream == TervoxLogger::get_process_log_stream()) return &tervox::detail::log_stream_queue();
  return nullptr;
}

// Hosts read the trace level inline from tervox_log_trace_level (tervox_log.h), which follows
// m_trace_level: both change under this lock, so that they never disagree.
std::mutex trace_level_change;

void publish_trace_level(int trace_level) {
#if defined(__GNUC__)
  __atomic_store_n(&tervox_log_trace_level, trace_level, __ATOMIC_RELAXED);
#else
  // MSVC: an aligned int is written whole.
  *static_cast<volatile int*>(&tervox_log_trace_level) = trace_level;
#endif
}

}  // namespace

namespace tervox::detail {

// Each writer runs the logger's entry guard first. A message is formatted whether or not it is
// written.
LineOutcome trace_formatted(const char* category, int log_level, const char* file,
                            const char* function, int line, const char* fmt, va_list arguments) {
  TervoxLogger::init();
  LineBuffer buffer;
  const LevelLayout* const layout = written_layout(log_level);
  if (layout == nullptr) {
    buffer.format_unwritten(fmt, arguments);
    return LineOutcome::kFiltered;
  }
  start_trace_line(buffer, *layout, category, file, function, line);
  buffer.append_message(fmt, arguments);
  return write_trace_line(buffer, nullptr);
}

LineOutcome trace_text(const char* category, int log_level, const char* file, const char* function,
                       int line, const char* text, TextForm form) {
  TervoxLogger::init();
  const LevelLayout* const layout = written_layout(log_level);
  if (layout == nullptr) return LineOutcome::kFiltered;
  LineBuffer buffer;
  start_trace_line(buffer, *layout, category, file, function, line);
  buffer.append_message_text(text, form);
  return write_trace_line(buffer, nullptr);
}

LineOutcome trace_record(int log_level, const char* file, const char* function, int line,
                         const char* text, TextForm form, RecordEntry& record) {
  TervoxLogger::init();
  const LevelLayout* const layout = written_layout(log_level);
  if (layout == nullptr) {
    stack_record(record);
    return LineOutcome::kFiltered;
  }
  LineBuffer buffer;
  start_trace_line(buffer, *layout, kRecordCategory.data(), file, function, line);
  buffer.append_message_text(text, form);
  return write_trace_line(buffer, &record);
}

LineOutcome log_formatted(const char* category, const char* fmt, va_list arguments) {
  TervoxLogger::init();
  LineBuffer buffer;
  start_log_line(buffer, category);
  buffer.append_message(fmt, arguments);
  return write_log_line(buffer);
}

LineOutcome log_text(const char* category, const char* text, TextForm form) {
  TervoxLogger::init();
  LineBuffer buffer;
  start_log_line(buffer, category);
  buffer.append_message_text(text, form);
  return write_log_line(buffer);
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
  const std::lock_guard<std::mutex> hold(trace_level_change);
  m_trace_level.store(trace_level, std::memory_order_relaxed);
  publish_trace_level(trace_level);
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

// printf-style, with the category by value: the interface's own signatures.
// NOLINTNEXTLINE(cert-dcl50-cpp,performance-unnecessary-value-param)
bool TervoxLogger::trace_message(std::string category, LogLevel log_level, const char* file,
                                 const char* function, int line, const char* fmt, ...) {
  va_list arguments;
  va_start(arguments, fmt);
  tervox::detail::trace_formatted(category.c_str(), log_level, file, function, line, fmt,
                                  arguments);
  va_end(arguments);
  return true;
}

// NOLINTNEXTLINE(cert-dcl50-cpp,performance-unnecessary-value-param)
bool TervoxLogger::log_message(std::string category, const char* fmt, ...) {
  va_list arguments;
  va_start(arguments, fmt);
  tervox::detail::log_formatted(category.c_str(), fmt, arguments);
  va_end(arguments);
  return true;
}

bool TervoxLogger::reopen_process_trace_stream(const char* path, bool append) {
  return reopen(*get_process_trace_stream(), tervox::detail::trace_stream_queue(), path, append);
}

bool TervoxLogger::reopen_process_log_stream(const char* path, bool append) {
  return reopen(*get_process_log_stream(), tervox::detail::log_stream_queue(), path, append);
}

bool TervoxLogger::close_process_trace_stream() {
  return close(*get_process_trace_stream(), tervox::detail::trace_stream_queue());
}

bool TervoxLogger::close_process_log_stream() {
  return close(*get_process_log_stream(), tervox::detail::log_stream_queue());
}

void TervoxLogger::lock_process_stream(std::basic_fstream<char>* stream) {
  if (StreamQueue* const queue = queue_of(stream)) queue->lock();
}

void TervoxLogger::unlock_process_stream(std::basic_fstream<char>* stream) {
  if (StreamQueue* const queue = queue_of(stream)) queue->unlock();
}
