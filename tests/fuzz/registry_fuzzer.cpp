// Drives random sequences of every public operation, at any level value and any code, and checks
// each result against a small reference model kept here: codes, sizes, last codes, rendered
// texts, the out-of-range exception, and the bytes of trace and log lines.

#include <fuzzer/FuzzedDataProvider.h>
#include <tervox/TervoxError.h>
#include <tervox/TervoxLogger.h>

#include <cstdint>
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

// What one level must hold: its last code, its codes and the caller's short texts.
struct ModelLevel {
  int last = 100;
  std::vector<int> codes{100};
  std::vector<std::string> short_texts{""};
};

struct Model {
  ModelLevel levels[2];
  int trace_level = 3;
  ModelLevel* level(ERROR_LVL value) { return value == 0 || value == 1 ? &levels[value] : nullptr; }
};

// The expected rendering, or "!" where the catalogue has no row for the code.
std::string render(const ModelLevel* level, ERROR_LVL value, int code, bool long_text) {
  const auto* row = ErrorCatalogue::find(code);
  if (row == nullptr) return "!";
  const std::string text(long_text ? row->long_text : row->short_text);
  if (level == nullptr) return text;
  const std::string frame = value == LVL_ERROR ? "[EC : " + std::to_string(code) + "] " : "Warning: ";
  return frame + text + "\n" + level->short_texts.back();
}

std::string render_stack(const ModelLevel* level, ERROR_LVL value) {
  if (level == nullptr) return "";
  std::string out;
  for (std::size_t i = level->codes.size() - 1; i >= 1; --i) {
    const auto* row = ErrorCatalogue::find(level->codes[i]);
    if (row == nullptr) return "!";
    out += value == LVL_ERROR ? "[EC : " + std::to_string(level->codes[i]) + "] " + std::string(row->short_text)
                              : "Warning: " + std::string(row->long_text);
    out += "\n" + level->short_texts[i] + "\n";
  }
  return out;
}

template <typename Render>
std::string actual(Render render_call) {
  try {
    return render_call();
  } catch (const std::out_of_range& error) {
    check(std::string(error.what()) == "invalid map<K, T> key");
    return "!";
  }
}

// Text as a C string sees it, cut at 24,999 bytes.
std::string as_written(const std::string& text) { return std::string(text.c_str()).substr(0, 24999); }

std::string expected_trace(int level, int trace_level, const std::string& category, const std::string& file,
                           const std::string& function, int line, const std::string& message) {
  static const char* const prefixes[] = {"[V] ", "[D] ", " ", "", "[*] ", "[?] ", "[!] "};
  static const int thresholds[] = {9999, 4, 3, 3, 3, 2, 1};
  if (level < 0 || level > 6 || trace_level < thresholds[level]) return "";
  const std::string tag = "[" + std::string(category.c_str()) + "]";
  std::string prefix = level == 3 ? "" : tag + prefixes[level];
  if (level >= 5) {
    prefix += "[" + std::string(file.c_str()) + ", " + std::string(function.c_str()) + ":" +
              std::to_string(line) + "]\n" + tag + prefixes[level];
  }
  return prefix.substr(0, 24999) + as_written(message) + "\n";
}

ERROR_LVL pick_level(FuzzedDataProvider& input) {
  const uint8_t choice = input.ConsumeIntegral<uint8_t>();
  if (choice < 100) return LVL_ERROR;
  if (choice < 200) return LVL_WARNING;
  return static_cast<ERROR_LVL>(input.ConsumeIntegral<int32_t>());
}

int pick_code(FuzzedDataProvider& input) {
  if (input.ConsumeBool()) return input.ConsumeIntegral<int32_t>();
  const auto rows = ErrorCatalogue::end() - ErrorCatalogue::begin();
  return ErrorCatalogue::begin()[input.ConsumeIntegralInRange<long>(0, rows - 1)].code;
}

struct Streams {
  Streams() {
    TervoxLogger::get_process_trace_stream()->std::ios::rdbuf(&trace);
    TervoxLogger::get_process_log_stream()->std::ios::rdbuf(&log);
  }
  std::string take_trace() {
    std::string text = trace.str();
    trace.str("");
    return text;
  }
  std::string take_log() {
    std::string text = log.str();
    log.str("");
    return text;
  }
  std::stringbuf trace;
  std::stringbuf log;
};

void run_one(FuzzedDataProvider& input, TervoxError& registry, Model& model, Streams& streams) {
  const ERROR_LVL value = pick_level(input);
  ModelLevel* level = model.level(value);
  switch (input.ConsumeIntegralInRange(0, 15)) {
    case 0: {
      const int code = pick_code(input);
      const std::string short_text = input.ConsumeRandomLengthString(64);
      const std::string long_text = input.ConsumeRandomLengthString(64);
      const std::string file = input.ConsumeRandomLengthString(16);
      const int line = input.ConsumeIntegral<int32_t>();
      registry.setLast(value, code, file.c_str(), "fn", line, short_text, long_text);
      const std::string traced = "[EC :" + std::to_string(code) + " ] " + short_text + " - " + long_text;
      check(streams.take_trace() == (level ? expected_trace(value == LVL_ERROR ? 6 : 5, model.trace_level, "UNDEF",
                                                           file, "fn", line, traced)
                                           : ""));
      if (level) {
        level->last = code;
        level->codes.push_back(code);
        level->short_texts.push_back(short_text);
      }
      break;
    }
    case 1: {
      const int code = pick_code(input);
      const std::string short_text = input.ConsumeRandomLengthString(64);
      registry.pushOnStack(value, code, short_text, input.ConsumeRandomLengthString(64));
      if (level) {
        level->codes.push_back(code);
        level->short_texts.push_back(short_text);
      }
      break;
    }
    case 2:
      registry.clear(value);
      if (level) *level = ModelLevel();
      break;
    case 3: check(registry.getLast(value) == (level ? level->last : 0)); break;
    case 4: check(registry.getStackSize(value) == (level ? static_cast<int>(level->codes.size()) : 0)); break;
    case 5: {
      const int index = input.ConsumeIntegralInRange(-2, 40);
      const bool inside = level && index >= 0 && index < static_cast<int>(level->codes.size());
      check(registry.get(value, index) == (inside ? level->codes[static_cast<std::size_t>(index)] : 0));
      break;
    }
    case 6: check(registry.getStack(value) == (level ? level->codes : std::vector<int>())); break;
    case 7:
    case 8: {
      const int code = pick_code(input);
      const bool long_text = input.ConsumeBool();
      check(actual([&] { return long_text ? registry.getLongDescription(value, code)
                                          : registry.getShortDescription(value, code); }) ==
            render(level, value, code, long_text));
      break;
    }
    case 9:
    case 10: {
      const bool long_text = input.ConsumeBool();
      check(actual([&] { return long_text ? registry.getLastLongDescription(value)
                                          : registry.getLastShortDescription(value); }) ==
            render(level, value, level ? level->last : 0, long_text));
      break;
    }
    case 11: check(actual([&] { return registry.getStackDescriptions(value); }) == render_stack(level, value)); break;
    case 12: {
      const int log_level = input.ConsumeIntegralInRange(-1, 7);
      const std::string category = input.ConsumeRandomLengthString(32);
      const std::string file = input.ConsumeRandomLengthString(32);
      const std::string message = input.ConsumeRandomLengthString(256);
      TervoxLogger::trace_message(category, static_cast<TervoxLogger::LogLevel>(log_level), file.c_str(), "f", 9,
                                  "%s", message.c_str());
      check(streams.take_trace() == expected_trace(log_level, model.trace_level, category, file, "f", 9, message));
      break;
    }
    case 13: {
      const std::string category = input.ConsumeRandomLengthString(32);
      const std::string message = input.ConsumeRandomLengthString(256);
      TervoxLogger::log_message(category, "%s", message.c_str());
      check(streams.take_log() == "[" + std::string(category.c_str()) + "] " + as_written(message) + "\n");
      break;
    }
    case 14:
      model.trace_level = input.ConsumeIntegralInRange(-1, 10000);
      TervoxLogger::set_trace_level(model.trace_level);
      check(TervoxLogger::get_trace_level() == model.trace_level);
      break;
    default: registry.init(input.ConsumeRandomLengthString(16)); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static Streams streams;
  TervoxError& registry = TervoxError::getInstance();
  Model model;
  registry.clear(LVL_ERROR);
  registry.clear(LVL_WARNING);
  TervoxLogger::set_trace_level(model.trace_level);
  FuzzedDataProvider input(data, size);
  while (input.remaining_bytes() > 0) run_one(input, registry, model, streams);
  return 0;
}
