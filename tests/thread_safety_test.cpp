// The library in a real host: many threads at once with no lock of the host's (every line whole
// and once, every record stacked, the trace telling the stack's story), records made while the
// process exits, and a thread with a small stack.

#include <gtest/gtest.h>
#include <pthread.h>
#include <tervox/TervoxError.h>
#include <tervox/TervoxLogger.h>

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

void* trace_and_record(void*) {
  TervoxLogger::trace_message("IO", TervoxLogger::LOG_WARNING, "a.cpp", "load", 42, "cannot %s",
                              "open");
  TervoxError::getInstance().setLast(LVL_ERROR, 306, "b.cpp", "save", 7, "out.tif", "disk full");
  return nullptr;
}

// A line uses about 57 KiB (bench/stack_use.cpp measures it); the headers promise 64 KiB is enough.
// The library probes its frames page by page, so a shortfall faults here rather than passing
// unseen.
TEST(SmallStack, AThreadWithThePromisedStackTracesAndRecords) {
  ScratchFile trace(TervoxLogger::get_process_trace_stream(), ".trace");
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  ASSERT_EQ(pthread_attr_setstacksize(&attributes, 64 * 1024), 0);
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attributes, trace_and_record, nullptr), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
  EXPECT_EQ(trace.contents(),
            "[IO][?] [a.cpp, load:42]\n[IO][?] cannot open\n"
            "[UNDEF][!] [b.cpp, save:7]\n[UNDEF][!] [EC :306 ] out.tif - disk full\n");
}

}  // namespace
