#ifndef TERVOX_LOG_TRACELAYOUT_H
#define TERVOX_LOG_TRACELAYOUT_H

#include <tervox/TervoxLogger.h>

#include <array>
#include <string_view>

namespace tervox::detail {

// The words of a trace line. The logger writes them and the registry records through them; the
// tervox-errors tool matches those of a recorded error or warning: the tag, the level prefixes of
// LOG_WARNING and LOG_ERROR, the location line and the record's text.

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
// The location line: "[" file ", " function ":" line "]\n".
inline constexpr std::string_view kLocationOpen = "[";
inline constexpr std::string_view kLocationFunction = ", ";
inline constexpr std::string_view kLocationLine = ":";
inline constexpr std::string_view kLocationClose = "]\n";

// A recorded error or warning is traced under this category as "[EC :code ] short - long".
inline constexpr std::string_view kRecordCategory = "UNDEF";
inline constexpr std::string_view kRecordCodeOpen = "[EC :";
inline constexpr std::string_view kRecordCodeClose = " ] ";
inline constexpr std::string_view kRecordTextSeparator = " - ";

}  // namespace tervox::detail

#endif  // TERVOX_LOG_TRACELAYOUT_H
