#include <tervox/TervoxError.h>

#include <tervox/TervoxLogger.h>

#include <charconv>
#include <mutex>
#include <new>
#include <utility>

#include "error/ErrorState.h"
#include "error/RecordEntry.h"
#include "error/Recording.h"
#include "error/RegistryStorage.h"
#include "log/TraceLayout.h"
#include "log/Writers.h"

using tervox::detail::ErrorState;
using tervox::detail::LevelRecord;

namespace {

// "[EC :300 ] short - long": the trace keeps its own spacing, unlike the rendered descriptions.
std::string record_text(int code, const std::string& short_text, const std::string& long_text) {
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

}  // namespace

namespace tervox::detail {

struct StateAccess {
  static ErrorState& of(TervoxError& registry) { return *registry.m_state; }
};

void stack_record(RecordEntry& entry) {
  const RegistryHold hold;
  if (!hold) return;
  LevelRecord& record = *entry.state->record(entry.level);
  record.last_code = entry.code;
  append_record(record, entry.code, std::move(entry.short_text), std::move(entry.long_text));
}

// The line is traced in the trace stream's turn and the record stacked before that turn ends, so
// that concurrent records appear in the trace in the order of the stack; the registry's own lock
// is held only for the stacking, so readers never wait for a stream.
LineOutcome record(TervoxError& registry, ERROR_LVL level, int code, const char* file,
                   const char* function, int line, std::string short_text, std::string long_text,
                   TextForm form) {
  if (level != LVL_ERROR && level != LVL_WARNING) return LineOutcome::kFiltered;
  const int severity = level == LVL_ERROR ? TervoxLogger::LOG_ERROR : TervoxLogger::LOG_WARNING;
  const std::string text = record_text(code, short_text, long_text);
  RecordEntry entry{&StateAccess::of(registry), level, code, std::move(short_text),
                    std::move(long_text)};
  return trace_record(severity, file, function, line, text.c_str(), form, entry);
}

}  // namespace tervox::detail

// Created once, under the registry's lock rather than a function-local static's guard: a fork
// takes that lock, so a child never inherits a creation that another thread had begun. Destroyed
// by the library's finaliser (see RegistryStorage).
TervoxError& TervoxError::getInstance() {
  using tervox::detail::registry_storage;
  if (TervoxError* const registry = registry_storage.registry()) return *registry;
  const std::lock_guard<std::mutex> hold(tervox::detail::registry_state_lock());
  if (TervoxError* const registry = registry_storage.registry()) return *registry;
  return *registry_storage.adopt(new (registry_storage.place()) TervoxError());
}

TervoxError::TervoxError() : m_state(std::make_unique<ErrorState>()) {}

TervoxError::~TervoxError() = default;

// Every operation below holds the registry's lock while it reads or changes the state; once the
// library's teardown has begun it does nothing and returns its neutral result (Lifetime.h).

void TervoxError::init(std::string name) {
  const tervox::detail::RegistryHold hold;
  if (hold) m_name = std::move(name);
}

void TervoxError::setLast(ERROR_LVL level, int code, const char* file, const char* function,
                          int line, std::string shortText, std::string longText) {
  tervox::detail::record(*this, level, code, file, function, line, std::move(shortText),
                         std::move(longText), tervox::detail::TextForm::kAsIs);
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
