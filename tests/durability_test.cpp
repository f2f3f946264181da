// Nothing a host wrote is lost when its process dies: every line is in the file when the call
// returns, so a child killed with SIGKILL right after its last call leaves all of them whole.

#include <gtest/gtest.h>
#include <tervox/TervoxError.h>
#include <tervox/TervoxLogger.h>

#include <csignal>
#include <fstream>
#include <string>

namespace {

constexpr int kMessages = 2000;

std::string trace_path(const char* name) { return testing::TempDir() + name; }

template <typename Record>
void record_then_die(const std::string& path, Record record) {
  TervoxLogger::get_process_trace_stream()->open(path, std::ios::out | std::ios::trunc);
  for (int i = 0; i < kMessages; ++i) record(i);
  std::raise(SIGKILL);
}

std::string line_of(const std::string& path, int index) {
  std::ifstream file(path);
  std::string line;
  for (int i = 0; i <= index && std::getline(file, line);) ++i;
  return line;
}

int lines_in(const std::string& path) {
  std::ifstream file(path);
  int lines = 0;
  for (std::string line; std::getline(file, line);) ++lines;
  return lines;
}

TEST(Durability, AKilledProcessLosesNoTracedLine) {
  const std::string path = trace_path("tervox_durability_trace.txt");
  EXPECT_EXIT(record_then_die(path,
                              [](int i) {
                                TervoxLogger::trace_message("RUN", TervoxLogger::LOG_INFO, "f", "g",
                                                            1, "line %d of %d", i, kMessages);
                              }),
              testing::KilledBySignal(SIGKILL), "");
  EXPECT_EQ(lines_in(path), kMessages);
  EXPECT_EQ(line_of(path, 0), "[RUN] line 0 of 2000");
  EXPECT_EQ(line_of(path, kMessages - 1), "[RUN] line 1999 of 2000");
  std::remove(path.c_str());
}

TEST(Durability, AKilledProcessLosesNoRecordedError) {
  const std::string path = trace_path("tervox_durability_errors.txt");
  EXPECT_EXIT(record_then_die(path,
                              [](int i) {
                                TervoxError::getInstance().setLast(LVL_ERROR, 306, "f.cpp", "load", i,
                                                                   "a.par", "missing");
                              }),
              testing::KilledBySignal(SIGKILL), "");
  EXPECT_EQ(lines_in(path), 2 * kMessages);
  EXPECT_EQ(line_of(path, 2 * kMessages - 2), "[UNDEF][!] [f.cpp, load:1999]");
  EXPECT_EQ(line_of(path, 2 * kMessages - 1), "[UNDEF][!] [EC :306 ] a.par - missing");
  std::remove(path.c_str());
}

}  // namespace
