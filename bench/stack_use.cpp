// Measures how much of a thread's stack one written trace line and one recorded error use: the
// thread runs on a stack of our own, painted beforehand, and the untouched paint tells the depth.
// The figure, with the thread's own start-up and its TLS, is what the headers promise against.

#include <tervox/TervoxError.h>
#include <tervox/TervoxLogger.h>

#include <pthread.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr std::size_t kStackSize = 256 * 1024;
constexpr unsigned char kPaint = 0xA5;

void* trace_and_record(void*) {
  TervoxLogger::trace_message("IO", TervoxLogger::LOG_WARNING, "a.cpp", "load", 42,
                              "cannot open %s", "x.tif");
  TervoxError::getInstance().setLast(LVL_ERROR, 306, "b.cpp", "save", 7, "out.tif", "disk full");
  return nullptr;
}

}  // namespace

int main() {
  TervoxLogger::get_process_trace_stream()->open("stack_use_trace.txt", std::ios::out);
  const std::size_t page = 4096;
  std::unique_ptr<unsigned char[]> memory(new unsigned char[kStackSize + page]);
  unsigned char* stack =
      memory.get() + page - reinterpret_cast<std::uintptr_t>(memory.get()) % page;
  std::memset(stack, kPaint, kStackSize);
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstack(&attributes, stack, kStackSize);
  pthread_t thread;
  if (pthread_create(&thread, &attributes, trace_and_record, nullptr) != 0) return EXIT_FAILURE;
  pthread_join(thread, nullptr);
  std::size_t untouched = 0;
  while (untouched < kStackSize && stack[untouched] == kPaint) ++untouched;
  std::printf("stack used by one traced warning and one recorded error: %zu bytes\n",
              kStackSize - untouched);
  TervoxLogger::get_process_trace_stream()->close();
  std::remove("stack_use_trace.txt");
  return EXIT_SUCCESS;
}
