// What the hot paths cost the host: the writers allocate nothing and make one write(2) per written
// message that fits the stream's buffer; the renderers allocate only the string they return. Both are counted in-process by replacing the global allocation
// functions and interposing write and writev for the whole program, library included.

#include <gtest/gtest.h>
#include <tervox/TervoxError.h>
#include <tervox/TervoxLogger.h>

#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cstdlib>
#include <new>
#include <string>

#include "CapturedStream.h"

namespace {

int allocations = 0;
int file_writes = 0;

}  // namespace

void* operator new(std::size_t size) {
  ++allocations;
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

extern "C" ssize_t write(int fd, const void* data, size_t size) {
  if (fd > STDERR_FILENO) ++file_writes;
  return syscall(SYS_write, fd, data, size);
}

extern "C" ssize_t writev(int fd, const struct iovec* pieces, int count) {
  if (fd > STDERR_FILENO) ++file_writes;
  return syscall(SYS_writev, fd, pieces, count);
}

namespace {

struct Cost {
  int allocations;
  int writes;
};

template <typename Call>
Cost cost_of(Call call) {
  const int allocations_before = allocations;
  const int writes_before = file_writes;
  call();
  return {allocations - allocations_before, file_writes - writes_before};
}

struct WriterCase {
  const char* name;
  void (*write)(std::string category);
  int writes;
};

TEST(HotPathCost, WritersAllocateNothingAndWriteOncePerWrittenMessage) {
  TraceLevelGuard restore_level;
  CapturedStream trace = capture_trace();
  CapturedStream log(TervoxLogger::get_process_log_stream());
  static const std::string long_message(24999, 'm');
  const WriterCase cases[] = {
      {"info", [](std::string c) { TervoxLogger::trace_message(std::move(c), TervoxLogger::LOG_INFO, "f", "g", 1, "m %s %d", "t", 4); }, 1},
      {"plain", [](std::string c) { TervoxLogger::trace_message(std::move(c), TervoxLogger::LOG_PLAIN, "f", "g", 1, "m %s", "t"); }, 1},
      {"warning", [](std::string c) { TervoxLogger::trace_message(std::move(c), TervoxLogger::LOG_WARNING, "f", "g", 1, "m"); }, 1},
      {"error", [](std::string c) { TervoxLogger::trace_message(std::move(c), TervoxLogger::LOG_ERROR, "f", "g", 1, "m"); }, 1},
      {"filtered", [](std::string c) { TervoxLogger::trace_message(std::move(c), TervoxLogger::LOG_DEBUG, "f", "g", 1, "m"); }, 0},
      // Longer than the stream's buffer: handed over whole, it leaves in one writev(2).
      {"long", [](std::string c) { TervoxLogger::trace_message(std::move(c), TervoxLogger::LOG_INFO, "f", "g", 1, "%s", long_message.c_str()); }, 1},
      {"log", [](std::string c) { TervoxLogger::log_message(std::move(c), "m %d", 4); }, 1},
  };
  for (const WriterCase& row : cases) {
    std::string category(300, 'C');  // constructed before counting, as a host constructs it
    const Cost cost = cost_of([&] { row.write(std::move(category)); });
    EXPECT_EQ(cost.allocations, 0) << row.name;
    EXPECT_EQ(cost.writes, row.writes) << row.name;
  }
}

struct RendererCost {
  const char* name;
  std::string (*render)(TervoxError&);
};

TEST(RendererCost, EachRendererAllocatesOnlyTheStringItReturns) {
  TervoxError& registry = TervoxError::getInstance();
  registry.clear(LVL_ERROR);
  registry.clear(LVL_WARNING);
  const int codes[] = {300, 306, 316, 2933};
  for (int i = 0; i < 1000; ++i) {
    registry.pushOnStack(LVL_ERROR, codes[i % 4], "a caller text longer than the small buffer", "");
    registry.pushOnStack(LVL_WARNING, 2933, "a caller text longer than the small buffer", "");
  }
  const RendererCost renderers[] = {
      {"short", [](TervoxError& r) { return r.getShortDescription(LVL_ERROR, 2933); }},
      {"long", [](TervoxError& r) { return r.getLongDescription(LVL_WARNING, 2933); }},
      {"last short", [](TervoxError& r) { return r.getLastShortDescription(LVL_WARNING); }},
      {"last long", [](TervoxError& r) { return r.getLastLongDescription(LVL_ERROR); }},
      {"bare", [](TervoxError& r) { return r.getLongDescription(static_cast<ERROR_LVL>(2), 2933); }},
      {"error stack", [](TervoxError& r) { return r.getStackDescriptions(LVL_ERROR); }},
      {"warning stack", [](TervoxError& r) { return r.getStackDescriptions(LVL_WARNING); }},
  };
  for (const RendererCost& renderer : renderers) {
    std::string result;
    const Cost cost = cost_of([&] { result = renderer.render(registry); });
    EXPECT_EQ(cost.allocations, 1) << renderer.name;
    EXPECT_EQ(result.capacity(), result.size()) << renderer.name << ": reserved exactly";
  }
  registry.clear(LVL_ERROR);
  registry.clear(LVL_WARNING);
}

}  // namespace
