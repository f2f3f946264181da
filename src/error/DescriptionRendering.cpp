// The five renderers of TervoxError: they frame catalogue texts for hosts and change nothing.

#include <tervox/TervoxError.h>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "ErrorCatalogue.h"
#include "ErrorState.h"
#include "TextAssembly.h"

using tervox::detail::DecimalText;
using tervox::detail::ErrorCatalogue;
using tervox::detail::ErrorState;

namespace {

constexpr std::string_view kErrorPrefixOpen = "[EC : ";
constexpr std::string_view kErrorPrefixClose = "] ";
constexpr std::string_view kWarningPrefix = "Warning: ";
constexpr std::string_view kLineEnd = "\n";

// The level's form around a catalogue text: "[EC : code] text\ncaller" for errors,
// "Warning: text\ncaller" for warnings, each followed by `entry_end` ("" or one more "\n" for
// a stack entry). Both are the same seven pieces; a warning leaves the code's pieces empty.
// Callers pass LVL_ERROR or LVL_WARNING only.
class FramedText {
 public:
  FramedText(ERROR_LVL level, int code, std::string_view text, std::string_view caller_text,
             std::string_view entry_end)
      : digits_(code),
        pieces_{level == LVL_ERROR ? kErrorPrefixOpen : kWarningPrefix,
                level == LVL_ERROR ? digits_.view() : std::string_view(),
                level == LVL_ERROR ? kErrorPrefixClose : std::string_view(),
                text,
                kLineEnd,
                caller_text,
                entry_end} {}

  std::size_t size() const { return tervox::detail::total_size(pieces_); }
  void append_to(std::string& out) const { tervox::detail::append_pieces(out, pieces_); }

  std::string str() const {
    std::string out;
    out.reserve(size());
    append_to(out);
    return out;
  }

 private:
  DecimalText digits_;  // declared first: pieces_ views it
  std::array<std::string_view, 7> pieces_;
};

enum class Length { kShort, kLong };

std::string_view catalogue_text(int code, Length length) {
  const tervox::detail::CatalogueRow& row = ErrorCatalogue::at(code);
  return length == Length::kShort ? row.short_text : row.long_text;
}

// The catalogue look-up comes first, at every level, so an unknown code fails whatever the level.
// The caller text is the level's newest, whichever code is described.
std::string describe(const ErrorState& state, ERROR_LVL level, int code, Length length) {
  const std::string_view text = catalogue_text(code, length);
  if (!ErrorState::selects_record(level)) return std::string(text);
  return FramedText(level, code, text, state.short_texts[level].back(), "").str();
}

int described_last_code(const ErrorState& state, ERROR_LVL level) {
  return ErrorState::selects_record(level) ? state.last_code[level] : 0;
}

// Error entries carry the short text, warning entries the long one.
FramedText stack_entry(ERROR_LVL level, int code, const std::string& caller_text) {
  return FramedText(level, code,
                    catalogue_text(code, level == LVL_ERROR ? Length::kShort : Length::kLong),
                    caller_text, kLineEnd);
}

}  // namespace

std::string TervoxError::getShortDescription(ERROR_LVL level, int code) {
  return describe(*m_state, level, code, Length::kShort);
}

std::string TervoxError::getLongDescription(ERROR_LVL level, int code) {
  return describe(*m_state, level, code, Length::kLong);
}

std::string TervoxError::getLastShortDescription(ERROR_LVL level) {
  return describe(*m_state, level, described_last_code(*m_state, level), Length::kShort);
}

std::string TervoxError::getLastLongDescription(ERROR_LVL level) {
  return describe(*m_state, level, described_last_code(*m_state, level), Length::kLong);
}

std::string TervoxError::getStackDescriptions(ERROR_LVL level) {
  if (!ErrorState::selects_record(level)) return std::string();
  const std::vector<int>& codes = m_state->code_stack[level];
  const std::vector<std::string>& caller_texts = m_state->short_texts[level];
  // A host that changed the stack through getStack may have broken the equal lengths: render
  // only the indices both sequences hold, so nothing outside them is ever read.
  const std::size_t entries = std::min(codes.size(), caller_texts.size());

  // The first pass sizes the result (and meets any unknown code before anything is built); the
  // second fills it, so the result is allocated once whatever the stack's length.
  std::size_t size = 0;
  for (std::size_t i = entries; i-- > 1;) size += stack_entry(level, codes[i], caller_texts[i]).size();
  std::string result;
  result.reserve(size);
  for (std::size_t i = entries; i-- > 1;) stack_entry(level, codes[i], caller_texts[i]).append_to(result);
  return result;
}
