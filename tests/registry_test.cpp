// Recording, querying and clearing errors and warnings.

#include <gtest/gtest.h>
#include <tervox/TervoxError.h>

#include <climits>
#include <string>
#include <vector>

#include "RegistryFixture.h"

namespace {

using Codes = std::vector<int>;

void expect_fresh(TervoxError& registry, ERROR_LVL level) {
  EXPECT_EQ(registry.getLast(level), 100);
  EXPECT_EQ(registry.getStackSize(level), 1);
  EXPECT_EQ(registry.get(level, 0), 100);
  EXPECT_EQ(registry.get(level, 1), 0);
  EXPECT_EQ(registry.getStack(level), Codes{100});
}

struct RecordRow {
  ERROR_LVL level;
  int code;
  const char* short_text;
  const char* long_text;
  const char* expected_trace;
};

TEST_F(Registry, SetLastTracesUnderUndefThenRecords) {
  const RecordRow rows[] = {
      {LVL_ERROR, 300, "a", "b", "[UNDEF][!] [f.cpp, fn:42]\n[UNDEF][!] [EC :300 ] a - b\n"},
      {LVL_WARNING, 1500, "", "", "[UNDEF][?] [f.cpp, fn:42]\n[UNDEF][?] [EC :1500 ]  - \n"},
      {LVL_ERROR, -7, "x", "y", "[UNDEF][!] [f.cpp, fn:42]\n[UNDEF][!] [EC :-7 ] x - y\n"},
      {LVL_WARNING, 0, "ok", "", "[UNDEF][?] [f.cpp, fn:42]\n[UNDEF][?] [EC :0 ] ok - \n"},
      {LVL_ERROR, INT_MIN, "", "", "[UNDEF][!] [f.cpp, fn:42]\n[UNDEF][!] [EC :-2147483648 ]  - \n"},
      {LVL_ERROR, 99, "100%s", "%d%n%%", "[UNDEF][!] [f.cpp, fn:42]\n[UNDEF][!] [EC :99 ] 100%s - %d%n%%\n"},
  };
  registry_.init("MODULE");
  for (const RecordRow& row : rows) {
    const ERROR_LVL other = row.level == LVL_ERROR ? LVL_WARNING : LVL_ERROR;
    const Codes other_stack = registry_.getStack(other);
    const int other_last = registry_.getLast(other);
    const int size = registry_.getStackSize(row.level);
    const std::string before = trace_.contents();

    registry_.setLast(row.level, row.code, "f.cpp", "fn", 42, row.short_text, row.long_text);

    EXPECT_EQ(trace_.contents(), before + row.expected_trace);
    EXPECT_EQ(registry_.getLast(row.level), row.code);
    EXPECT_EQ(registry_.getStackSize(row.level), size + 1);
    EXPECT_EQ(registry_.get(row.level, size), row.code);
    EXPECT_EQ(registry_.getStack(other), other_stack);
    EXPECT_EQ(registry_.getLast(other), other_last);
  }
}

TEST_F(Registry, SetLastRecordsWhetherOrNotTheTraceIsWritten) {
  TervoxLogger::set_trace_level(0);
  registry_.setLast(LVL_ERROR, 300, nullptr, nullptr, 1, "a", "b");
  TervoxLogger::set_trace_level(1);
  registry_.setLast(LVL_WARNING, 306, nullptr, nullptr, 7, "c", "d");
  EXPECT_EQ(trace_.contents(), "");
  EXPECT_EQ(registry_.getLast(LVL_ERROR), 300);
  EXPECT_EQ(registry_.getLast(LVL_WARNING), 306);
  TervoxLogger::set_trace_level(3);
  registry_.setLast(LVL_ERROR, 1, nullptr, nullptr, 7, "e", "f");
  EXPECT_EQ(trace_.contents(), "[UNDEF][!] [, :7]\n[UNDEF][!] [EC :1 ] e - f\n");
}

TEST_F(Registry, PushOnStackStacksWithoutTracingOrChangingTheLastCode) {
  registry_.setLast(LVL_ERROR, 300, "f", "g", 1, "a", "b");
  const std::string traced = trace_.contents();
  registry_.pushOnStack(LVL_ERROR, 5, "c", "d");
  EXPECT_EQ(registry_.getLast(LVL_ERROR), 300);
  EXPECT_EQ(registry_.getStack(LVL_ERROR), (Codes{100, 300, 5}));
  EXPECT_EQ(trace_.contents(), traced);
  expect_fresh(registry_, LVL_WARNING);
}

TEST_F(Registry, GetAnswersZeroOutsideTheStack) {
  registry_.pushOnStack(LVL_WARNING, 7, "", "");
  const int size = registry_.getStackSize(LVL_WARNING);
  for (int index : {-1, INT_MIN, size, size + 1, INT_MAX}) {
    EXPECT_EQ(registry_.get(LVL_WARNING, index), 0) << index;
    EXPECT_EQ(registry_.get(LVL_ERROR, index), 0) << index;
  }
  EXPECT_EQ(registry_.get(LVL_WARNING, size - 1), 7);
}

TEST_F(Registry, ClearResetsOneLevelAndLeavesTheOther) {
  registry_.setLast(LVL_ERROR, 300, "f", "g", 1, "a", "b");
  registry_.pushOnStack(LVL_ERROR, 301, "c", "d");
  registry_.setLast(LVL_WARNING, 2933, "f", "g", 1, "e", "f");
  registry_.clear(LVL_ERROR);
  expect_fresh(registry_, LVL_ERROR);
  EXPECT_EQ(registry_.getLast(LVL_WARNING), 2933);
  EXPECT_EQ(registry_.getStack(LVL_WARNING), (Codes{100, 2933}));
  registry_.clear(LVL_ERROR);
  expect_fresh(registry_, LVL_ERROR);
}

TEST_F(Registry, AStackReferenceShowsLaterRecords) {
  const std::vector<int>& warnings = registry_.getStack(LVL_WARNING);
  registry_.setLast(LVL_WARNING, 1401, "f", "g", 1, "a", "b");
  for (int code = 0; code < 100; ++code) registry_.pushOnStack(LVL_WARNING, code, "", "");
  EXPECT_EQ(&warnings, &registry_.getStack(LVL_WARNING));
  ASSERT_EQ(warnings.size(), 102u);
  EXPECT_EQ(warnings[1], 1401);
  EXPECT_EQ(warnings.back(), 99);
}

TEST_F(Registry, OtherLevelsSelectNoRecordAndChangeNothing) {
  std::vector<int>& shared_empty = registry_.getStack(kOtherLevels[0]);
  for (ERROR_LVL level : kOtherLevels) {
    registry_.setLast(level, 300, "f", "g", 1, "a", "b");
    registry_.pushOnStack(level, 300, "a", "b");
    registry_.clear(level);
    EXPECT_EQ(registry_.getLast(level), 0);
    EXPECT_EQ(registry_.getStackSize(level), 0);
    EXPECT_EQ(registry_.get(level, 0), 0);
    EXPECT_EQ(&registry_.getStack(level), &shared_empty);
  }
  EXPECT_TRUE(shared_empty.empty());
  EXPECT_EQ(trace_.contents(), "");
  expect_fresh(registry_, LVL_ERROR);
  expect_fresh(registry_, LVL_WARNING);
}

}  // namespace
