// What the C interface adds to the C++ one: descriptions cut into the caller's buffer, every
// failure as a negative result instead of an exception, and the macros that test the trace level
// before they evaluate their arguments. This program is built with TERVOX_LOG_MIN_LEVEL=2 and its
// operator new fails the allocation a test asks for.

#include <gtest/gtest.h>
#include <tervox/TervoxMacros.h>
#include <tervox/tervox_log.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include <fcntl.h>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

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
  for (const int level : {TERVOX_LVL_ERROR, TERVOX_LVL_WARNING}) tervox_clear(level);
  tervox_push(TERVOX_LVL_ERROR, 306, "a.par", "");
  tervox_push(TERVOX_LVL_WARNING, 307, "b", "");
  const std::string short_306 = "[EC : 306] File not found\na.par";
  const struct {
    const char *name, *call;
    int level, code, size, failure;
    std::string text;  // the whole text, cut to `size`
  } rows[] = {
      {"no room: the length", "short", 0, 306, 0, 0, short_306},
      {"room for the end only", "short", 0, 306, 1, 0, short_306},
      {"room for all", "short", 0, 306, 32, 0, short_306},
      {"one byte short", "short", 0, 306, 31, 0, short_306},
      {"any code, long", "long", 1, 0, 9, 0, "Warning: The program terminated without errors\nb"},
      {"last long", "last long", 1, 0, 50, 0, "Warning: An unrecoverable error was encountered\nb"},
      {"stack of level 2", "stack", 2, 0, 4, 0, ""},
      {"uncatalogued code", "short", 0, 3005, 8, TERVOX_E_UNKNOWN_CODE, ""},
  };
  for (const auto& [name, call, level, code, size, failure, text] : rows) {
    SCOPED_TRACE(name);
    std::string buffer(64, '#'), expected = buffer;
    if (failure == 0 && size > 0) {
      const std::string kept = text.substr(0, size - 1) + '\0';
      expected.replace(0, kept.size(), kept);
    }
    EXPECT_EQ(describe(call, level, code, buffer.data(), static_cast<size_t>(size)),
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
  const std::pair<const char*, std::function<long long()>> calls[] = {
      {"record", [] { return tervox_record(0, 306, "f", "g", 1, "a long enough short text", ""); }},
      {"trace",
       [&] { return tervox_trace("IO", TERVOX_LOG_INFO, "f", "g", 1, "%s", text.c_str()); }},
      {"describe", [&] { return tervox_short_description(0, 306, buffer, sizeof buffer); }},
  };
  for (const auto& [name, call] : calls) {
    SCOPED_TRACE(name);
    const int stacked = tervox_stack_size(0);
    int failing = 1;
    for (long long result; (allocations = 0, failing_allocation = failing, result = call()) < 0;
         ++failing) {
      failing_allocation = 0;
      EXPECT_EQ(result, TERVOX_E_NO_MEMORY) << "allocation " << failing;
      EXPECT_EQ(tervox_stack_size(0), stacked);
    }
    failing_allocation = 0;
    EXPECT_GT(failing, 1) << "no allocation needed";
  }
#endif
  // Null strings, each answered as the header says, and text cut where a message is.
  int (*const unchecked_log)(const char*, const char*, ...) = tervox_log;
  EXPECT_EQ(unchecked_log("IO", nullptr), TERVOX_E_INVALID_ARGUMENT);
  EXPECT_EQ(tervox_trace_text(nullptr, 6, "f", "g", 1, "m"), TERVOX_E_INVALID_ARGUMENT);
  EXPECT_EQ(tervox_open_trace(nullptr, 1), TERVOX_E_INVALID_ARGUMENT);
  const std::string long_text(30000, 'x');
  trace.take();
  EXPECT_EQ(tervox_trace_text("IO", TERVOX_LOG_PLAIN, "f", "g", 1, long_text.c_str()), 0);
  EXPECT_EQ(tervox_record(0, 306, "f", "g", 1, long_text.c_str(), nullptr), 0);
  EXPECT_EQ(trace.take(), long_text.substr(0, 24999) + "\n[UNDEF][!] [f, g:1]\n[UNDEF][!] " +
                              ("[EC :306 ] " + long_text).substr(0, 24999) + "\n");
  EXPECT_EQ(tervox_open_log("/nonexistent/folder/log.txt", 1), TERVOX_E_FAILED);
  EXPECT_EQ(tervox_close_log(), TERVOX_E_FAILED);
  EXPECT_EQ(tervox_resume_trace(), TERVOX_E_FAILED);  // no file open
}

// A host's stream buffer fails the sync of the next insertion while four threads, two tracing and
// two recording, queue behind a hold. Without an exceptions mask their lines go in one insertion
// and every caller hears that its line was lost, the records stacked all the same; with one, the
// lines go one at a time, the first caller's fails, the failed stream throws for the others and
// for a record made afterwards, and nothing is stacked.
TEST(CInterface, TellsEveryCallerInABatchThatTheHostsBufferFailed) {
  const struct {
    const char* name;
    std::ios::iostate exceptions;
    bool sync_throws;
    int result, stacked, inserted_at_most;  // lines
  } rows[] = {{"no exceptions", std::ios::goodbit, false, TERVOX_E_NOT_WRITTEN, 3, 6},
              {"exceptions, failed sync", std::ios::badbit, false, TERVOX_E_FAILED, 0, 2},
              {"exceptions, sync throws", std::ios::badbit, true, TERVOX_E_FAILED, 0, 2}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    CapturedStream trace;
    trace.sync_throws = row.sync_throws;
    TervoxLogger::get_process_trace_stream()->exceptions(row.exceptions);
    const int stacked = tervox_stack_size(0);
    std::vector<int> results(4);
    std::vector<std::thread> threads;
    {
      const TervoxLogger::StreamHold hold(TervoxLogger::get_process_trace_stream());
      for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &results] {
          results[t] = t % 2 == 0 ? tervox_record(0, 306, "f", "g", t, "a", "b")
                                  : tervox_trace("IO", TERVOX_LOG_INFO, "f", "g", 1, "%d", t);
        });
      std::this_thread::sleep_for(std::chrono::milliseconds(50));  // they queue meanwhile
      trace.failing_sync = trace.syncs + 1;
    }
    for (std::thread& thread : threads) thread.join();
    results.push_back(tervox_record(0, 306, "f", "g", 5, "a", "b"));  // on its own, stream failed
    EXPECT_EQ(results, std::vector<int>(5, row.result));
    EXPECT_EQ(tervox_stack_size(0), stacked + row.stacked);
    const std::string inserted = trace.take();
    EXPECT_LE(std::count(inserted.begin(), inserted.end(), '\n'), row.inserted_at_most);
  }
}

#if !defined(_WIN32)
std::string scratch_path(const char* name) {
  return testing::TempDir() + "tervox_" + name + "_" + std::to_string(getpid());
}

std::string contents_of(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

// Opening a file is a cancellation point inside the library: the unwinding passes through it.
void* trace_until_cancelled(void* log_path) {
  const std::string text(20000, 'w');
  for (;;) {
    tervox_trace_text("W", TERVOX_LOG_INFO, "", "", 0, text.c_str());
    tervox_open_log(static_cast<const char*>(log_path), 1);
    pthread_testcancel();
  }
}

// C and Fortran codes stop their workers with pthread_cancel: a worker cancelled while it writes
// a line writes it whole or not at all, and the stream goes on for everyone else.
TEST(CInterface, AWriterCancelledMidLineHarmsNoOne) {
#if defined(_LIBCPP_VERSION)
  // Debian's libc++abi unwinds with LLVM's libunwind and glibc's cancellation with libgcc's: the
  // two cannot unwind one thread's C++ frames together, the test's own included.
  GTEST_SKIP() << "a cancelled thread's C++ frames cannot be unwound with this libc++";
#endif
  const std::string path = scratch_path("cancel");
  std::string log_path = path + ".log";
  ASSERT_EQ(tervox_open_trace(path.c_str(), 0), 0);
  constexpr int kRuns = 20;
  for (int run = 0; run < kRuns; ++run) {
    pthread_t worker;
    ASSERT_EQ(pthread_create(&worker, nullptr, trace_until_cancelled, log_path.data()), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    pthread_cancel(worker);
    pthread_join(worker, nullptr);
    EXPECT_EQ(tervox_trace_text("M", TERVOX_LOG_INFO, "", "", 0, "after"), 0) << "run " << run;
  }
  ASSERT_EQ(tervox_close_trace(), 0);
  std::istringstream lines(contents_of(path));
  int afters = 0;
  for (std::string line; std::getline(lines, line);) {
    afters += line == "[M] after";
    EXPECT_TRUE(line == "[M] after" || line == "[W] " + std::string(20000, 'w'))
        << "a torn line of " << line.size() << " bytes";
  }
  EXPECT_EQ(afters, kRuns);
  tervox_close_log();
  std::remove(path.c_str());
  std::remove(log_path.c_str());
}

// A multiprocessing job forks right after start, while worker threads make the process's first
// calls: here a child is forked while another thread is midway through creating the registry.
void fork_while_the_registry_is_created() {
  std::thread creator([] {
    slow_allocation = 1;
    tervox_clear(TERVOX_LVL_ERROR);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  int answer[2];
  if (pipe(answer) != 0) std::_Exit(3);
  const pid_t child = fork();
  if (child == 0) {
    alarm(10);  // a child that hangs dies of it, and answers nothing
    const char pushed = tervox_push(TERVOX_LVL_ERROR, 306, "a", "b") == 0 ? 'y' : 'n';
    if (write(answer[1], &pushed, 1) == 1) raise(SIGKILL);  // no exit checks of a copied process
  }
  close(answer[1]);
  creator.join();
  char pushed = 0;
  waitpid(child, nullptr, 0);
  std::_Exit(read(answer[0], &pushed, 1) == 1 && pushed == 'y' ? 0 : 2);
}

TEST(Fork, TheFirstCallsOfAProcessMeetAForkAndTheChildGoesOn) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(fork_while_the_registry_is_created(), testing::ExitedWithCode(0), "");
}
#endif

#if defined(__linux__)
// What `append` means; the files the library opens always append, so a copytruncate rotation
// leaves no hole, and are kept from the host's child processes.
TEST(CInterface, OpensFilesAppendingAndCloseOnExec) {
  for (const bool log : {false, true}) {
    const std::string path = scratch_path(log ? "log" : "trace"), prefix = log ? "[L] " : "";
    const auto write = [log](const char* text) {
      return log ? tervox_log_text("L", text)
                 : tervox_trace_text("", TERVOX_LOG_PLAIN, "", "", 0, text);
    };
    for (const int append : {0, 1}) {
      SCOPED_TRACE(std::string(log ? "log" : "trace") + (append ? ", appending" : ", emptied"));
      std::ofstream(path) << "before\n";
      ASSERT_EQ(
          log ? tervox_open_log(path.c_str(), append) : tervox_open_trace(path.c_str(), append), 0);
      EXPECT_EQ(write("one"), 0);
      EXPECT_EQ(contents_of(path), (append ? "before\n" : "") + prefix + "one\n");
      ASSERT_EQ(truncate(path.c_str(), 0), 0);  // as logrotate's copytruncate does
      EXPECT_EQ(write("two"), 0);
      EXPECT_EQ(contents_of(path), prefix + "two\n");
      int descriptors = 0;  // of the path: one, close-on-exec
      for (int descriptor = 0; descriptor < 1024; ++descriptor) {
        char target[512] = {};
        const std::string link = "/proc/self/fd/" + std::to_string(descriptor);
        if (readlink(link.c_str(), target, sizeof target - 1) > 0 && target == path)
          descriptors += fcntl(descriptor, F_GETFD) & FD_CLOEXEC ? 1 : 100;
      }
      EXPECT_EQ(descriptors, 1);
      std::remove(path.c_str());
    }
  }
  EXPECT_EQ(tervox_close_trace(), 0);
  EXPECT_EQ(tervox_close_log(), 0);
}
#endif

int evaluations = 0;
int evaluated(int value) { return ++evaluations, value; }

TEST(Macros, EvaluateArgumentsOnlyOfTracesThatAreWrittenAndNoneBelowTheMinimumLevel) {
  const struct {
    const char *name, *written;  // what each macro writes
    int level, trace_level, evaluations_expected;
  } rows[] = {{"written", "[M] 7\n", TERVOX_LOG_INFO, 3, 1},
              {"left out by the trace level", "", TERVOX_LOG_INFO, 2, 0},
              {"below TERVOX_LOG_MIN_LEVEL", "", TERVOX_LOG_DEBUG, 9999, 0}};
  CapturedStream trace;
  for (const auto& [name, written, level, trace_level, evaluations_expected] : rows) {
    SCOPED_TRACE(name);
    tervox_set_trace_level(trace_level);
    EXPECT_EQ(tervox_get_trace_level(), trace_level);
    for (int l = -1; l <= 7; ++l) EXPECT_EQ(tervox_trace_passes(l), tervox_trace_enabled(l)) << l;
    evaluations = 0;
    TERVOX_TRACE_IF_ENABLED("M", level, "%d", evaluated(7));
    EXPECT_EQ(trace.take(), written);
    TERVOX_TRACE_C("M", level, "%d", evaluated(7));
    EXPECT_EQ(trace.take(), written);
    EXPECT_EQ(evaluations, 2 * evaluations_expected);
  }
}

}  // namespace
