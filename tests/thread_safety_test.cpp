// The library over a real host's whole life: many threads at once with no lock of the host's
// (every line whole and once, every record stacked, the trace telling the stack's story), the
// trace rotated under them, forks from a busy parent, stream buffers that call back, processes
// appending to one file, records made while the process exits, and threads with small stacks.

#include <gtest/gtest.h>
#include <pthread.h>
#include <tervox/TervoxError.h>
#include <tervox/TervoxLogger.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

constexpr int kThreads = 8;

template <typename Body>
void run_together(Body body) {
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
    EXPECT_TRUE(trace_ ? TervoxLogger::reopen_process_trace_stream(path().c_str())
                       : TervoxLogger::reopen_process_log_stream(path().c_str()));
  }
  const std::string& path() const { return paths_.back(); }
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

// How often each run of `lines_per_entry` lines occurs in `text`.
std::map<std::string, int> entry_counts(const std::string& text, int lines_per_entry = 1) {
  std::map<std::string, int> counts;
  std::istringstream lines(text);
  int lines_in_entry = 0;
  for (std::string entry, line; std::getline(lines, line);) {
    entry += line + "\n";
    if (++lines_in_entry == lines_per_entry) ++counts[entry], entry.clear(), lines_in_entry = 0;
  }
  return counts;
}

// Lines of many lengths, some longer than a stream buffer, each with its own padding byte.
std::string text_of(int thread, int line) {
  return std::to_string(line) + std::string(line * 17 % 9000, static_cast<char>('a' + thread));
}

// The host rotates both files every half millisecond meanwhile: every line goes whole to one file
// or the next, none is lost.
TEST(ThreadSafety, ConcurrentLinesArriveWholeAndOnceWhileTheFilesRotate) {
  constexpr int kLines = 400;
  Files trace(true), log(false);
  std::map<std::string, int> expected_trace, expected_log;
  for (int t = 0; t < kThreads; ++t)
    for (int i = 0; i < kLines; ++i) {
      const std::string tag = std::to_string(t) + "]";
      ++expected_trace["[T" + tag + "[?] [f.cpp, g:" + std::to_string(i) + "]\n[T" + tag + "[?] " +
                       text_of(t, i) + "\n"];
      ++expected_log["[L" + tag + " " + text_of(t, i) + "\n"];
    }
  // Each time, the host also writes a line of its own under a StreamHold and traces one more.
  std::atomic<bool> writing{true};
  std::thread rotator([&] {
    for (; writing.load(); std::this_thread::sleep_for(std::chrono::microseconds(500))) {
      trace.rotate(), log.rotate();
      const TervoxLogger::StreamHold hold(TervoxLogger::get_process_trace_stream());
      *hold.stream() << "== rotated\n";
      TervoxLogger::trace_message("H", TervoxLogger::LOG_NOTICE, "", "", 0, "by the holder");
      ++expected_trace["== rotated\n[H][*] by the holder\n"];
    }
  });
  run_together([](int t) {
    for (int i = 0; i < kLines; ++i) {
      TervoxLogger::trace_message("T" + std::to_string(t), TervoxLogger::LOG_WARNING, "f.cpp", "g",
                                  i, "%s", text_of(t, i).c_str());
      TervoxLogger::log_message("L" + std::to_string(t), "%s", text_of(t, i).c_str());
      TervoxLogger::set_trace_level(3 + i % 2);  // races with the writers' reads of the level
    }
  });
  writing = false;
  rotator.join();
  EXPECT_GT(expected_trace["== rotated\n[H][*] by the holder\n"], 2);
  // Compared as a whole: printing thousands of long lines would bury the failure.
  EXPECT_TRUE(entry_counts(trace.contents(), 2) == expected_trace) << "lost, split or stray lines";
  EXPECT_TRUE(entry_counts(log.contents()) == expected_log) << "lost, split or stray lines";
}

TEST(ThreadSafety, ConcurrentRecordsAreAllStackedInTraceOrder) {
  constexpr int kRecords = 150;
  TervoxError& registry = TervoxError::getInstance();
  for (ERROR_LVL level : {LVL_ERROR, LVL_WARNING}) registry.clear(level);
  Files trace(true);
  run_together([&registry](int t) {
    const ERROR_LVL level = t % 2 == 0 ? LVL_ERROR : LVL_WARNING;
    for (int i = 0; i < kRecords; ++i) {
      registry.setLast(level, 306, "f.cpp", "g", i, std::to_string(t * kRecords + i), "b");
    }
  });
  // Each level's caller texts, oldest first, as the trace and as the stack tell them.
  std::map<ERROR_LVL, std::string> traced, stacked;
  std::istringstream lines(trace.contents());
  for (std::string line; std::getline(lines, line);)
    if (line.find("[EC :306 ] ") == 11) traced[ERROR_LVL(line[8] == '?')] += line.substr(22) + "\n";
  for (ERROR_LVL level : {LVL_ERROR, LVL_WARNING}) {
    std::istringstream entries(registry.getStackDescriptions(level));
    for (std::string head, caller; std::getline(entries, head) && std::getline(entries, caller);)
      stacked[level].insert(0, caller + " - b\n");
    EXPECT_EQ(registry.getStackSize(level), 1 + kThreads / 2 * kRecords);
    EXPECT_TRUE(traced[level] == stacked[level]) << "the trace and the stack differ";
  }
}

void record_at_exit(ERROR_LVL level, const char* who) {
  TervoxError::getInstance().setLast(level, 306, "exit.cpp", who, 1, who, "at exit");
  std::cerr << who << ": " << TervoxError::getInstance().getLastShortDescription(level) << "\n";
}

struct HostStatic {
  ~HostStatic() { record_at_exit(LVL_ERROR, "host static"); }
};

void set_up_then_exit() {
  std::atexit([] { record_at_exit(LVL_WARNING, "atexit handler"); });
  static HostStatic host_static;
  TervoxError::getInstance().setLast(LVL_ERROR, 300, "main.cpp", "main", 1, "first use", "");
  std::exit(0);
}

// The registry lives until the library is unloaded, not in the order of first use.
TEST(ExitOrder, HostStaticsAndAtexitHandlersRecordAfterTheFirstUse) {
  // A fresh process, in which the registry is first used after the static and the handler.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(set_up_then_exit(), testing::ExitedWithCode(0),
              "^host static: \\[EC : 306\\] File not found\nhost static\n"
              "atexit handler: Warning: File not found\natexit handler\n$");
}

// Threads that the host leaves running while the process exits: their calls complete or are
// dropped, and none touches the library's objects once they are destroyed (AddressSanitizer
// reports it if one does).
void trace_record_and_clear_for_ever(int t) {
  for (int i = 0;; ++i) {
    TervoxError::getInstance().setLast(LVL_ERROR, 306, "w.cpp", "run", i, "a", std::to_string(t));
    TervoxError::getInstance().getStackDescriptions(LVL_ERROR);
    if (i % 16 == 0) TervoxError::getInstance().clear(LVL_ERROR);
  }
}

void exit_while_workers_run() {
  for (int t = 0; t < kThreads; ++t) std::thread(trace_record_and_clear_for_ever, t).detach();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::exit(0);
}

TEST(ExitOrder, ExitWhileWorkersTraceRecordAndClear) {
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
  std::thread parent([&busy] {
    while (busy.load()) {
      append_lines(0, 32);
      TervoxError::getInstance().setLast(LVL_WARNING, 306, "p.cpp", "run", 1, "a", "b");
    }
  });
  for (int child = 1; child <= kChildren; ++child) {
    const pid_t pid = fork();
    if (pid == 0) {
      alarm(30);  // a child that hangs dies of it and fails the test
      TervoxLogger::reopen_process_trace_stream(trace.path().c_str());
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
  parent.join();
  // How often each whole line must be there: the parent's as often as it got round to them (0).
  std::map<std::string, int> whole{{"[UNDEF][?] [p.cpp, run:1]\n", 0},
                                   {"[UNDEF][?] [EC :306 ] a - b\n", 0},
                                   {"[UNDEF][!] [c.cpp, child:1]\n", kChildren},
                                   {"[UNDEF][!] [EC :2800 ] a - b\n", kChildren}};
  for (int process = 0; process <= kChildren; ++process)
    for (int i = 0; i < 240; ++i) whole[appended_line(process, i) + "\n"] += process != 0;
  std::map<std::string, int> found = entry_counts(trace.contents());
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
