// The logger and the registry as hosts see them, byte for byte. This program's operator new counts
// every allocation, the library's included (not on Windows), and fails the one a test asks for.

#include <gtest/gtest.h>
#include <tervox/TervoxMacros.h>

#include <climits>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "CapturedStream.h"
#include "FailingAllocations.h"

namespace {

using Log = TervoxLogger;

// The level values as hosts built against any version of the header pass them.
const ERROR_LVL kError = ERROR_LVL(0), kWarning = ERROR_LVL(1), kTwo = ERROR_LVL(2);

TervoxError& registry = TervoxError::getInstance();

// "last | stack": getLast, then get of every index from -1 to getStackSize, so that the stack
// shows between two zeros.
std::string queries(ERROR_LVL level) {
  std::string answer = std::to_string(registry.getLast(level)) + " |";
  for (int i = -1; i <= registry.getStackSize(level); ++i)
    answer += " " + std::to_string(registry.get(level, i));
  return answer;
}

// What the first calls of this process found, taken while the program starts, before any test.
const std::string load_state = std::to_string(Log::get_trace_level()) + ", " + queries(kError) +
                               ", " + queries(kWarning) + ", " +
                               registry.getLastShortDescription(kWarning);

// The first calls find the state of load time; then each severity, as the value hosts built
// against any version of the header pass, from the least trace level that writes it.
TEST(Logger, WritesEachSeverityFromItsTraceLevelAsItsLinesWithoutHeapMemory) {
  EXPECT_EQ(load_state, "3, 100 | 0 100 0, 100 | 0 100 0, Warning: Error\n");
  const struct {
    const char* name;
    int level, threshold, line;
    const char *category, *file, *function, *expected;
  } rows[] = {
      {"verbose", 0, 9999, 1, "C", "a", "f", "[C][V] m\n"},
      {"debug", 1, 4, 1, "C", "a", "f", "[C][D] m\n"},
      {"info", 2, 3, 1, "C", "a", "f", "[C] m\n"},
      {"plain", 3, 3, 1, "C", "a", "f", "m\n"},
      {"notice", 4, 3, 1, "C", "a", "f", "[C][*] m\n"},
      {"warning", 5, 2, 42, "C", "a.cpp", "load", "[C][?] [a.cpp, load:42]\n[C][?] m\n"},
      {"error", 6, 1, 42, "C", "a.cpp", "load", "[C][!] [a.cpp, load:42]\n[C][!] m\n"},
      {"no location", 5, 2, 0, "", nullptr, nullptr, "[][?] [, :0]\n[][?] m\n"},
      {"least line", 6, 1, INT_MIN, "C", "a", "f", "[C][!] [a, f:-2147483648]\n[C][!] m\n"},
      {"percent signs", 6, 1, 5, "1%s%%", "%s.c", "%d", "[1%s%%][!] [%s.c, %d:5]\n[1%s%%][!] m\n"},
      {"below 0", -1, INT_MAX, 1, "C", "a", "f", ""},
      {"above 6", 7, INT_MAX, 1, "C", "a", "f", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    CapturedStream trace;
    allocations = 0;
    for (const int trace_level : {row.threshold - 1, row.threshold}) {
      Log::set_trace_level(trace_level);
      EXPECT_TRUE(Log::trace_message(row.category, Log::LogLevel(row.level), row.file, row.function,
                                     row.line, "m"));
    }
#if !defined(_WIN32)
    EXPECT_EQ(allocations, 0);
#endif
    EXPECT_EQ(trace.take(), row.expected);
  }
}

TEST(Logger, FormatsLocatesAndCutsMessages) {
  CapturedStream trace, log(Log::get_process_log_stream());
  const std::string text(30000, 'x'), kept(24999, 'x');
  const std::string at = std::string("[") + __FILE__ + ", " + __func__ + ":";
  const int line = __LINE__ + 1;
  TERVOX_TRACE("IO", Log::LOG_WARNING, "open %s: %d tries (%5.1f%%)", "x.tif", 3, 12.25);
  TERVOX_TRACE("IO", Log::LOG_INFO, "ab%ccd", 0);  // the message ends at the NUL
  Log::trace_message("IO", Log::LOG_PLAIN, "f", "g", 1, "%s", text.c_str());
  // A long file name cuts the location line, and the message follows the cut prefix directly.
  Log::trace_message("IO", Log::LOG_ERROR, text.c_str(), "g", 1, "m");
  // A field width that the host set pads the next line's prefix, and nothing after it.
  Log::get_process_trace_stream()->width(30);
  Log::trace_message("W", Log::LOG_WARNING, "a", "f", 1, "m");
  Log::trace_message("W", Log::LOG_INFO, "a", "f", 1, "n");
  const std::vector<int>& errors = registry.getStack(kError);
  // From here on nothing is traced, yet records are kept and the log takes every message.
  Log::set_trace_level(INT_MIN);
  TERVOX_RECORD_WARNING(306, "a", "b");
  TERVOX_RECORD_ERROR(2933, "c", "d");
  allocations = 0;
  Log::log_message("", "at %d %.1015s", 1, text.c_str());  // a line of 1 KiB needs no heap memory
  [[maybe_unused]] const int allocations_of_1_kib = allocations;
  Log::log_message("50%s", "%s", text.c_str());  // a longer one is put together on the heap
#if !defined(_WIN32)
  EXPECT_EQ(allocations_of_1_kib, 0);
  EXPECT_EQ(allocations, 1);
#endif
  EXPECT_EQ(trace.take(), "[IO][?] " + at + std::to_string(line) +
                              "]\n[IO][?] open x.tif: 3 tries ( 12.2%)\n[IO] ab\n" + kept + "\n" +
                              ("[IO][!] [" + kept).substr(0, 24999) +
                              "m\n       [W][?] [a, f:1]\n[W][?] m\n[W] n\n");
  EXPECT_EQ(log.take(), "[] at 1 " + kept.substr(0, 1015) + "\n[50%s] " + kept + "\n");
  EXPECT_EQ(Log::get_trace_level(), INT_MIN);
  EXPECT_EQ(registry.getLast(kWarning), 306);
  EXPECT_EQ(errors.back(), 2933);  // the stack taken before shows the later record
#if !defined(_WIN32)
  // A formatter error (a wide character that the C locale cannot encode) gives an empty message.
  Log::log_message("E", "ab%ls", L"\u00e9");
  EXPECT_EQ(log.take(), "[E] \n");
#endif
  // A failed line leaves badbit and failbit on every standard library, and the stream takes no
  // more lines until the host clears it.
  log.failing_sync = log.syncs + 2;  // a line syncs at its end and once more
  Log::log_message("IO", "m");
  EXPECT_EQ(Log::get_process_log_stream()->rdstate(), std::ios::badbit | std::ios::failbit);
  Log::log_message("IO", "n");
  EXPECT_EQ(log.take(), "[IO] m\n");
  // An exception that the host asked its stream for passes through.
  Log::get_process_log_stream()->clear();
  Log::get_process_log_stream()->exceptions(std::ios::badbit);
  log.failing_sync = log.syncs + 1;
  EXPECT_THROW(Log::log_message("IO", "m"), std::ios::failure);
}

enum Step { kSetLast, kPush, kClear, kQueries, kShort, kLong, kLastShort, kLastLong, kStack };

// Takes one step and returns its answer; a record's texts are "%s<code>" and "%d", never formats.
std::string act(Step step, ERROR_LVL level, int code) {
  const std::string text = "%s" + std::to_string(code);
  try {
    switch (step) {
      case kSetLast: registry.setLast(level, code, nullptr, "f", 7, text, "%d"); break;
      case kPush: registry.pushOnStack(level, code, text, "%d"); break;
      case kClear: registry.clear(level); break;
      case kQueries: return queries(level);
      case kShort: return registry.getShortDescription(level, code);
      case kLong: return registry.getLongDescription(level, code);
      case kLastShort: return registry.getLastShortDescription(level);
      case kLastLong: return registry.getLastLongDescription(level);
      case kStack: return registry.getStackDescriptions(level);
    }
  } catch (const std::out_of_range& error) {
    return error.what();
  }
  return "";
}

// All a host can read of a level: "last | stack", the newest caller text, the rendered stack.
std::string state_of(ERROR_LVL level) {
  return queries(level) + "\n" + act(kShort, level, 0) + "\n" + act(kStack, level, 0);
}

// Each step is taken after the steps before it from fresh levels, with its first, second, ...
// allocation failing, until it completes; whatever happens, it leaves the other level alone.
TEST(Registry, KeepsAndRendersRecordsAndKeepsNothingWhenMemoryRunsOut) {
  const struct {
    const char* name;
    Step step;
    ERROR_LVL level;
    int code;
    const char* expected;  // the answer, followed by what it traced
  } steps[] = {
      {"record an error", kSetLast, kError, 306,
       "[UNDEF][!] [, f:7]\n[UNDEF][!] [EC :306 ] %s306 - %d\n"},
      {"push an error", kPush, kError, 100, ""},
      {"record a warning", kSetLast, kWarning, 307,
       "[UNDEF][?] [, f:7]\n[UNDEF][?] [EC :307 ] %s307 - %d\n"},
      {"push a warning", kPush, kWarning, 303, ""},
      {"warnings' last and stack", kQueries, kWarning, 0, "307 | 0 100 307 303 0"},
      // The newest caller text follows whatever code is described.
      {"short text of any code", kShort, kError, 0, "[EC : 0] No error\n%s100"},
      {"long text of any code", kLong, kWarning, 201,
       "Warning: The requested memory was not found\n%s303"},
      {"last error, short", kLastShort, kError, 0, "[EC : 306] File not found\n%s100"},
      {"last warning, long", kLastLong, kWarning, 0,
       "Warning: The source file was not found\n%s303"},
      // Newest first, without the first entry; errors with the short text, warnings the long.
      {"errors' stack", kStack, kError, 0,
       "[EC : 100] Error\n%s100\n[EC : 306] File not found\n%s306\n"},
      {"warnings' stack", kStack, kWarning, 0,
       "Warning: The XML file format is not valid\n%s303\n"
       "Warning: The source file was not found\n%s307\n"},
      // Other level values select no record: the bare catalogue text (up to the highest code; the
      // texts themselves are docs/error-codes.md's), 0, and nothing kept.
      {"level -1 renders bare", kLastLong, ERROR_LVL(-1), 0,
       "The program terminated without errors"},
      {"level 2 renders bare", kShort, kTwo, 3004, "NOMINATIM API bad response"},
      {"level 2 keeps nothing", kSetLast, kTwo, 300, ""},
      {"least level keeps nothing", kPush, ERROR_LVL(INT_MIN), 300, ""},
      {"least level holds nothing", kQueries, ERROR_LVL(INT_MIN), 0, "0 | 0 0"},
      // A code missing from the catalogue throws, as a last code and in a stack until cleared.
      {"uncatalogued code recorded", kSetLast, kError, INT_MIN,
       "[UNDEF][!] [, f:7]\n[UNDEF][!] [EC :-2147483648 ] %s-2147483648 - %d\n"},
      {"uncatalogued last code", kLastShort, kError, 0, "invalid map<K, T> key"},
      {"uncatalogued in the stack", kStack, kError, 0, "invalid map<K, T> key"},
      {"clear warnings", kClear, kWarning, 0, ""},
      {"warnings cleared", kQueries, kWarning, 0, "100 | 0 100 0"},
      {"clear errors", kClear, kError, 0, ""},
      {"errors cleared", kLastShort, kError, 0, "[EC : 100] Error\n"},
  };
  registry.init("IO");  // a registry name, which the traced category ignores
  CapturedStream trace;
  for (const auto& row : steps) {
    SCOPED_TRACE(row.name);
    const auto& [name, step, level, code, expected] = row;
    for (int failing = 1;; ++failing) {
      for (const ERROR_LVL fresh : {kError, kWarning}) registry.clear(fresh);
      for (const auto* earlier = steps; earlier != &row; ++earlier)
        act(earlier->step, earlier->level, earlier->code);
      // A full level, so that an append (kSetLast and kPush, the first steps) must grow each of
      // its three sequences.
      const std::vector<int>& stack = registry.getStack(level);
      for (std::size_t room = stack.capacity() - stack.size(); room > 0 && step <= kPush; --room)
        registry.pushOnStack(level, 100, "", "");
      trace.take();
      const ERROR_LVL other = level == kError ? kWarning : kError;
      const std::string before = state_of(level), others = state_of(other);
      allocations = 0, failing_allocation = failing;
      try {
        const std::string answer = act(step, level, code);
        failing_allocation = 0;
        EXPECT_EQ(answer + trace.take() + state_of(other), expected + others);
        break;
      } catch (const std::bad_alloc&) {
        // Nothing is kept, but for the last code of a record whose trace was written.
        failing_allocation = 0;
        const std::string last =
            trace.take().empty() ? before.substr(0, before.find(" |")) : std::to_string(code);
        EXPECT_EQ(state_of(level) + state_of(other),
                  last + before.substr(before.find(" |")) + others)
            << "with allocation " << failing << " failing";
      }
    }
  }
}

}  // namespace
