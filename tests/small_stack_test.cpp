// Every public operation runs on a thread with a 256 KiB stack: the writers need about 50 KB for
// their two buffers, and nothing else in the library is deep.

#include <gtest/gtest.h>
#include <tervox/TervoxError.h>
#include <tervox/TervoxLogger.h>

#include <pthread.h>

#include <string>

#include "CapturedStream.h"

namespace {

void* every_operation(void*) {
  TervoxLogger::init();
  TervoxLogger::set_trace_level(9999);
  const std::string long_text(30000, 'x');
  for (int level = TervoxLogger::LOG_VERBOSE; level <= TervoxLogger::LOG_ERROR; ++level) {
    TervoxLogger::trace_message("T", static_cast<TervoxLogger::LogLevel>(level), long_text.c_str(),
                                long_text.c_str(), 1, "%s %d %f", long_text.c_str(), 1, 2.5);
  }
  TervoxLogger::log_message(long_text, "%s", long_text.c_str());
  TervoxError& registry = TervoxError::getInstance();
  registry.init("small stack");
  registry.setLast(LVL_ERROR, 306, "f", "g", 1, long_text, long_text);
  registry.pushOnStack(LVL_WARNING, 2933, "a", "b");
  registry.getLast(LVL_ERROR);
  registry.get(LVL_ERROR, 1);
  registry.getStack(LVL_WARNING);
  registry.getStackSize(LVL_WARNING);
  registry.getShortDescription(LVL_ERROR, 300);
  registry.getLongDescription(LVL_WARNING, 300);
  registry.getLastShortDescription(LVL_ERROR);
  registry.getLastLongDescription(LVL_WARNING);
  static std::string stacks;
  stacks = registry.getStackDescriptions(LVL_ERROR) + registry.getStackDescriptions(LVL_WARNING);
  registry.clear(LVL_ERROR);
  registry.clear(LVL_WARNING);
  return &stacks;
}

TEST(SmallStack, EveryOperationRunsOnA256KiBStack) {
  TraceLevelGuard restore_level;
  CapturedStream trace = capture_trace();
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  ASSERT_EQ(pthread_attr_setstacksize(&attributes, 256 * 1024), 0);
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attributes, every_operation, nullptr), 0);
  void* result = nullptr;
  pthread_join(thread, &result);
  pthread_attr_destroy(&attributes);
  EXPECT_EQ(static_cast<std::string*>(result)->substr(0, 28), "[EC : 306] File not found\nxx");
  EXPECT_GT(trace.contents().size(), 7u * 24999u);
}

}  // namespace
