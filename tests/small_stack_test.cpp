// A thread with the stack the headers promise is enough traces a warning and records an error. The
// library probes its frames page by page, so a shortfall faults here rather than passing unseen.

#include <gtest/gtest.h>
#include <tervox/TervoxError.h>
#include <tervox/TervoxLogger.h>

#include <pthread.h>

#include "CapturedStream.h"

namespace {

// A written line uses about 57 KiB (bench/stack_use.cpp measures it); the promise is 64 KiB.
constexpr std::size_t kPromisedStack = 64 * 1024;

#if defined(__SANITIZE_THREAD__)
constexpr bool kUnderThreadSanitizer = true;  // GCC's spelling
#elif defined(__has_feature)
constexpr bool kUnderThreadSanitizer = __has_feature(thread_sanitizer);
#else
constexpr bool kUnderThreadSanitizer = false;
#endif

void* trace_and_record(void*) {
  TervoxLogger::trace_message("IO", TervoxLogger::LOG_WARNING, "a.cpp", "load", 42,
                              "cannot open %s", "x.tif");
  TervoxError::getInstance().setLast(LVL_ERROR, 306, "b.cpp", "save", 7, "out.tif", "disk full");
  return nullptr;
}

TEST(SmallStack, AThreadWithThePromisedStackTracesAndRecords) {
  if (kUnderThreadSanitizer)
    GTEST_SKIP() << "ThreadSanitizer keeps its own data on each thread's stack";
  TervoxError::getInstance().clear(LVL_ERROR);
  CapturedStream trace;
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  ASSERT_EQ(pthread_attr_setstacksize(&attributes, kPromisedStack), 0);
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attributes, trace_and_record, nullptr), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
  EXPECT_EQ(trace.take(),
            "[IO][?] [a.cpp, load:42]\n[IO][?] cannot open x.tif\n"
            "[UNDEF][!] [b.cpp, save:7]\n[UNDEF][!] [EC :306 ] out.tif - disk full\n");
  EXPECT_EQ(TervoxError::getInstance().getLastShortDescription(LVL_ERROR),
            "[EC : 306] File not found\nout.tif");
}

}  // namespace
