#include <tervox/TervoxError.h>

#include <tervox/TervoxLogger.h>

#include <utility>

#include "ErrorState.h"
#include "TextAssembly.h"

using tervox::detail::ErrorState;
using tervox::detail::LevelRecord;

namespace {

// The category under which every recorded error and warning is traced, whatever init stored.
const char* const kTraceCategory = "UNDEF";

// "[EC :300 ] short - long": the trace keeps its own spacing, unlike the rendered descriptions.
std::string trace_text(int code, const std::string& short_text, const std::string& long_text) {
  const tervox::detail::DecimalText digits(code);
  return tervox::detail::concatenate(
      {"[EC :", digits.view(), " ] ", short_text, " - ", long_text});
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
  static TervoxError registry;
  return registry;
}

TervoxError::TervoxError() : m_state(std::make_unique<ErrorState>()) {}

TervoxError::~TervoxError() = default;

void TervoxError::init(std::string name) { m_name = std::move(name); }

void TervoxError::setLast(ERROR_LVL level, int code, const char* file, const char* function,
                          int line, std::string shortText, std::string longText) {
  if (!ErrorState::selects_record(level)) return;
  const TervoxLogger::LogLevel severity =
      level == LVL_ERROR ? TervoxLogger::LOG_ERROR : TervoxLogger::LOG_WARNING;
  // The text goes through "%s" so that a percent sign in the caller's texts is written as is.
  TervoxLogger::trace_message(kTraceCategory, severity, file, function, line, "%s",
                              trace_text(code, shortText, longText).c_str());
  LevelRecord record = m_state->record(level);
  record.last_code = code;
  append_record(record, code, std::move(shortText), std::move(longText));
}

void TervoxError::pushOnStack(ERROR_LVL level, int code, std::string shortText,
                              std::string longText) {
  if (!ErrorState::selects_record(level)) return;
  append_record(m_state->record(level), code, std::move(shortText), std::move(longText));
}

int TervoxError::getLast(ERROR_LVL level) {
  return ErrorState::selects_record(level) ? m_state->last_code[level] : 0;
}

int TervoxError::getStackSize(ERROR_LVL level) {
  if (!ErrorState::selects_record(level)) return 0;
  return static_cast<int>(m_state->code_stack[level].size());
}

int TervoxError::get(ERROR_LVL level, int index) {
  if (index < 0 || !ErrorState::selects_record(level)) return 0;
  const std::vector<int>& codes = m_state->code_stack[level];
  return static_cast<std::size_t>(index) < codes.size() ? codes[static_cast<std::size_t>(index)]
                                                         : 0;
}

std::vector<int>& TervoxError::getStack(ERROR_LVL level) {
  if (ErrorState::selects_record(level)) return m_state->code_stack[level];
  static std::vector<int> shared_empty_stack;
  return shared_empty_stack;
}

void TervoxError::clear(ERROR_LVL level) {
  if (!ErrorState::selects_record(level)) return;
  LevelRecord record = m_state->record(level);
  record.last_code = tervox::detail::kInitialCode;
  // Each sequence keeps at least one slot, so none of these allocates.
  record.code_stack.assign(1, tervox::detail::kInitialCode);
  record.short_texts.assign(1, std::string());
  record.long_texts.assign(1, std::string());
}
