#ifndef TERVOX_TOOLS_DECIMALINT_H
#define TERVOX_TOOLS_DECIMALINT_H

#include <charconv>
#include <optional>
#include <string_view>

namespace tervox::tools {

// Reads the whole of `text` as a decimal int: an optional '-' and digits, within int's range.
// Returns nothing for anything else: "", "300x", " 300", "+300", "0x12c", "99999999999".
inline std::optional<int> parse_decimal_int(std::string_view text) {
  int value = 0;
  const char* const end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

}  // namespace tervox::tools

#endif  // TERVOX_TOOLS_DECIMALINT_H
