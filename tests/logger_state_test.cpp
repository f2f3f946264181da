// The logger's trace level and stream getters.

#include <gtest/gtest.h>
#include <tervox/TervoxLogger.h>

#include <climits>

#include "CapturedStream.h"

namespace {

TEST(LoggerState, StoresEveryTraceLevelUnchanged) {
  TraceLevelGuard restore_level;
  for (int trace_level : {INT_MIN, -5, 0, 1, 3, 9999, 10000, INT_MAX}) {
    EXPECT_TRUE(TervoxLogger::set_trace_level(trace_level));
    EXPECT_EQ(TervoxLogger::get_trace_level(), trace_level);
  }
}

TEST(LoggerState, GettersReturnTheSameDistinctStreamsOnEveryCall) {
  std::fstream* trace = TervoxLogger::get_process_trace_stream();
  std::fstream* log = TervoxLogger::get_process_log_stream();
  ASSERT_NE(trace, nullptr);
  ASSERT_NE(log, nullptr);
  EXPECT_NE(trace, log);
  for (int call = 0; call < 3; ++call) {
    EXPECT_TRUE(TervoxLogger::init());
    EXPECT_EQ(TervoxLogger::get_process_trace_stream(), trace);
    EXPECT_EQ(TervoxLogger::get_process_log_stream(), log);
  }
}

}  // namespace
