// Nothing a host wrote is lost when its process dies: every line is in the file when the call
// returns, so a child killed with SIGKILL right after its last call leaves all of them whole.

#include <gtest/gtest.h>
#include <tervox/TervoxError.h>
#include <tervox/TervoxLogger.h>

#include <csignal>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kRecords = 2000;

struct DurabilityCase {
  const char* file;
  void (*record)(int);
  int lines_per_record;
  const char* last_line;
};

TEST(Durability, AKilledProcessLosesNoLine) {
  const DurabilityCase cases[] = {
      {"tervox_durability_trace.txt",
       [](int i) { TervoxLogger::trace_message("RUN", TervoxLogger::LOG_INFO, "f", "g", 1, "line %d", i); }, 1,
       "[RUN] line 1999"},
      {"tervox_durability_errors.txt",
       [](int i) { TervoxError::getInstance().setLast(LVL_ERROR, 306, "f.cpp", "load", i, "a.par", "gone"); }, 2,
       "[UNDEF][!] [EC :306 ] a.par - gone"},
  };
  for (const DurabilityCase& row : cases) {
    const std::string path = testing::TempDir() + row.file;
    EXPECT_EXIT(
        {
          TervoxLogger::get_process_trace_stream()->open(path, std::ios::out | std::ios::trunc);
          for (int i = 0; i < kRecords; ++i) row.record(i);
          std::raise(SIGKILL);
        },
        testing::KilledBySignal(SIGKILL), "");
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kRecords * row.lines_per_record)) << row.file;
    EXPECT_EQ(lines.back(), row.last_line);
    std::remove(path.c_str());
  }
}

}  // namespace
