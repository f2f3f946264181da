// Concurrent first calls of getInstance and of getStack with an unknown level. They only race in
// a process that has not made them yet, so this is a test program of its own with one test.

#include <gtest/gtest.h>
#include <tervox/TervoxError.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(RegistryFirstCall, ConcurrentFirstCallsShareOneRegistryAndOneEmptyStack) {
  constexpr int kThreads = 16;
  std::atomic<int> waiting{kThreads};
  std::vector<const TervoxError*> registries(kThreads);
  std::vector<const std::vector<int>*> empty_stacks(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      // Start together, so that the first calls overlap.
      waiting.fetch_sub(1);
      while (waiting.load() > 0) std::this_thread::yield();
      TervoxError& registry = TervoxError::getInstance();
      registries[t] = &registry;
      empty_stacks[t] = &registry.getStack(static_cast<ERROR_LVL>(2 + t));
    });
  }
  for (std::thread& thread : threads) thread.join();

  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(registries[t], registries[0]);
    EXPECT_EQ(empty_stacks[t], empty_stacks[0]);
  }
  EXPECT_TRUE(empty_stacks[0]->empty());
  EXPECT_EQ(TervoxError::getInstance().getStackSize(LVL_ERROR), 1);
}

}  // namespace
