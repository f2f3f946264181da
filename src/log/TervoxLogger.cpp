#include <tervox/TervoxLogger.h>

#include <cstdarg>
#include <string>

#include "LineBuffers.h"
#include "LineInsertion.h"

// The trace stream is defined first so that it is constructed first and destroyed last.
int TervoxLogger::m_trace_level = 3;
int TervoxLogger::m_tervox_log_init_value = 0;
std::basic_fstream<char> TervoxLogger::m_process_trace_stream;
std::basic_fstream<char> TervoxLogger::m_process_log_stream;

namespace {

constexpr int kInitialisingMarker = 123457;
constexpr int kInitialisedMarker = 123456;

// How one severity is laid out and from which trace level it is written.
struct LevelLayout {
  const char* level_prefix;
  int trace_threshold;
  bool tagged;
  bool located;
};

constexpr LevelLayout kLevelLayouts[] = {
    {"[V] ", 9999, true, false},  // LOG_VERBOSE
    {"[D] ", 4, true, false},     // LOG_DEBUG
    {" ", 3, true, false},        // LOG_INFO
    {"", 3, false, false},        // LOG_PLAIN
    {"[*] ", 3, true, false},     // LOG_NOTICE
    {"[?] ", 2, true, true},      // LOG_WARNING
    {"[!] ", 1, true, true},      // LOG_ERROR
};
constexpr int kLevelCount = static_cast<int>(sizeof kLevelLayouts / sizeof kLevelLayouts[0]);
static_assert(kLevelCount == TervoxLogger::LOG_ERROR + 1, "one layout per severity");

// "[category]": the category is copied as text, never read as a format, so a percent sign in
// it is written literally.
void append_tag(tervox::detail::LineBuffers& buffers, const std::string& category) {
  buffers.append_to_prefix("[");
  buffers.append_to_prefix(category.c_str());
  buffers.append_to_prefix("]");
}

// The same bytes as formatting "[%s]%s" (or, with a location, "[%s]%s[%s, %s:%d]\n[%s]%s") into
// the prefix buffer, cut at the same length, for a fraction of the formatter's cost.
void build_line_prefix(tervox::detail::LineBuffers& buffers, const LevelLayout& layout,
                       const std::string& category, const char* file, const char* function,
                       int line) {
  buffers.clear_prefix();
  if (!layout.tagged) return;
  append_tag(buffers, category);
  buffers.append_to_prefix(layout.level_prefix);
  if (!layout.located) return;
  buffers.append_to_prefix("[");
  buffers.append_to_prefix(file);
  buffers.append_to_prefix(", ");
  buffers.append_to_prefix(function);
  buffers.append_to_prefix(":");
  buffers.append_to_prefix(line);
  buffers.append_to_prefix("]\n");
  append_tag(buffers, category);
  buffers.append_to_prefix(layout.level_prefix);
}

}  // namespace

bool TervoxLogger::check_init_before_call() {
  static bool first_call = true;
  if (first_call) {
    m_tervox_log_init_value = kInitialisingMarker;
    first_call = false;
    return false;
  }
  return m_tervox_log_init_value == kInitialisedMarker;
}

void TervoxLogger::set_init_already_call() { m_tervox_log_init_value = kInitialisedMarker; }

bool TervoxLogger::init() {
  if (!check_init_before_call()) set_init_already_call();
  return true;
}

bool TervoxLogger::set_trace_level(int trace_level) {
  if (!check_init_before_call()) set_init_already_call();
  m_trace_level = trace_level;
  return true;
}

int TervoxLogger::get_trace_level() {
  if (!check_init_before_call()) set_init_already_call();
  return m_trace_level;
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

  // The message is formatted before its level is examined, whether or not it is written.
  tervox::detail::LineBuffers buffers;
  va_list arguments;
  va_start(arguments, fmt);
  buffers.format_message(fmt, arguments);
  va_end(arguments);

  if (log_level < 0 || log_level >= kLevelCount) return true;
  const LevelLayout& layout = kLevelLayouts[log_level];
  // The prefix of a filtered message could never be seen, so it is only built for a written one.
  if (m_trace_level < layout.trace_threshold) return true;

  build_line_prefix(buffers, layout, category, file, function, line);
  tervox::detail::insert_line(*get_process_trace_stream(), buffers);
  return true;
}

bool TervoxLogger::log_message(std::string category, const char* fmt, ...) {
  if (!check_init_before_call()) set_init_already_call();

  tervox::detail::LineBuffers buffers;
  va_list arguments;
  va_start(arguments, fmt);
  buffers.format_message(fmt, arguments);
  va_end(arguments);

  buffers.clear_prefix();
  append_tag(buffers, category);
  buffers.append_to_prefix(" ");
  tervox::detail::insert_line(*get_process_log_stream(), buffers);
  return true;
}
