// Many threads at once, with no lock of the host's: every line whole and once, every record
// stacked, and the trace telling the stack's story.

#include <gtest/gtest.h>
#include <tervox/TervoxError.h>
#include <tervox/TervoxLogger.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "CapturedStream.h"

namespace {

constexpr int kThreads = 8;

template <typename Body>
void run_together(Body body) {
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) threads.emplace_back(body, t);
  for (std::thread& thread : threads) thread.join();
}

// How often each run of `lines_per_entry` lines of a file occurs.
std::map<std::string, int> entry_counts(const std::string& text, int lines_per_entry = 1) {
  std::map<std::string, int> counts;
  std::istringstream lines(text);
  for (std::string entry, line; std::getline(lines, line);) {
    entry += line + "\n";
    if (std::count(entry.begin(), entry.end(), '\n') == lines_per_entry)
      ++counts[entry], entry.clear();
  }
  return counts;
}

// "" when the two agree, else the number of entries that differ and the start of the first.
std::string difference(const std::map<std::string, int>& actual,
                       const std::map<std::string, int>& expected) {
  std::vector<std::string> wrong;
  for (const auto& [entry, count] : expected)
    if (actual.count(entry) == 0 || actual.at(entry) != count) wrong.push_back("missing " + entry);
  for (const auto& [entry, count] : actual)
    if (expected.count(entry) == 0) wrong.push_back("stray " + entry);
  return wrong.empty() ? ""
                       : std::to_string(wrong.size()) + " wrong, e.g. " + wrong[0].substr(0, 80);
}

// One of the logger's streams opened on a real file of this process and test, as a host opens it,
// so that the threads meet in the stream's own file buffer.
class ScratchFile {
 public:
  explicit ScratchFile(std::fstream* stream) : stream_(stream) {
    static const unsigned process_tag = std::random_device()();
    path_ = testing::TempDir() + "tervox_" +
            testing::UnitTest::GetInstance()->current_test_info()->name() +
            std::to_string(process_tag) +
            (stream == TervoxLogger::get_process_log_stream() ? ".log" : ".trace");
    stream_->open(path_, std::ios::out | std::ios::trunc | std::ios::binary);
  }
  ~ScratchFile() { std::remove(path_.c_str()); }

  // Closes the stream and returns what reached the file.
  std::string contents() {
    stream_->close();
    std::ifstream file(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }

 private:
  std::fstream* stream_;
  std::string path_;
};

// Lines of many lengths, some longer than a stream buffer, each with its own padding byte.
std::string text_of(int thread, int line) {
  return std::to_string(line) + std::string(line * 17 % 9000, static_cast<char>('a' + thread));
}

TEST(ThreadSafety, ConcurrentLinesArriveWholeAndOnce) {
  constexpr int kLines = 400;
  ScratchFile trace(TervoxLogger::get_process_trace_stream());
  ScratchFile log(TervoxLogger::get_process_log_stream());
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
  TervoxLogger::set_trace_level(3);
  EXPECT_EQ(difference(entry_counts(trace.contents(), 2), expected_trace), "");
  EXPECT_EQ(difference(entry_counts(log.contents()), expected_log), "");
}

TEST(ThreadSafety, ConcurrentRecordsAreAllStackedInTraceOrder) {
  constexpr int kRecords = 150;
  TervoxError& registry = TervoxError::getInstance();
  registry.clear(LVL_ERROR);
  registry.clear(LVL_WARNING);
  CapturedStream trace;
  run_together([&registry](int t) {
    const ERROR_LVL level = t % 2 == 0 ? LVL_ERROR : LVL_WARNING;
    for (int i = 0; i < kRecords; ++i) {
      const int code = 306;
      const std::string text = std::to_string(t * kRecords + i);
      registry.setLast(level, code, "f.cpp", "g", i, text, "b");
      // Readers and renderers run against the writers of the other threads.
      EXPECT_GE(registry.getStackSize(level), 2);
      EXPECT_EQ(registry.getShortDescription(LVL_WARNING, 0).substr(0, 18), "Warning: No error\n");
      registry.getStackDescriptions(level == LVL_ERROR ? LVL_WARNING : LVL_ERROR);
      registry.getLastLongDescription(level);
    }
  });
  // The trace lists the records of each level in the order of its stack.
  std::map<ERROR_LVL, std::string> traced, stacked;
  std::istringstream lines(trace.take());
  for (std::string line; std::getline(lines, line);) {
    const std::size_t text = line.find("[EC :306 ] ");
    if (text != std::string::npos)
      traced[line[8] == '!' ? LVL_ERROR : LVL_WARNING] += line.substr(text + 11) + "\n";
  }
  for (ERROR_LVL level : {LVL_ERROR, LVL_WARNING}) {
    ASSERT_EQ(registry.getStackSize(level), 1 + kThreads / 2 * kRecords);
    std::istringstream entries(registry.getStackDescriptions(level));
    std::vector<std::string> newest_first;
    for (std::string head, caller; std::getline(entries, head) && std::getline(entries, caller);)
      newest_first.push_back(caller + " - b\n");
    for (auto entry = newest_first.rbegin(); entry != newest_first.rend(); ++entry)
      stacked[level] += *entry;
    EXPECT_TRUE(traced[level] == stacked[level]) << "the trace and the stack differ";
    EXPECT_EQ(entry_counts(stacked[level]).size(),
              static_cast<std::size_t>(kThreads / 2 * kRecords));
  }
}

}  // namespace
