#ifndef TERVOX_LOG_TRACELAYOUT_H
#define TERVOX_LOG_TRACELAYOUT_H

#include <string_view>

namespace tervox::detail {

// The words of a trace line, shared by the logger that writes them, the registry that records
// through it, and the tervox-errors tool that reads traces back.

// How one severity is laid out and from which trace level it is written. A tagged line starts
// with "[category]"; a located one is preceded by "[category]" prefix "[file, function:line]\n".
struct LevelLayout {
  std::string_view level_prefix;
  int trace_threshold;
  bool tagged;
  bool located;
};

// Indexed by TervoxLogger::LogLevel.
inline constexpr LevelLayout kLevelLayouts[] = {
    {"[V] ", 9999, true, false},  // LOG_VERBOSE
    {"[D] ", 4, true, false},     // LOG_DEBUG
    {" ", 3, true, false},        // LOG_INFO
    {"", 3, false, false},        // LOG_PLAIN
    {"[*] ", 3, true, false},     // LOG_NOTICE
    {"[?] ", 2, true, true},      // LOG_WARNING
    {"[!] ", 1, true, true},      // LOG_ERROR
};
inline constexpr int kWarningLayout = 5;
inline constexpr int kErrorLayout = 6;

inline constexpr std::string_view kTagOpen = "[";
inline constexpr std::string_view kTagClose = "]";
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
