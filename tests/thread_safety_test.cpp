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

// Opens one of the logger's streams on a file of this process and test, as a host would, so that
// the threads meet in the stream's own file buffer; returns what reached the file once closed.
class ScratchFile {
 public:
  explicit ScratchFile(std::fstream* stream, const char* kind)
      : stream_(stream),
        path_(testing::TempDir() + "tervox_" + std::to_string(std::random_device()()) + kind) {
    stream_->open(path_, std::ios::out | std::ios::trunc | std::ios::binary);
  }
  ~ScratchFile() { std::remove(path_.c_str()); }
  std::string contents() {
    stream_->close();
    std::ostringstream text;
    text << std::ifstream(path_, std::ios::binary).rdbuf();
    return text.str();
  }

 private:
  std::fstream* stream_;
  std::string path_;
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

TEST(ThreadSafety, ConcurrentLinesArriveWholeAndOnce) {
  constexpr int kLines = 400;
  ScratchFile trace(TervoxLogger::get_process_trace_stream(), ".trace");
  ScratchFile log(TervoxLogger::get_process_log_stream(), ".log");
  std::map<std::string, int> expected_trace, expected_log;
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < kLines; ++i) {
      const std::string tag = std::to_string(t) + "]";
      ++expected_trace["[T" + tag + "[?] [f.cpp, g:" + std::to_string(i) + "]\n[T" + tag + "[?] " +
                       text_of(t, i) + "\n"];
      ++expected_log["[L" + tag + " " + text_of(t, i) + "\n"];
    }
  }
  run_together([](int t) {
    for (int i = 0; i < kLines; ++i) {
      TervoxLogger::trace_message("T" + std::to_string(t), TervoxLogger::LOG_WARNING, "f.cpp", "g",
                                  i, "%s", text_of(t, i).c_str());
      TervoxLogger::log_message("L" + std::to_string(t), "%s", text_of(t, i).c_str());
      TervoxLogger::set_trace_level(3 + i % 2);  // races with the writers' reads of the level
    }
  });
  // Compared as a whole: printing thousands of long lines would bury the failure.
  EXPECT_TRUE(entry_counts(trace.contents(), 2) == expected_trace) << "lost, split or stray lines";
  EXPECT_TRUE(entry_counts(log.contents()) == expected_log) << "lost, split or stray lines";
}

TEST(ThreadSafety, ConcurrentRecordsAreAllStackedInTraceOrder) {
  constexpr int kRecords = 150;
  TervoxError& registry = TervoxError::getInstance();
  for (ERROR_LVL level : {LVL_ERROR, LVL_WARNING}) registry.clear(level);
  ScratchFile trace(TervoxLogger::get_process_trace_stream(), ".trace");
  run_together([&registry](int t) {
    const ERROR_LVL level = t % 2 == 0 ? LVL_ERROR : LVL_WARNING;
    for (int i = 0; i < kRecords; ++i) {
      registry.setLast(level, 306, "f.cpp", "g", i, std::to_string(t * kRecords + i), "b");
      // Readers and renderers run against the writers of the other threads.
      EXPECT_EQ(registry.getShortDescription(LVL_WARNING, 0).substr(0, 18), "Warning: No error\n");
      registry.getStackDescriptions(level == LVL_ERROR ? LVL_WARNING : LVL_ERROR);
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
    EXPECT_EQ(entry_counts(stacked[level]).size(), std::size_t{kThreads / 2 * kRecords});
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
    TervoxLogger::trace_message("W", TervoxLogger::LOG_WARNING, "w.cpp", "run", i, "%d", t);
    TervoxError::getInstance().setLast(LVL_ERROR, 306, "w.cpp", "run", i, "a", "b");
    TervoxError::getInstance().getStackDescriptions(LVL_ERROR);
    if (i % 16 == 0) TervoxError::getInstance().clear(LVL_ERROR);
  }
}

void exit_while_workers_run(const std::string& trace_path) {
  TervoxLogger::reopen_process_trace_stream(trace_path.c_str(), false);
  for (int t = 0; t < kThreads; ++t) std::thread(trace_record_and_clear_for_ever, t).detach();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::exit(0);
}

TEST(ExitOrder, ExitWhileWorkersTraceRecordAndClear) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // What reaches the file is not looked at, so runs of other builds may share it.
  const std::string path = testing::TempDir() + "tervox_exit_with_workers.trace";
  for (int run = 0; run < 5; ++run)
    EXPECT_EXIT(exit_while_workers_run(path), testing::ExitedWithCode(0), "") << "run " << run;
  std::remove(path.c_str());
}

// The host rotates its trace while other threads trace: every line goes whole to one file or the
// next, none is lost.
TEST(Rotation, ReopeningTheTraceUnderTracingThreadsLosesNoLine) {
  constexpr int kWriters = 4, kLines = 1500;
  const std::string stem =
      testing::TempDir() + "tervox_rotation_" + std::to_string(std::random_device()());
  std::vector<std::string> paths{stem + ".0"};
  ASSERT_TRUE(TervoxLogger::reopen_process_trace_stream(paths[0].c_str(), false));
  std::atomic<int> writing{kWriters};
  std::thread rotator([&] {
    while (writing.load() > 0) {
      paths.push_back(stem + "." + std::to_string(paths.size()));
      EXPECT_TRUE(TervoxLogger::reopen_process_trace_stream(paths.back().c_str(), false));
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
  });
  std::map<std::string, int> expected;
  std::vector<std::thread> writers;
  for (int t = 0; t < kWriters; ++t) {
    for (int i = 0; i < kLines; ++i) ++expected["[R] " + text_of(t, i % 700) + "\n"];
    writers.emplace_back([&writing, t] {
      for (int i = 0; i < kLines; ++i)
        TervoxLogger::trace_message("R", TervoxLogger::LOG_INFO, "", "", 0, "%s",
                                    text_of(t, i % 700).c_str());
      --writing;
    });
  }
  for (std::thread& writer : writers) writer.join();
  rotator.join();
  EXPECT_TRUE(TervoxLogger::close_process_trace_stream());
  EXPECT_FALSE(TervoxLogger::close_process_trace_stream()) << "closed twice";
  std::string all;
  for (const std::string& path : paths) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    all += text.str();
    std::remove(path.c_str());
  }
  EXPECT_GT(paths.size(), 2u);
  EXPECT_TRUE(entry_counts(all) == expected) << "lost, split or stray lines";
}

#if !defined(_WIN32)
// Python's multiprocessing and many hosts fork while other threads trace and record; the child
// must find every lock free.
TEST(Fork, AChildOfABusyParentTracesLogsAndRecords) {
  ScratchFile trace(TervoxLogger::get_process_trace_stream(), ".trace");
  ScratchFile log(TervoxLogger::get_process_log_stream(), ".log");
  std::atomic<bool> busy{true};
  std::vector<std::thread> workers;
  for (int t = 0; t < 4; ++t) {
    workers.emplace_back([&busy, t] {
      for (int i = 0; busy.load(); ++i) {
        TervoxLogger::trace_message("P", TervoxLogger::LOG_INFO, "", "", 0, "%s",
                                    text_of(t, i % 300).c_str());
        TervoxLogger::log_message("P", "%d", i);
        TervoxError::getInstance().setLast(LVL_WARNING, 306, "p.cpp", "run", i, "a", "b");
      }
    });
  }
  constexpr int kChildren = 20;
  for (int child = 0; child < kChildren; ++child) {
    const pid_t pid = fork();
    if (pid == 0) {
      alarm(10);  // a child that hangs dies of it and fails the test
      TervoxLogger::log_message("CHILD", "forked");
      TervoxError::getInstance().setLast(LVL_ERROR, 2800, "c.cpp", "child", 1, "a", "b");
      TervoxLogger::trace_message("CHILD", TervoxLogger::LOG_NOTICE, "", "", 0, "recorded %d",
                                  TervoxError::getInstance().getLast(LVL_ERROR));
      raise(SIGKILL);  // the parent's memory, kept without its threads, is no leak to check
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "child " << child;
  }
  busy = false;
  for (std::thread& worker : workers) worker.join();
  EXPECT_EQ(entry_counts(trace.contents())["[CHILD][*] recorded 2800\n"], kChildren);
  EXPECT_EQ(entry_counts(log.contents())["[CHILD] forked\n"], kChildren);
}

// Processes of one chain append to one trace: each line leaves in a single write, so no other
// process's line lands inside it. libc++'s file buffer hands the C library long lines in 4 KiB
// pieces, so there the promise holds up to that length.
TEST(SeveralProcesses, AppendingToOneFileNeverTearsALine) {
#if defined(_LIBCPP_VERSION)
  constexpr int kLongest = 4000;
#else
  constexpr int kLongest = 24999;
#endif
  constexpr int kProcesses = 2, kWriters = 4, kLines = 60;
  const std::string path =
      testing::TempDir() + "tervox_append_" + std::to_string(std::random_device()());
  auto line_of = [](int p, int t, int i) {
    return std::to_string(p) + std::string((i * 2477 + t * 911) % kLongest, char('a' + t));
  };
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t pid = fork();
    if (pid == 0) {
      alarm(30);
      TervoxLogger::reopen_process_trace_stream(path.c_str(), true);
      std::vector<std::thread> writers;
      for (int t = 0; t < kWriters; ++t) {
        writers.emplace_back([&line_of, p, t] {
          for (int i = 0; i < kLines; ++i)
            TervoxLogger::trace_message("", TervoxLogger::LOG_PLAIN, "", "", 0, "%s",
                                        line_of(p, t, i).c_str());
        });
      }
      for (std::thread& writer : writers) writer.join();
      _exit(0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::map<std::string, int> expected;
  for (int p = 0; p < kProcesses; ++p)
    for (int t = 0; t < kWriters; ++t)
      for (int i = 0; i < kLines; ++i) ++expected[line_of(p, t, i) + "\n"];
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  std::remove(path.c_str());
  EXPECT_TRUE(entry_counts(text.str()) == expected) << "torn lines";
}
#endif

// A stream buffer of the host's that, inside the library's write, reads the registry, waits for a
// thread that reads it too, traces and records.
class CallingBackBuffer : public std::stringbuf {
 public:
  std::vector<int> last_codes_seen;

 protected:
  int sync() override {
    if (calling_back_) return std::stringbuf::sync();
    calling_back_ = true;
    TervoxError& registry = TervoxError::getInstance();
    std::thread ui([this, &registry] { last_codes_seen.push_back(registry.getLast(LVL_ERROR)); });
    ui.join();
    TervoxLogger::trace_message("CB", TervoxLogger::LOG_NOTICE, "", "", 0, "dropped");
    registry.setLast(LVL_WARNING, 2800, "cb.cpp", "sync", 1, "inside", "the write");
    calling_back_ = false;
    return std::stringbuf::sync();
  }

 private:
  bool calling_back_ = false;
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

void* trace_long_float_and_record(void*) {
  TervoxLogger::trace_message("FP", TervoxLogger::LOG_WARNING, "a.cpp", "load", 42, "%.2000f",
                              1e300);
  TervoxError::getInstance().setLast(LVL_ERROR, 306, "b.cpp", "save", 7, "out.tif", "disk full");
  return nullptr;
}

// The headers promise that any format works on a thread with 32 KiB of stack; the C library's
// formatter takes a quarter of the stack for a long floating-point conversion.
TEST(SmallStack, AThreadWithThePromisedStackFormatsALongFloatAndRecords) {
  char digits[2400];
  std::snprintf(digits, sizeof digits, "%.2000f", 1e300);
  ScratchFile trace(TervoxLogger::get_process_trace_stream(), ".trace");
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  ASSERT_EQ(pthread_attr_setstacksize(&attributes, 32 * 1024), 0);
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attributes, trace_long_float_and_record, nullptr), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
  EXPECT_EQ(trace.contents(), std::string("[FP][?] [a.cpp, load:42]\n[FP][?] ") + digits +
                                  "\n[UNDEF][!] [b.cpp, save:7]\n"
                                  "[UNDEF][!] [EC :306 ] out.tif - disk full\n");
}

}  // namespace
