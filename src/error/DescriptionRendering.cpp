// The five renderers of TervoxError: they frame catalogue texts for hosts and change nothing.

#include <tervox/TervoxError.h>

#include <algorithm>
#include <charconv>
#include <mutex>
#include <string>
#include <string_view>

#include "error/ErrorCatalogue.h"
#include "error/ErrorState.h"
#include "error/RegistryStorage.h"

using tervox::detail::ErrorCatalogue;
using tervox::detail::ErrorState;
using tervox::detail::LevelRecord;

namespace {

enum class Length { kShort, kLong };

std::string_view catalogue_text(int code, Length length) {
  const tervox::detail::CatalogueRow& row = ErrorCatalogue::at(code);
  // Two members, not one: clang-tidy 14 takes the branches for clones.
  return length == Length::kShort ? row.short_text
                                  : row.long_text;  // NOLINT(bugprone-branch-clone)
}

// Appends "[EC : code] text\ncaller" for errors or "Warning: text\ncaller" for warnings.
void append_framed(std::string& out, ERROR_LVL level, int code, std::string_view text,
                   std::string_view caller_text) {
  if (level == LVL_ERROR) {
    char digits[11];  // "-2147483648"
    char* const digits_end = std::to_chars(digits, digits + sizeof digits, code).ptr;
    out.append("[EC : ").append(digits, digits_end).append("] ");
  } else {
    out.append("Warning: ");
  }
  out.append(text).append("\n").append(caller_text);
}

// Room for a framed text: the longer of the two frames and the longest code.
constexpr std::size_t kFrameSize = 20;

// The catalogue look-up comes first, at every level, so an unknown code fails whatever the level.
// The caller text is the level's newest, whichever code is described. Callers hold the lock.
std::string render(const LevelRecord* record, ERROR_LVL level, int code, Length length) {
  const std::string_view text = catalogue_text(code, length);
  if (record == nullptr) return std::string(text);
  const std::string& caller_text = record->short_texts.back();
  std::string out;
  out.reserve(kFrameSize + text.size() + caller_text.size());
  append_framed(out, level, code, text, caller_text);
  return out;
}

// Renderers hold the registry's lock; once the library's teardown has begun they return "".
std::string describe(ErrorState& state, ERROR_LVL level, int code, Length length) {
  const tervox::detail::RegistryHold hold;
  return hold ? render(state.record(level), level, code, length) : std::string();
}

// The last code and the caller text are read under one hold, so they belong to the same record.
// Any other level describes code 0.
std::string describe_last(ErrorState& state, ERROR_LVL level, Length length) {
  const tervox::detail::RegistryHold hold;
  if (!hold) return std::string();
  const LevelRecord* const record = state.record(level);
  return render(record, level, record != nullptr ? record->last_code : 0, length);
}

}  // namespace

std::string TervoxError::getShortDescription(ERROR_LVL level, int code) {
  return describe(*m_state, level, code, Length::kShort);
}

std::string TervoxError::getLongDescription(ERROR_LVL level, int code) {
  return describe(*m_state, level, code, Length::kLong);
}

std::string TervoxError::getLastShortDescription(ERROR_LVL level) {
  return describe_last(*m_state, level, Length::kShort);
}

std::string TervoxError::getLastLongDescription(ERROR_LVL level) {
  return describe_last(*m_state, level, Length::kLong);
}

// Error entries carry the catalogue's short text, warning entries its long one; each entry ends
// with one more "\n".
std::string TervoxError::getStackDescriptions(ERROR_LVL level) {
  const tervox::detail::RegistryHold hold;
  const LevelRecord* const record = hold ? m_state->record(level) : nullptr;
  if (record == nullptr) return std::string();
  const Length length = level == LVL_ERROR ? Length::kShort : Length::kLong;
  const std::vector<int>& codes = record->code_stack;
  const std::vector<std::string>& caller_texts = record->short_texts;
  // A host that changed the stack through getStack may have broken the equal lengths: render
  // only the indices both sequences hold, so nothing outside them is ever read.
  const std::size_t entries = std::min(codes.size(), caller_texts.size());
  std::string out;
  out.reserve(entries * 2 * kFrameSize);
  for (std::size_t i = entries; i-- > 1;) {
    append_framed(out, level, codes[i], catalogue_text(codes[i], length), caller_texts[i]);
    out.append("\n");
  }
  return out;
}
