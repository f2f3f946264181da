#ifndef TERVOX_TESTS_FAILINGALLOCATIONS_H
#define TERVOX_TESTS_FAILINGALLOCATIONS_H

#include <chrono>
#include <cstdlib>
#include <new>
#include <thread>

// Replaces the operator new of the test program that includes it (in one source file only): counts
// the allocations of this thread since a test last reset `allocations`, and fails the one numbered
// `failing_allocation` (0: none), and holds the one numbered `slow_allocation` (0: none) of this
// thread for a tenth of a second, so that another thread can act while its caller is midway. Per
// thread, so that threads racing in a test share no count. On Windows the library's DLL keeps its
// own allocator: only the program's own allocations count.
static thread_local int allocations = 0;
static thread_local int slow_allocation = 0;
static int failing_allocation = 0;

void* operator new(std::size_t size) {
  if (++allocations == failing_allocation) throw std::bad_alloc();
  if (allocations == slow_allocation) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
// Not inlined: GCC 12 would otherwise pair the free below with the operator new of a delete
// expression and call them mismatched (-Wmismatched-new-delete, seen with MinGW-w64).
[[gnu::noinline]] void operator delete(void* memory) noexcept { std::free(memory); }
[[gnu::noinline]] void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

#endif  // TERVOX_TESTS_FAILINGALLOCATIONS_H
