#include <tervox/TervoxError.h>

#include <tervox/TervoxLogger.h>

#include <charconv>
#include <mutex>
#include <new>
#include <utility>

#include "error/ErrorState.h"
#include "error/RegistryStorage.h"
#include "log/TraceLayout.h"
#include "log/Writers.h"

using tervox::detail::ErrorState;
using tervox::detail::LevelRecord;

namespace {

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
void append_record(LevelRecord& record, int code, std::string short_text, std::string long_text) {
  make_room_for_one(record.code_stack);
  make_room_for_one(record.short_texts);
  make_room_for_one(record.long_texts);
  record.code_stack.push_back(code);
  record.short_texts.push_back(std::move(short_text));
  record.long_texts.push_back(std::move(long_text));
}

// What setLast stacks once its line is traced.
struct PendingRecord {
  tervox::detail::ErrorState* state;
  ERROR_LVL level;
  int code;
  std::string* short_text;
  std::string* long_text;
};

void stack_pending_record(void* context) {
  PendingRecord& pending = *static_cast<PendingRecord*>(context);
  const tervox::detail::RegistryHold hold;
  if (!hold) return;
  LevelRecord& record = *pending.state->record(pending.level);
  record.last_code = pending.code;
  append_record(record, pending.code, std::move(*pending.short_text),
                std::move(*pending.long_text));
}

}  // namespace

TervoxError& TervoxError::getInstance() {
  // Created once, safely against concurrent first calls; destroyed by the library's finaliser
  // (see RegistryStorage), not in the order of first use as a function-local object would be.
  static TervoxError* const registry = tervox::detail::registry_storage.adopt(
      new (tervox::detail::registry_storage.place()) TervoxError());
  return *registry;
}

TervoxError::TervoxError() : m_state(std::make_unique<ErrorState>()) {}

TervoxError::~TervoxError() = default;

// Every operation below holds the registry's lock while it reads or changes the state; once the
// library's teardown has begun it does nothing and returns its neutral result (Lifetime.h).

void TervoxError::init(std::string name) {
  const tervox::detail::RegistryHold hold;
  if (hold) m_name = std::move(name);
}

// The line is traced under the trace stream's lock and the record stacked before that lock is
// released, so that concurrent records appear in the trace in the order of the stack; the
// registry's own lock is held only for the stacking, so readers never wait for a stream.
void TervoxError::setLast(ERROR_LVL level, int code, const char* file, const char* function,
                          int line, std::string shortText, std::string longText) {
  if (level != LVL_ERROR && level != LVL_WARNING) return;
  const int severity = level == LVL_ERROR ? TervoxLogger::LOG_ERROR : TervoxLogger::LOG_WARNING;
  const std::string text = trace_text(code, shortText, longText);
  PendingRecord pending{m_state.get(), level, code, &shortText, &longText};
  tervox::detail::trace_text_then(tervox::detail::kRecordCategory.data(), severity, file, function,
                                  line, text.c_str(), stack_pending_record, &pending);
}

void TervoxError::pushOnStack(ERROR_LVL level, int code, std::string shortText,
                              std::string longText) {
  const tervox::detail::RegistryHold hold;
  LevelRecord* const record = hold ? m_state->record(level) : nullptr;
  if (record != nullptr) append_record(*record, code, std::move(shortText), std::move(longText));
}

int TervoxError::getLast(ERROR_LVL level) {
  const tervox::detail::RegistryHold hold;
  const LevelRecord* const record = hold ? m_state->record(level) : nullptr;
  return record != nullptr ? record->last_code : 0;
}

int TervoxError::getStackSize(ERROR_LVL level) {
  const tervox::detail::RegistryHold hold;
  const LevelRecord* const record = hold ? m_state->record(level) : nullptr;
  return record != nullptr ? static_cast<int>(record->code_stack.size()) : 0;
}

int TervoxError::get(ERROR_LVL level, int index) {
  const tervox::detail::RegistryHold hold;
  const LevelRecord* const record = hold && index >= 0 ? m_state->record(level) : nullptr;
  if (record == nullptr) return 0;
  const std::vector<int>& codes = record->code_stack;
  return static_cast<std::size_t>(index) < codes.size() ? codes[static_cast<std::size_t>(index)]
                                                        : 0;
}

std::vector<int>& TervoxError::getStack(ERROR_LVL level) {
  // The stacks themselves are never replaced, so handing out the reference needs no lock.
  LevelRecord* const record = m_state->record(level);
  return record != nullptr ? record->code_stack : m_state->empty_stack;
}

void TervoxError::clear(ERROR_LVL level) {
  const tervox::detail::RegistryHold hold;
  LevelRecord* const record = hold ? m_state->record(level) : nullptr;
  if (record == nullptr) return;
  record->last_code = tervox::detail::kInitialCode;
  // Each sequence keeps at least one slot, so none of these allocates.
  record->code_stack.assign(1, tervox::detail::kInitialCode);
  record->short_texts.assign(1, std::string());
  record->long_texts.assign(1, std::string());
}
