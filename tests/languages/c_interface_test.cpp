// What the C interface adds to the C++ one: descriptions cut into the caller's buffer, every
// failure as a negative result instead of an exception, and the macros that test the trace level
// before they evaluate their arguments. This program is built with TERVOX_LOG_MIN_LEVEL=2 and its
// operator new fails the allocation a test asks for.

#include <gtest/gtest.h>
#include <tervox/TervoxMacros.h>
#include <tervox/tervox_log.h>

#include <functional>
#include <string>
#include <tuple>

#include "../CapturedStream.h"
#include "../FailingAllocations.h"

namespace {

// Describes into `buffer` with the C function that `call` names.
long long describe(const std::string& call, int level, int code, char* buffer, size_t size) {
  if (call == "short") return tervox_short_description(level, code, buffer, size);
  if (call == "long") return tervox_long_description(level, code, buffer, size);
  if (call == "last long") return tervox_last_long_description(level, buffer, size);
  return tervox_stack_descriptions(level, buffer, size);
}

TEST(CInterface, CutsDescriptionsAsSnprintfAndReportsUnknownCodes) {
  tervox_clear(TERVOX_LVL_ERROR);
  tervox_clear(TERVOX_LVL_WARNING);
  tervox_push(TERVOX_LVL_ERROR, 306, "a.par", "");
  tervox_push(TERVOX_LVL_WARNING, 307, "b", "");
  const std::string short_306 = "[EC : 306] File not found\na.par";
  // The call, level, code and buffer size, then the whole text or the negative result.
  const std::tuple<const char*, int, int, size_t, std::string, long long> rows[] = {
      {"short", 0, 306, 0, short_306, 0},
      {"short", 0, 306, 1, short_306, 0},
      {"short", 0, 306, 32, short_306, 0},
      {"short", 0, 306, 31, short_306, 0},
      {"long", 1, 0, 9, "Warning: The program terminated without errors\nb", 0},
      {"last long", 1, 0, 50, "Warning: An unrecoverable error was encountered\nb", 0},
      {"stack", 2, 0, 4, "", 0},
      {"short", 0, 3005, 8, "", TERVOX_E_UNKNOWN_CODE},
  };
  for (const auto& [call, level, code, size, text, failure] : rows) {
    SCOPED_TRACE(std::string(call) + ", size " + std::to_string(size));
    std::string buffer(64, '#'), expected = buffer;
    if (failure == 0 && size > 0) {
      const std::string kept = text.substr(0, size - 1) + '\0';
      expected.replace(0, kept.size(), kept);
    }
    EXPECT_EQ(describe(call, level, code, buffer.data(), size),
              failure != 0 ? failure : static_cast<long long>(text.size()));
    EXPECT_EQ(buffer, expected);
  }
  EXPECT_EQ(tervox_short_description(0, 306, nullptr, 0), 31);
  EXPECT_EQ(tervox_short_description(0, 306, nullptr, 1), TERVOX_E_INVALID_ARGUMENT);
}

TEST(CInterface, TurnsFailuresIntoNegativeResults) {
  CapturedStream trace;
// On Windows a program's operator new does not reach the library's DLL.
#if !defined(_WIN32)
  const std::string text(2000, 'x');  // a line this long is put together on the heap
  char buffer[8];
  // Each call is made with its first, second, ... allocation failing until it succeeds.
  const std::function<long long()> calls[] = {
      [] { return tervox_record(0, 306, "f", "g", 1, "a long enough short text", ""); },
      [&] { return tervox_trace("IO", TERVOX_LOG_INFO, "f", "g", 1, "%s", text.c_str()); },
      [&] { return tervox_short_description(0, 306, buffer, sizeof buffer); },
  };
  for (const auto& call : calls) {
    const int stacked = tervox_stack_size(0);
    int failing = 1;
    for (long long result; (allocations = 0, failing_allocation = failing, result = call()) < 0;
         ++failing) {
      failing_allocation = 0;
      EXPECT_EQ(result, TERVOX_E_NO_MEMORY)
          << "call " << &call - calls << ", allocation " << failing;
      EXPECT_EQ(tervox_stack_size(0), stacked);
    }
    failing_allocation = 0;
    EXPECT_GT(failing, 1) << "call " << &call - calls << " needed no allocation";
  }
#endif
  // A stream that throws, as the host asked it to, and null strings.
  trace.failing_sync = trace.syncs + 1;
  TervoxLogger::get_process_trace_stream()->exceptions(std::ios::badbit);
  const int stacked = tervox_stack_size(0);
  EXPECT_EQ(tervox_record(0, 306, "f", "g", 1, "a", "b"), TERVOX_E_FAILED);
  EXPECT_EQ(tervox_stack_size(0), stacked);
  EXPECT_EQ(tervox_trace_text(nullptr, 6, "f", "g", 1, "m"), TERVOX_E_INVALID_ARGUMENT);
  EXPECT_EQ(tervox_open_log("/nonexistent/folder/log.txt", 1), TERVOX_E_FAILED);
  EXPECT_EQ(tervox_close_log(), TERVOX_E_FAILED);
}

int evaluations = 0;
int evaluated(int value) { return ++evaluations, value; }

TEST(Macros, EvaluateArgumentsOnlyOfTracesThatAreWrittenAndNoneBelowTheMinimumLevel) {
  // The severity, the trace level, then what each macro writes and whether it evaluated.
  const std::tuple<int, int, const char*, int> rows[] = {
      {TERVOX_LOG_INFO, 3, "[M] 7\n", 1},
      {TERVOX_LOG_INFO, 2, "", 0},
      {TERVOX_LOG_DEBUG, 9999, "", 0},  // below TERVOX_LOG_MIN_LEVEL
  };
  CapturedStream trace;
  for (const auto& [level, trace_level, written, evaluations_expected] : rows) {
    SCOPED_TRACE("severity " + std::to_string(level) + ", trace level " +
                 std::to_string(trace_level));
    tervox_set_trace_level(trace_level);
    EXPECT_EQ(tervox_get_trace_level(), trace_level);
    evaluations = 0;
    TERVOX_TRACE_IF_ENABLED("M", level, "%d", evaluated(7));
    EXPECT_EQ(trace.take(), written);
    TERVOX_TRACE_C("M", level, "%d", evaluated(7));
    EXPECT_EQ(trace.take(), written);
    EXPECT_EQ(evaluations, 2 * evaluations_expected);
  }
}

}  // namespace
