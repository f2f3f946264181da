// Measures how much of a thread's stack the library's lines use: a traced warning and a recorded
// error of ordinary length, and a long floating-point conversion, each on a thread of its own. The
// thread runs on a stack of our own, painted beforehand, and the untouched paint tells the depth.
// The figures, with the thread's own start-up and its TLS, are what the headers promise against.
// The C library's formatter takes up to a quarter of the stack for a long conversion, so that
// figure is measured on a stack of the documented minimum, 32 KiB.

#include <tervox/TervoxError.h>
#include <tervox/TervoxLogger.h>

#include <pthread.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr std::size_t kLargeStack = 256 * 1024;
constexpr std::size_t kSmallestStack = 32 * 1024;
constexpr unsigned char kPaint = 0xA5;

void* trace_and_record(void*) {
  TervoxLogger::trace_message("IO", TervoxLogger::LOG_WARNING, "a.cpp", "load", 42,
                              "cannot open %s", "x.tif");
  TervoxError::getInstance().setLast(LVL_ERROR, 306, "b.cpp", "save", 7, "out.tif", "disk full");
  return nullptr;
}

void* trace_long_float(void*) {
  TervoxLogger::trace_message("FP", TervoxLogger::LOG_WARNING, "a.cpp", "load", 42, "%.2000f",
                              1e300);
  return nullptr;
}

// Runs `body` on a painted stack of `size` bytes; returns how many bytes of it were touched.
std::size_t stack_used(void* (*body)(void*), std::size_t size) {
  const std::size_t page = 4096;
  std::unique_ptr<unsigned char[]> memory(new unsigned char[size + page]);
  unsigned char* stack =
      memory.get() + page - reinterpret_cast<std::uintptr_t>(memory.get()) % page;
  std::memset(stack, kPaint, size);
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstack(&attributes, stack, size);
  pthread_t thread;
  if (pthread_create(&thread, &attributes, body, nullptr) != 0) std::exit(EXIT_FAILURE);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
  std::size_t untouched = 0;
  while (untouched < size && stack[untouched] == kPaint) ++untouched;
  return size - untouched;
}

}  // namespace

int main() {
  TervoxLogger::reopen_process_trace_stream("stack_use_trace.txt", false);
  std::printf("stack used by one traced warning and one recorded error: %zu bytes\n",
              stack_used(trace_and_record, kLargeStack));
  std::printf("stack used by a %%.2000f line on a %zu KiB stack: %zu bytes\n",
              kSmallestStack / 1024, stack_used(trace_long_float, kSmallestStack));
  TervoxLogger::close_process_trace_stream();
  std::remove("stack_use_trace.txt");
  return EXIT_SUCCESS;
}
