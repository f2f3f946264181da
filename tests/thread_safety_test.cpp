// The library over a real host's whole life: many threads at once with no lock of the host's
// (every line whole and once, every record stacked, the trace telling the stack's story), the
// trace rotated under them, forks from a busy parent, stream buffers that call back, processes
// appending to one file, records made while the process exits, and threads with small stacks.

#include <gtest/gtest.h>
#include <pthread.h>
#include <tervox/TervoxError.h>
#include <tervox/TervoxLogger.h>
#include <tervox/tervox_log.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "CapturedStream.h"

namespace {

constexpr int kThreads = 8;

void run_together(const std::function<void(int)>& body) {
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) threads.emplace_back(body, t);
  for (std::thread& thread : threads) thread.join();
}

// The files that one of the logger's streams is opened on, in turn, through the library's own
// reopen call (appending, as processes that share a file do), as a host that rotates its trace
// does; what reached them all once closed.
class Files {
 public:
  explicit Files(bool trace) : trace_(trace) { rotate(); }
  void rotate() {
    paths_.push_back(stem_ + std::to_string(paths_.size()));
    EXPECT_TRUE(trace_ ? TervoxLogger::reopen_process_trace_stream(paths_.back().c_str())
                       : TervoxLogger::reopen_process_log_stream(paths_.back().c_str()));
  }
  std::string contents() {
    EXPECT_TRUE(trace_ ? TervoxLogger::close_process_trace_stream()
                       : TervoxLogger::close_process_log_stream());
    std::ostringstream text;
    for (const std::string& path : paths_) {
      text << std::ifstream(path, std::ios::binary).rdbuf();
      text.clear();  // an empty file fails the insertion
      std::remove(path.c_str());
    }
    return text.str();
  }

 private:
  bool trace_;
  std::string stem_ = testing::TempDir() + "tervox_" + std::to_string(std::random_device()()) + ".";
  std::vector<std::string> paths_;
};

// How often each line occurs in `text`.
std::map<std::string, int> entry_counts(const std::string& text) {
  std::map<std::string, int> counts;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) ++counts[line + "\n"];
  return counts;
}

// Caller texts of many lengths, some longer than a stream buffer, each thread's with its own
// padding byte.
std::string text_of(int thread, int record) {
  return std::to_string(record) +
         std::string(1 + record * 17 % 9000, static_cast<char>('a' + thread));
}

// The caller texts of the errors stacked, oldest first.
std::vector<std::string> stacked_texts() {
  std::vector<std::string> texts;
  std::istringstream entries(TervoxError::getInstance().getStackDescriptions(LVL_ERROR));
  for (std::string head, text; std::getline(entries, head) && std::getline(entries, text);)
    texts.insert(texts.begin(), text);
  return texts;
}

std::string lines_of_record(const std::string& text) {
  return "[UNDEF][!] [f.cpp, g:0]\n[UNDEF][!] [EC :306 ] " + text + " - b\n";
}

// The group commit under fire: threads record and log while one of them, as the host, every 16
// records rotates both files, writes a line of its own under a StreamHold and traces one more, and
// every fourth time closes the trace until the next rotation. Each thread's records are stacked
// once and in its order, and the trace holds, between the host's lines, the lines of every record
// whose caller was told they were written, each whole, once and in the order of the stack.
TEST(ThreadSafety, RecordsStackInTraceOrderAndLinesArriveWholeAndOnceWhileTheFilesRotate) {
  constexpr int kRecords = 192;
  const std::string holders = "== rotated\n[H][*] by the holder\n";
  TervoxError::getInstance().clear(LVL_ERROR);
  Files trace(true), log(false);
  std::vector<std::set<std::string>> written(kThreads);
  run_together([&](int t) {
    for (int i = 0; i < kRecords; ++i) {
      const std::string text = text_of(t, i);
      const int result = tervox_record(TERVOX_LVL_ERROR, 306, "f.cpp", "g", 0, text.c_str(), "b");
      if (result == 0) written[t].insert(text);
      EXPECT_TRUE(result == 0 || result == TERVOX_E_NOT_WRITTEN) << result;
      TervoxLogger::log_message("L", "%s", text.c_str());
      TervoxLogger::set_trace_level(3 + i % 2);  // races with the writers' reads of the level
      if (t == 0 && i % 64 == 55) TervoxLogger::close_process_trace_stream();
      if (t != 0 || i % 16 != 15) continue;
      trace.rotate(), log.rotate();
      const TervoxLogger::StreamHold hold(TervoxLogger::get_process_trace_stream());
      *hold.stream() << "== rotated\n";
      TervoxLogger::trace_message("H", TervoxLogger::LOG_NOTICE, "", "", 0, "by the holder");
    }
  });
  std::vector<int> next(kThreads, 0);
  std::string expected_trace, traced;
  std::map<std::string, int> expected_log;
  int in_order = 0, held = 0;
  for (const std::string& text : stacked_texts()) {
    const int t = text.back() - 'a';
    in_order += text == text_of(t, next[t]++);
    if (written[t].count(text)) expected_trace += lines_of_record(text);
    ++expected_log["[L] " + text + "\n"];
  }
  EXPECT_EQ(in_order, kThreads * kRecords)
      << "records lost, repeated or out of their thread's order";
  std::istringstream lines(trace.contents());
  for (std::string located, message;
       std::getline(lines, located) && std::getline(lines, message);) {
    const std::string entry = located + "\n" + message + "\n";
    entry == holders ? ++held : (traced += entry, 0);
  }
  EXPECT_EQ(held, kRecords / 16);
  // Compared as a whole: printing thousands of long lines would bury the failure.
  EXPECT_TRUE(traced == expected_trace) << "torn, lost, repeated, stray or reordered lines";
  EXPECT_TRUE(entry_counts(log.contents()) == expected_log) << "lost, split or stray lines";
}

// A hold takes its turn after the lines queued before it, and no sooner: the host holds the trace
// while four threads queue their records, records one itself, releases and at once holds again.
// The holder's record comes first, the four follow (in one insertion) with their records stacked
// after it, then the next hold's line, written although it comes right after another thread's
// insertion.
TEST(ThreadSafety, HoldsAndRecordsTakeTheirTurnsAndTheNextHolderWritesAtOnce) {
  TervoxError::getInstance().clear(LVL_ERROR);
  CapturedStream trace;
  std::vector<std::thread> threads;
  const auto record = [](const std::string& text) {
    TervoxError::getInstance().setLast(LVL_ERROR, 306, "f.cpp", "g", 0, text, "b");
  };
  {
    const TervoxLogger::StreamHold hold(TervoxLogger::get_process_trace_stream());
    for (int t = 0; t < 4; ++t) threads.emplace_back(record, std::to_string(t));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // they queue meanwhile
    record("held");
  }
  {
    const TervoxLogger::StreamHold next(TervoxLogger::get_process_trace_stream());
    TervoxLogger::trace_message("N", TervoxLogger::LOG_NOTICE, "", "", 0, "next holder");
  }
  for (std::thread& thread : threads) thread.join();
  const std::vector<std::string> texts = stacked_texts();
  std::string expected;
  for (const std::string& text : texts) expected += lines_of_record(text);
  EXPECT_EQ(trace.take(), expected + "[N][*] next holder\n");
}

// Threads that the host leaves running while the process exits: their calls complete or are
// dropped, and none touches the library's objects once they are destroyed (AddressSanitizer
// reports it if one does). Until then every reader races the records (ThreadSanitizer reports one
// that skips the registry's lock).
void trace_record_read_and_clear_for_ever(int t) {
  TervoxError& registry = TervoxError::getInstance();
  for (int i = 0;; ++i) {
    registry.setLast(LVL_ERROR, 306, "w.cpp", "run", i, "a", std::to_string(t));
    [[maybe_unused]] const std::string read =
        std::to_string(registry.getLast(LVL_ERROR) + registry.getStackSize(LVL_ERROR) +
                       registry.get(LVL_ERROR, 1)) +
        registry.getLastShortDescription(LVL_ERROR) + registry.getLastLongDescription(LVL_ERROR) +
        registry.getShortDescription(LVL_ERROR, 306) + registry.getLongDescription(LVL_ERROR, 306) +
        registry.getStackDescriptions(LVL_ERROR);
    if (i % 16 == 0) registry.clear(LVL_ERROR);
  }
}

void exit_while_workers_run() {
  for (int t = 0; t < kThreads; ++t) std::thread(trace_record_read_and_clear_for_ever, t).detach();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::exit(0);
}

TEST(ExitOrder, ExitWhileWorkersTraceRecordReadAndClear) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (int run = 0; run < 5; ++run)
    EXPECT_EXIT(exit_while_workers_run(), testing::ExitedWithCode(0), "") << "run " << run;
}

#if !defined(_WIN32)
// Lines of up to the longest message; libc++'s file buffer hands the C library long lines in 4 KiB
// pieces, so there the one-write promise holds up to that length.
std::string appended_line(int process, int line) {
#if defined(_LIBCPP_VERSION)
  constexpr int kLongest = 4000;
#else
  constexpr int kLongest = 24999;
#endif
  return std::to_string(process) + std::string(line * 2477 % kLongest, 'a');
}

void append_lines(int process, int lines) {
  for (int i = 0; i < lines; ++i)
    TervoxLogger::trace_message("", TervoxLogger::LOG_PLAIN, "", "", 0, "%s",
                                appended_line(process, i % 240).c_str());
}

// Python's multiprocessing and many hosts fork while other threads trace and record: the children
// find every lock free, trace, log and record. The processes of a chain append to one trace: each
// line leaves in a single write, so no other process's line lands inside it.
TEST(Fork, ChildrenOfABusyParentRecordAndAppendToItsTraceWithoutTearingALine) {
  constexpr int kChildren = 4;
  Files trace(true), log(false);
  std::atomic<bool> busy{true};
  std::vector<std::thread> parents;  // two, so that their lines go in batches
  for (int p = 0; p < 2; ++p)
    parents.emplace_back([&busy] {
      while (busy.load()) {
        append_lines(0, 32);
        TervoxError::getInstance().setLast(LVL_WARNING, 306, "p.cpp", "run", 1, "a", "b");
      }
    });
  for (int child = 1; child <= kChildren; ++child) {
    const pid_t pid = fork();
    if (pid == 0) {
      alarm(30);  // a child that hangs dies of it and fails the test
      append_lines(child, 240);
      TervoxLogger::log_message("CHILD", "forked");
      TervoxError::getInstance().setLast(LVL_ERROR, 2800, "c.cpp", "child", 1, "a", "b");
      raise(SIGKILL);  // the parent's memory, kept without its threads, is no leak to check
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "child " << child;
  }
  busy = false;
  for (std::thread& parent : parents) parent.join();
  // A later fork under the host's StreamHold leaves it held: the waiting line comes after the
  // holder's own.
  std::thread waiter;
  {
    const TervoxLogger::StreamHold hold(TervoxLogger::get_process_trace_stream());
    waiter = std::thread(append_lines, 0, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // it queues meanwhile
    const pid_t pid = fork();
    if (pid == 0) raise(SIGKILL);
    waitpid(pid, nullptr, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // it would write now if let
    *hold.stream() << "held" << std::endl;
  }
  waiter.join();
  const std::string traced = trace.contents();
  EXPECT_EQ(traced.substr(traced.size() - 7), "held\n0\n");
  // How often each whole line must be there: the parent's as often as it got round to them (0).
  std::map<std::string, int> whole{{"[UNDEF][?] [p.cpp, run:1]\n", 0},
                                   {"[UNDEF][?] [EC :306 ] a - b\n", 0},
                                   {"[UNDEF][!] [c.cpp, child:1]\n", kChildren},
                                   {"[UNDEF][!] [EC :2800 ] a - b\n", kChildren}};
  for (int process = 0; process <= kChildren; ++process)
    for (int i = 0; i < 240; ++i) whole[appended_line(process, i) + "\n"] += process != 0;
  whole["held\n"] = 1;
  std::map<std::string, int> found = entry_counts(traced);
  for (const auto& [line, count] : found)
    ASSERT_TRUE(whole.count(line)) << "a torn line of " << line.size() << " bytes";
  for (const auto& [line, count] : whole)
    EXPECT_TRUE(count == 0 || found[line] == count) << found[line] << " of " << line.substr(0, 20);
  EXPECT_EQ(entry_counts(log.contents())["[CHILD] forked\n"], kChildren);
}
#endif

// A stream buffer of the host's that, inside the library's write, reads the registry, waits for a
// thread that reads it too, traces and records.
struct CallingBackBuffer : std::stringbuf {
  std::vector<int> last_codes_seen;

  int sync() override {
    std::thread([this] {
      last_codes_seen.push_back(TervoxError::getInstance().getLast(LVL_ERROR));
    }).join();
    TervoxLogger::trace_message("CB", TervoxLogger::LOG_NOTICE, "", "", 0, "dropped");
    TervoxError::getInstance().setLast(LVL_WARNING, 2800, "cb.cpp", "sync", 1, "inside",
                                       "the write");
    return std::stringbuf::sync();
  }
};

TEST(CallBacks, AStreamBufferThatReadsTracesAndRecordsInsideAWrite) {
  TervoxError& registry = TervoxError::getInstance();
  for (ERROR_LVL level : {LVL_ERROR, LVL_WARNING}) registry.clear(level);
  CallingBackBuffer buffer;
  std::ios& trace = *TervoxLogger::get_process_trace_stream();
  std::streambuf* const file_buffer = trace.rdbuf(&buffer);
  registry.setLast(LVL_ERROR, 306, "a.cpp", "save", 7, "out.tif", "disk full");
  trace.rdbuf(file_buffer);
  // The line traced inside the write is dropped; the warning recorded there is stacked, without
  // its line; the record being written is stacked once its line is out.
  EXPECT_EQ(buffer.str(),
            "[UNDEF][!] [a.cpp, save:7]\n[UNDEF][!] [EC :306 ] out.tif - disk full\n");
  EXPECT_EQ(buffer.last_codes_seen, (std::vector<int>{100, 100}));
  EXPECT_EQ(registry.getLast(LVL_WARNING), 2800);
  EXPECT_EQ(registry.getStackSize(LVL_WARNING), 3);
  EXPECT_EQ(registry.getLast(LVL_ERROR), 306);
}

void* trace_long_float(void*) {
  TervoxLogger::trace_message("FP", TervoxLogger::LOG_WARNING, "a.cpp", "load", 42, "%.2000f",
                              1e300);
  return nullptr;
}

// The headers promise that any format works on a thread with 32 KiB of stack; the C library's
// formatter takes a quarter of the stack for a long floating-point conversion.
TEST(SmallStack, AThreadWithThePromisedStackFormatsALongFloat) {
  char digits[2400];
  std::snprintf(digits, sizeof digits, "%.2000f", 1e300);
  Files trace(true);
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  ASSERT_EQ(pthread_attr_setstacksize(&attributes, 32 * 1024), 0);
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attributes, trace_long_float, nullptr), 0);
  pthread_join(thread, nullptr);
  EXPECT_EQ(trace.contents(), std::string("[FP][?] [a.cpp, load:42]\n[FP][?] ") + digits + "\n");
}

}  // namespace
