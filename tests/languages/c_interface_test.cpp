// What the C interface adds to the C++ one: descriptions cut into the caller's buffer, every
// failure as a negative result instead of an exception, and the macros that test the trace level
// before they evaluate their arguments. This program is built with TERVOX_LOG_MIN_LEVEL=2 and its
// operator new fails the allocation a test asks for.

#include <gtest/gtest.h>
#include <tervox/TervoxMacros.h>
#include <tervox/tervox_log.h>

#include <climits>
#include <cstdlib>
#include <functional>
#include <new>
#include <string>

#include "../CapturedStream.h"

static int allocations = 0, failing_allocation = 0;

void* operator new(std::size_t size) {
  if (++allocations == failing_allocation) throw std::bad_alloc();
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

using Describe = std::function<long long(char*, size_t)>;

TEST(CInterface, CutsDescriptionsAsSnprintfAndReportsUnknownCodes) {
  tervox_clear(TERVOX_LVL_ERROR);
  tervox_clear(TERVOX_LVL_WARNING);
  tervox_push(TERVOX_LVL_ERROR, 306, "a.par", "");
  tervox_push(TERVOX_LVL_WARNING, 307, "b", "");
  const std::string short_306 = "[EC : 306] File not found\na.par";
  const std::string last_long = "Warning: An unrecoverable error was encountered\nb";
  const std::string stack = "[EC : 306] File not found\na.par\n";
  // The call and the buffer's size, then the whole text, or the negative result.
  const struct {
    const char* call;
    Describe describe;
    size_t size;
    std::string text;
    long long failure;
  } rows[] = {
      {"short", [](char* b, size_t s) { return tervox_short_description(0, 306, b, s); }, 0,
       short_306, 0},
      {"short", [](char* b, size_t s) { return tervox_short_description(0, 306, b, s); }, 1,
       short_306, 0},
      {"short", [](char* b, size_t s) { return tervox_short_description(0, 306, b, s); }, 32,
       short_306, 0},
      {"short", [](char* b, size_t s) { return tervox_short_description(0, 306, b, s); }, 31,
       short_306, 0},
      {"long", [](char* b, size_t s) { return tervox_long_description(1, 0, b, s); }, 9,
       "Warning: The program terminated without errors\nb", 0},
      {"last short", [](char* b, size_t s) { return tervox_last_short_description(1, b, s); }, 5,
       "Warning: Error\nb", 0},
      {"last long", [](char* b, size_t s) { return tervox_last_long_description(1, b, s); }, 50,
       last_long, 0},
      {"stack", [](char* b, size_t s) { return tervox_stack_descriptions(0, b, s); }, 33, stack, 0},
      {"stack", [](char* b, size_t s) { return tervox_stack_descriptions(0, b, s); }, 3, stack, 0},
      {"stack of no level", [](char* b, size_t s) { return tervox_stack_descriptions(2, b, s); }, 4,
       "", 0},
      {"null buffer", [](char*, size_t s) { return tervox_short_description(0, 306, nullptr, s); },
       0, short_306, 0},
      {"null buffer", [](char*, size_t s) { return tervox_short_description(0, 306, nullptr, s); },
       1, "", TERVOX_E_INVALID_ARGUMENT},
      {"unknown code", [](char* b, size_t s) { return tervox_short_description(0, 3005, b, s); }, 8,
       "", TERVOX_E_UNKNOWN_CODE},
      {"negative code", [](char* b, size_t s) { return tervox_long_description(2, -5, b, s); }, 8,
       "", TERVOX_E_UNKNOWN_CODE},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.call) + ", size " + std::to_string(row.size));
    std::string buffer(64, '#'), expected = buffer;
    if (row.failure == 0 && row.size > 0) {
      const std::string kept = row.text.substr(0, row.size - 1) + '\0';
      expected.replace(0, kept.size(), kept);
    }
    EXPECT_EQ(row.describe(buffer.data(), row.size),
              row.failure != 0 ? row.failure : static_cast<long long>(row.text.size()));
    EXPECT_EQ(buffer, expected);
  }
  // An unknown code recorded last, or stacked, cannot be described until cleared.
  tervox_record(TERVOX_LVL_ERROR, INT_MIN, "f", "g", 1, "a", "b");
  char buffer[8];
  EXPECT_EQ(tervox_last_short_description(0, buffer, sizeof buffer), TERVOX_E_UNKNOWN_CODE);
  EXPECT_EQ(tervox_stack_descriptions(0, buffer, sizeof buffer), TERVOX_E_UNKNOWN_CODE);
  tervox_clear(TERVOX_LVL_ERROR);
  EXPECT_EQ(tervox_stack_descriptions(0, buffer, sizeof buffer), 0);
}

TEST(CInterface, TurnsFailuresIntoNegativeResults) {
#if defined(_WIN32)
  GTEST_SKIP() << "a program's operator new does not reach the library's DLL";
#endif
  const std::string text(2000, 'x');  // a line this long is put together on the heap
  char buffer[8];
  // Each call is made with its first, second, ... allocation failing until it succeeds.
  const std::pair<const char*, std::function<long long()>> calls[] = {
      {"record", [] { return tervox_record(0, 306, "f", "g", 1, "a long enough short text", ""); }},
      {"push", [] { return tervox_push(1, 306, "a long enough short text", "b"); }},
      {"trace",
       [&] { return tervox_trace("IO", TERVOX_LOG_INFO, "f", "g", 1, "%s", text.c_str()); }},
      {"log", [&] { return tervox_log_text("IO", text.c_str()); }},
      {"short", [&] { return tervox_short_description(0, 306, buffer, sizeof buffer); }},
      {"stack", [&] { return tervox_stack_descriptions(0, buffer, sizeof buffer); }},
  };
  CapturedStream trace, log(TervoxLogger::get_process_log_stream());
  for (const auto& [name, call] : calls) {
    const int stacked = tervox_stack_size(0) + tervox_stack_size(1);
    int failing = 1;
    for (long long result; (allocations = 0, failing_allocation = failing, result = call()) < 0;
         ++failing) {
      failing_allocation = 0;
      EXPECT_EQ(result, TERVOX_E_NO_MEMORY) << name << ", allocation " << failing;
      EXPECT_EQ(tervox_stack_size(0) + tervox_stack_size(1), stacked) << name;
    }
    failing_allocation = 0;
    EXPECT_GT(failing, 1) << name << " needed no allocation";
  }
  trace.take();
  // A stream that throws, as the host asked it to, and null strings.
  trace.failing_sync = trace.syncs + 1;
  TervoxLogger::get_process_trace_stream()->exceptions(std::ios::badbit);
  const int stacked = tervox_stack_size(0);
  EXPECT_EQ(tervox_record(0, 306, "f", "g", 1, "a", "b"), TERVOX_E_FAILED);
  EXPECT_EQ(tervox_stack_size(0), stacked);
  EXPECT_EQ(tervox_trace_text(nullptr, 6, "f", "g", 1, "m"), TERVOX_E_INVALID_ARGUMENT);
  EXPECT_EQ(tervox_log(nullptr, "m"), TERVOX_E_INVALID_ARGUMENT);
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
    evaluations = 0;
    TERVOX_TRACE_IF_ENABLED("M", level, "%d", evaluated(7));
    EXPECT_EQ(trace.take(), written);
    TERVOX_TRACE_C("M", level, "%d", evaluated(7));
    EXPECT_EQ(trace.take(), written);
    EXPECT_EQ(evaluations, 2 * evaluations_expected);
  }
}

}  // namespace
