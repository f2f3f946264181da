// What trace_message and log_message write, byte for byte.

#include <gtest/gtest.h>
#include <tervox/TervoxLogger.h>

#include <climits>
#include <string>

#include "CapturedStream.h"

namespace {

using Level = TervoxLogger::LogLevel;

constexpr Level kAllLevels[] = {TervoxLogger::LOG_VERBOSE, TervoxLogger::LOG_DEBUG,
                                TervoxLogger::LOG_INFO,    TervoxLogger::LOG_PLAIN,
                                TervoxLogger::LOG_NOTICE,  TervoxLogger::LOG_WARNING,
                                TervoxLogger::LOG_ERROR};

class TraceMessage : public testing::Test {
 protected:
  TraceLevelGuard restore_level_;
  CapturedStream trace_ = capture_trace();
};

// Each row: a trace level and, per severity from LOG_VERBOSE to LOG_ERROR, whether it is written.
struct ThresholdRow {
  int trace_level;
  const char* written;  // 'x' written, '-' filtered
};

TEST_F(TraceMessage, WritesASeverityOnlyWhenTheTraceLevelReachesItsThreshold) {
  const ThresholdRow rows[] = {
      {INT_MIN, "-------"}, {-5, "-------"},   {0, "-------"},   {1, "------x"},
      {2, "-----xx"},       {3, "--xxxxx"},    {4, "-xxxxxx"},   {9998, "-xxxxxx"},
      {9999, "xxxxxxx"},    {10000, "xxxxxxx"}, {INT_MAX, "xxxxxxx"},
  };
  for (const ThresholdRow& row : rows) {
    TervoxLogger::set_trace_level(row.trace_level);
    std::string expected_written;
    for (Level level : kAllLevels) {
      const std::string before = trace_.contents();
      EXPECT_TRUE(TervoxLogger::trace_message("T", level, "f", "g", 1, "m"));
      expected_written += trace_.contents() == before ? '-' : 'x';
    }
    EXPECT_EQ(expected_written, row.written) << "trace level " << row.trace_level;
  }
}

struct LayoutRow {
  Level level;
  const char* category;
  const char* file;
  const char* function;
  int line;
  const char* message;
  const char* expected;
};

TEST_F(TraceMessage, LaysOutEachSeverityAsItsLines) {
  const LayoutRow rows[] = {
      {TervoxLogger::LOG_VERBOSE, "IO", "a.cpp", "load", 42, "hello", "[IO][V] hello\n"},
      {TervoxLogger::LOG_DEBUG, "IO", "a.cpp", "load", 42, "hello", "[IO][D] hello\n"},
      {TervoxLogger::LOG_INFO, "IO", "a.cpp", "load", 42, "hello", "[IO] hello\n"},
      {TervoxLogger::LOG_PLAIN, "IO", "a.cpp", "load", 42, "hello", "hello\n"},
      {TervoxLogger::LOG_NOTICE, "IO", "a.cpp", "load", 42, "hello", "[IO][*] hello\n"},
      {TervoxLogger::LOG_WARNING, "IO", "a.cpp", "load", 42, "cannot open x.tif",
       "[IO][?] [a.cpp, load:42]\n[IO][?] cannot open x.tif\n"},
      {TervoxLogger::LOG_ERROR, "IO", "a.cpp", "load", 42, "cannot open x.tif",
       "[IO][!] [a.cpp, load:42]\n[IO][!] cannot open x.tif\n"},
      {TervoxLogger::LOG_WARNING, "IO", nullptr, nullptr, 42, "m", "[IO][?] [, :42]\n[IO][?] m\n"},
      {TervoxLogger::LOG_ERROR, "IO", "b.cpp", "f", -3, "m", "[IO][!] [b.cpp, f:-3]\n[IO][!] m\n"},
      {TervoxLogger::LOG_VERBOSE, "", "a.cpp", "load", 1, "hello", "[][V] hello\n"},
      {TervoxLogger::LOG_NOTICE, "IO", "a.cpp", "load", 1, "", "[IO][*] \n"},
      {TervoxLogger::LOG_PLAIN, "IO", "a.cpp", "load", 1, "", "\n"},
      {TervoxLogger::LOG_INFO, "100%s %d%%", "a.cpp", "load", 1, "m", "[100%s %d%%] m\n"},
      {TervoxLogger::LOG_ERROR, "%n", "%s.cpp", "%d", 5, "%x", "[%n][!] [%s.cpp, %d:5]\n[%n][!] %x\n"},
  };
  TervoxLogger::set_trace_level(9999);
  std::string expected;
  for (const LayoutRow& row : rows) {
    TervoxLogger::trace_message(row.category, row.level, row.file, row.function, row.line, "%s",
                                row.message);
    expected += row.expected;
    ASSERT_EQ(trace_.contents(), expected) << "category " << row.category << ", level " << row.level;
  }
}

TEST_F(TraceMessage, FormatsTheMessageAndEndsItAtAFormattedNul) {
  TervoxLogger::trace_message("IO", TervoxLogger::LOG_WARNING, "a.cpp", "load", 42,
                              "cannot open %s after %d tries (%5.1f%%)", "x.tif", 3, 12.25);
  TervoxLogger::trace_message("IO", TervoxLogger::LOG_INFO, "f", "g", 1, "ab%ccd", 0);
  EXPECT_EQ(trace_.contents(),
            "[IO][?] [a.cpp, load:42]\n[IO][?] cannot open x.tif after 3 tries ( 12.2%)\n[IO] ab\n");
}

TEST_F(TraceMessage, WritesNothingForALevelOutsideTheSeven) {
  TervoxLogger::set_trace_level(INT_MAX);
  for (int level : {7, -1, INT_MAX, INT_MIN}) {
    EXPECT_TRUE(TervoxLogger::trace_message("IO", static_cast<Level>(level), "f", "g", 1, "m"));
  }
  EXPECT_EQ(trace_.contents(), "");
}

TEST_F(TraceMessage, CutsMessageAndPrefixAt24999Bytes) {
  const std::string text(30000, 'x');
  const std::string kept(24999, 'x');
  TervoxLogger::trace_message("IO", TervoxLogger::LOG_PLAIN, "f", "g", 1, "%s", text.c_str());
  TervoxLogger::trace_message("IO", TervoxLogger::LOG_INFO, "f", "g", 1, "%s", text.c_str());
  // A long file name cuts the location line, and the message follows the cut prefix directly.
  TervoxLogger::trace_message("IO", TervoxLogger::LOG_ERROR, text.c_str(), "g", 1, "msg");
  const std::string cut_prefix = ("[IO][!] [" + text).substr(0, 24999);
  EXPECT_EQ(trace_.contents(), kept + "\n[IO] " + kept + "\n" + cut_prefix + "msg\n");
}

class LogMessage : public testing::Test {
 protected:
  TraceLevelGuard restore_level_;
  CapturedStream log_{TervoxLogger::get_process_log_stream()};
};

TEST_F(LogMessage, WritesATaggedLineAtEveryTraceLevel) {
  for (int trace_level : {INT_MIN, 0, 9999}) {
    TervoxLogger::set_trace_level(trace_level);
    EXPECT_TRUE(TervoxLogger::log_message("IO", "hello %d", trace_level));
  }
  TervoxLogger::log_message("50%s", "%s", "");
  TervoxLogger::log_message("", "%s", std::string(30000, 'y').c_str());
  EXPECT_EQ(log_.contents(), "[IO] hello -2147483648\n[IO] hello 0\n[IO] hello 9999\n[50%s] \n[] " +
                                 std::string(24999, 'y') + "\n");
}

}  // namespace
