#include <tervox/TervoxError.h>

#include <tervox/TervoxLogger.h>

#include <charconv>
#include <new>
#include <utility>

#include "../log/TraceLayout.h"
#include "ErrorState.h"
#include "RegistryStorage.h"

using tervox::detail::ErrorState;
using tervox::detail::LevelRecord;

namespace {

using Hold = std::lock_guard<std::mutex>;

// "[EC :300 ] short - long": the trace keeps its own spacing, unlike the rendered descriptions.
std::string trace_text(int code, const std::string& short_text, const std::string& long_text) {
  char digits[11];  // "-2147483648"
  char* const digits_end = std::to_chars(digits, digits + sizeof digits, code).ptr;
  std::string text;
  text.reserve(16 + short_text.size() + long_text.size());
  text.append(tervox::detail::kRecordCodeOpen).append(digits, digits_end);
  text.append(tervox::detail::kRecordCodeClose).append(short_text);
  text.append(tervox::detail::kRecordTextSeparator).append(long_text);
  return text;
}

// Grows geometrically, like push_back, but before anything is appended.
template <typename T>
void make_room_for_one(std::vector<T>& sequence) {
  if (sequence.size() == sequence.capacity()) sequence.reserve(sequence.size() * 2);
}

// Appends one record to the three sequences of a level. All the memory is secured first, so an
// allocation failure leaves the three with equal lengths, and the appends themselves cannot fail.
void append_record(LevelRecord record, int code, std::string short_text, std::string long_text) {
  make_room_for_one(record.code_stack);
  make_room_for_one(record.short_texts);
  make_room_for_one(record.long_texts);
  record.code_stack.push_back(code);
  record.short_texts.push_back(std::move(short_text));
  record.long_texts.push_back(std::move(long_text));
}

}  // namespace

TervoxError& TervoxError::getInstance() {
  // Created once, safely against concurrent first calls; destroyed with the library (see
  // RegistryStorage), not in the order of first use as a function-local object would be.
  static TervoxError* const registry = tervox::detail::registry_storage.adopt(
      new (tervox::detail::registry_storage.place()) TervoxError());
  return *registry;
}

TervoxError::TervoxError() : m_state(std::make_unique<ErrorState>()) {}

TervoxError::~TervoxError() = default;

void TervoxError::init(std::string name) {
  const Hold hold(m_state->lock);
  m_name = std::move(name);
}

void TervoxError::setLast(ERROR_LVL level, int code, const char* file, const char* function,
                          int line, std::string shortText, std::string longText) {
  if (!ErrorState::selects_record(level)) return;
  const TervoxLogger::LogLevel severity =
      level == LVL_ERROR ? TervoxLogger::LOG_ERROR : TervoxLogger::LOG_WARNING;
  const std::string text = trace_text(code, shortText, longText);
  // Tracing under the registry's lock keeps the trace in the order of the stack. The text goes
  // through "%s" so that a percent sign in the caller's texts is written as is.
  const Hold hold(m_state->lock);
  TervoxLogger::trace_message(std::string(tervox::detail::kRecordCategory), severity, file,
                              function, line, "%s", text.c_str());
  LevelRecord record = m_state->record(level);
  record.last_code = code;
  append_record(record, code, std::move(shortText), std::move(longText));
}

void TervoxError::pushOnStack(ERROR_LVL level, int code, std::string shortText,
                              std::string longText) {
  if (!ErrorState::selects_record(level)) return;
  const Hold hold(m_state->lock);
  append_record(m_state->record(level), code, std::move(shortText), std::move(longText));
}

int TervoxError::getLast(ERROR_LVL level) {
  if (!ErrorState::selects_record(level)) return 0;
  const Hold hold(m_state->lock);
  return m_state->last_code[level];
}

int TervoxError::getStackSize(ERROR_LVL level) {
  if (!ErrorState::selects_record(level)) return 0;
  const Hold hold(m_state->lock);
  return static_cast<int>(m_state->code_stack[level].size());
}

int TervoxError::get(ERROR_LVL level, int index) {
  if (index < 0 || !ErrorState::selects_record(level)) return 0;
  const Hold hold(m_state->lock);
  const std::vector<int>& codes = m_state->code_stack[level];
  return static_cast<std::size_t>(index) < codes.size() ? codes[static_cast<std::size_t>(index)]
                                                        : 0;
}

std::vector<int>& TervoxError::getStack(ERROR_LVL level) {
  // The stacks themselves are never replaced, so handing out the reference needs no lock.
  if (ErrorState::selects_record(level)) return m_state->code_stack[level];
  static std::vector<int> shared_empty_stack;
  return shared_empty_stack;
}

void TervoxError::clear(ERROR_LVL level) {
  if (!ErrorState::selects_record(level)) return;
  const Hold hold(m_state->lock);
  LevelRecord record = m_state->record(level);
  record.last_code = tervox::detail::kInitialCode;
  // Each sequence keeps at least one slot, so none of these allocates.
  record.code_stack.assign(1, tervox::detail::kInitialCode);
  record.short_texts.assign(1, std::string());
  record.long_texts.assign(1, std::string());
}
