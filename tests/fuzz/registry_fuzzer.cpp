// Drives random sequences of every public operation, at any level value and any code, and checks
// each result against a small reference model kept here: codes, sizes, last codes, rendered
// texts, the out-of-range exception, and the bytes of trace and log lines.

#include <fuzzer/FuzzedDataProvider.h>
#include <tervox/TervoxError.h>
#include <tervox/TervoxLogger.h>

#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "ErrorCatalogue.h"

namespace {

using tervox::detail::ErrorCatalogue;

void check(bool holds) {
  if (!holds) std::abort();
}

struct ModelLevel {
  int last = 100;
  std::vector<int> codes{100};
  std::vector<std::string> short_texts{""};
};

// A description as hosts must see it, or "!" where the catalogue has no row for the code.
std::string describe(const ModelLevel* level, ERROR_LVL value, int code, bool long_text,
                     const std::string& caller_text, const char* entry_end = "") {
  const auto* row = ErrorCatalogue::find(code);
  if (row == nullptr) return "!";
  const std::string text(long_text ? row->long_text : row->short_text);
  if (level == nullptr) return text;
  const std::string frame = value == LVL_ERROR ? "[EC : " + std::to_string(code) + "] " : "Warning: ";
  return frame + text + "\n" + caller_text + entry_end;
}

std::string describe_stack(const ModelLevel* level, ERROR_LVL value) {
  std::string out;
  for (std::size_t i = level ? level->codes.size() - 1 : 0; i >= 1; --i) {
    const std::string entry = describe(level, value, level->codes[i], value == LVL_WARNING, level->short_texts[i], "\n");
    if (entry == "!") return entry;
    out += entry;
  }
  return out;
}

template <typename Render>
std::string rendered(Render render) {
  try {
    return render();
  } catch (const std::out_of_range& error) {
    check(std::string(error.what()) == "invalid map<K, T> key");
    return "!";
  }
}

// Text as the writers take it: a C string cut at 24,999 bytes.
std::string written(const std::string& text) { return std::string(text.c_str()).substr(0, 24999); }

std::string trace_line(int level, int trace_level, const std::string& category, const std::string& file, int line,
                       const std::string& message) {
  static const char* const prefixes[] = {"[V] ", "[D] ", " ", "", "[*] ", "[?] ", "[!] "};
  static const int thresholds[] = {9999, 4, 3, 3, 3, 2, 1};
  if (level < 0 || level > 6 || trace_level < thresholds[level]) return "";
  const std::string tag = "[" + std::string(category.c_str()) + "]";
  std::string prefix = level == 3 ? "" : tag + prefixes[level];
  if (level >= 5) prefix += "[" + written(file) + ", fn:" + std::to_string(line) + "]\n" + tag + prefixes[level];
  return prefix.substr(0, 24999) + written(message) + "\n";
}

std::string take(std::stringbuf& buffer) {
  std::string text = buffer.str();
  buffer.str("");
  return text;
}

struct Fuzzed {
  FuzzedDataProvider& input;
  ERROR_LVL level() {
    const uint8_t choice = input.ConsumeIntegral<uint8_t>();
    return choice < 100 ? LVL_ERROR : choice < 200 ? LVL_WARNING : static_cast<ERROR_LVL>(input.ConsumeIntegral<int32_t>());
  }
  int code() {  // mostly catalogued codes, sometimes any integer
    if (input.ConsumeBool()) return input.ConsumeIntegral<int32_t>();
    return ErrorCatalogue::begin()[input.ConsumeIntegralInRange<long>(0, ErrorCatalogue::end() - ErrorCatalogue::begin() - 1)].code;
  }
  std::string text(std::size_t longest) { return input.ConsumeRandomLengthString(longest); }
};

void run_one(Fuzzed fuzzed, TervoxError& registry, ModelLevel levels[2], int& trace_level, std::stringbuf& trace,
             std::stringbuf& log) {
  const ERROR_LVL value = fuzzed.level();
  ModelLevel* level = value == LVL_ERROR || value == LVL_WARNING ? &levels[value] : nullptr;
  switch (fuzzed.input.ConsumeIntegralInRange(0, 12)) {
    case 0:
    case 1: {
      const bool traced = fuzzed.input.ConsumeBool();
      const int code = fuzzed.code(), line = fuzzed.input.ConsumeIntegral<int>();
      const std::string short_text = fuzzed.text(64), long_text = fuzzed.text(64), file = fuzzed.text(16);
      if (traced) registry.setLast(value, code, file.c_str(), "fn", line, short_text, long_text);
      if (!traced) registry.pushOnStack(value, code, short_text, long_text);
      const std::string message = "[EC :" + std::to_string(code) + " ] " + short_text + " - " + long_text;
      check(take(trace) == (traced && level ? trace_line(value == LVL_ERROR ? 6 : 5, trace_level, "UNDEF", file, line, message) : ""));
      if (level && traced) level->last = code;
      if (level) level->codes.push_back(code), level->short_texts.push_back(short_text);
      break;
    }
    case 2:
      registry.clear(value);
      if (level) *level = ModelLevel();
      break;
    case 3: {
      const int index = fuzzed.input.ConsumeIntegralInRange(-2, 40);
      const bool inside = level && index >= 0 && index < static_cast<int>(level->codes.size());
      check(registry.getLast(value) == (level ? level->last : 0));
      check(registry.getStackSize(value) == (level ? static_cast<int>(level->codes.size()) : 0));
      check(registry.get(value, index) == (inside ? level->codes[static_cast<std::size_t>(index)] : 0));
      check(registry.getStack(value) == (level ? level->codes : std::vector<int>()));
      break;
    }
    case 4: {
      const int code = fuzzed.code();
      const bool long_text = fuzzed.input.ConsumeBool();
      const std::string caller_text = level ? level->short_texts.back() : "";
      check(rendered([&] { return long_text ? registry.getLongDescription(value, code) : registry.getShortDescription(value, code); }) ==
            describe(level, value, code, long_text, caller_text));
      check(rendered([&] { return long_text ? registry.getLastLongDescription(value) : registry.getLastShortDescription(value); }) ==
            describe(level, value, level ? level->last : 0, long_text, caller_text));
      check(rendered([&] { return registry.getStackDescriptions(value); }) == describe_stack(level, value));
      break;
    }
    case 5: {
      const int log_level = fuzzed.input.ConsumeIntegralInRange(-1, 7);
      const std::string category = fuzzed.text(32), file = fuzzed.text(32), message = fuzzed.text(256);
      TervoxLogger::trace_message(category, static_cast<TervoxLogger::LogLevel>(log_level), file.c_str(), "fn", 9, "%s",
                                  message.c_str());
      check(take(trace) == trace_line(log_level, trace_level, category, file, 9, message));
      TervoxLogger::log_message(category, "%s", message.c_str());
      check(take(log) == "[" + std::string(category.c_str()) + "] " + written(message) + "\n");
      break;
    }
    case 6:
      trace_level = fuzzed.input.ConsumeIntegralInRange(-1, 10000);
      TervoxLogger::set_trace_level(trace_level);
      check(TervoxLogger::get_trace_level() == trace_level);
      break;
    default: registry.init(fuzzed.text(16)); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static std::stringbuf trace, log;
  TervoxLogger::get_process_trace_stream()->std::ios::rdbuf(&trace);
  TervoxLogger::get_process_log_stream()->std::ios::rdbuf(&log);
  TervoxError& registry = TervoxError::getInstance();
  registry.clear(LVL_ERROR);
  registry.clear(LVL_WARNING);
  ModelLevel levels[2];
  int trace_level = 3;
  TervoxLogger::set_trace_level(trace_level);
  FuzzedDataProvider input(data, size);
  while (input.remaining_bytes() > 0) run_one(Fuzzed{input}, registry, levels, trace_level, trace, log);
  return 0;
}
