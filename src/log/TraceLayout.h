#ifndef TERVOX_LOG_TRACELAYOUT_H
#define TERVOX_LOG_TRACELAYOUT_H

#include <tervox/TervoxLogger.h>

#include <array>
#include <string_view>

namespace tervox::detail {

// The grammar of the trace, written once. A message of a tagged severity is the line
// "[" category "]" prefix message; a warning or an error is preceded by a location line. A
// recorded error (TervoxError::setLast) is an error of the category UNDEF whose message is the
// record's text, so its two lines read:
//
//   [UNDEF][!] [reader.cpp, load:42]
//   [UNDEF][!] [EC :306 ] reference.par is missing - looked in ./input
//
// tag, level prefix, "[" file ", " function ":" line "]", line feed; then tag, level prefix,
// "[EC :" code " ] " short text " - " long text, line feed (a warning has "[?] " for "[!] "). The
// logger writes these words and the registry records through them; the tervox-errors tool matches
// a record's lines through kRecordWords alone.

// How one severity is laid out and from which trace level it is written. A tagged line starts
// with "[category]"; a located one is preceded by "[category]" prefix "[file, function:line]\n".
struct LevelLayout {
  std::string_view level_prefix;
  int trace_threshold;
  bool tagged;
  bool located;
};

// Indexed by TervoxLogger::LogLevel.
inline constexpr std::array<LevelLayout, TervoxLogger::LOG_ERROR + 1> kLevelLayouts = {{
    {"[V] ", 9999, true, false},  // LOG_VERBOSE
    {"[D] ", 4, true, false},     // LOG_DEBUG
    {" ", 3, true, false},        // LOG_INFO
    {"", 3, false, false},        // LOG_PLAIN
    {"[*] ", 3, true, false},     // LOG_NOTICE
    {"[?] ", 2, true, true},      // LOG_WARNING
    {"[!] ", 1, true, true},      // LOG_ERROR
}};

inline constexpr std::string_view kTagOpen = "[";
inline constexpr std::string_view kTagClose = "]";
inline constexpr std::string_view kLocationOpen = "[";
inline constexpr std::string_view kLocationFunction = ", ";
inline constexpr std::string_view kLocationLine = ":";
inline constexpr std::string_view kLocationClose = "]";
inline constexpr std::string_view kLineEnd = "\n";

inline constexpr std::string_view kRecordCategory = "UNDEF";
inline constexpr std::string_view kRecordCodeOpen = "[EC :";
inline constexpr std::string_view kRecordCodeClose = " ] ";
inline constexpr std::string_view kRecordTextSeparator = " - ";

// The words of a record's two lines, as read without their line end.
struct RecordWords {
  std::string_view tag;  // "[UNDEF]"
  std::string_view error_prefix, warning_prefix;
  std::string_view location_open, location_function, location_line, location_close;
  std::string_view code_open, code_close, text_separator;
};

inline constexpr RecordWords kRecordWords = {
    "[UNDEF]",
    kLevelLayouts[TervoxLogger::LOG_ERROR].level_prefix,
    kLevelLayouts[TervoxLogger::LOG_WARNING].level_prefix,
    kLocationOpen,
    kLocationFunction,
    kLocationLine,
    kLocationClose,
    kRecordCodeOpen,
    kRecordCodeClose,
    kRecordTextSeparator,
};
static_assert(kRecordWords.tag.size() ==
                  kTagOpen.size() + kRecordCategory.size() + kTagClose.size() &&
              kRecordWords.tag.substr(kTagOpen.size(), kRecordCategory.size()) == kRecordCategory);

}  // namespace tervox::detail

#endif  // TERVOX_LOG_TRACELAYOUT_H
