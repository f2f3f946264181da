// Memory running out inside the registry: the allocation error reaches the caller, nothing leaks
// (the sanitizer and valgrind runs check that), and each level's three sequences keep equal
// lengths and still render. A test-only allocator fails the Nth allocation, for every N.

#include <gtest/gtest.h>
#include <tervox/TervoxError.h>

#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "ErrorState.h"

namespace {

int allocations_until_failure = 0;  // 0: never fail

}  // namespace

void* operator new(std::size_t size) {
  if (allocations_until_failure > 0 && --allocations_until_failure == 0) throw std::bad_alloc();
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

using tervox::detail::ErrorState;
using StateMember = std::unique_ptr<ErrorState> TervoxError::*;

// An explicit instantiation may name private members: this reaches the registry's state to check
// the invariants that no public operation shows whole.
StateMember state_member();
template <StateMember Member>
struct RegistryInternals {
  friend StateMember state_member() { return Member; }
};
template struct RegistryInternals<&TervoxError::m_state>;

ErrorState& state_of(TervoxError& registry) { return *(registry.*state_member()); }

void expect_sequences_in_step(TervoxError& registry, ERROR_LVL level, const char* when) {
  ErrorState& state = state_of(registry);
  const std::size_t codes = state.code_stack[level].size();
  EXPECT_EQ(state.short_texts[level].size(), codes) << when;
  EXPECT_EQ(state.long_texts[level].size(), codes) << when;
  EXPECT_NO_THROW(registry.getStackDescriptions(level)) << when;
}

// Fills the level until its sequences are at capacity, so that the next record must allocate.
void fill_to_capacity(TervoxError& registry, ERROR_LVL level) {
  const std::vector<int>& codes = state_of(registry).code_stack[level];
  while (codes.size() < codes.capacity()) registry.pushOnStack(level, 300, "fill", "fill");
}

struct Recording {
  const char* name;
  bool traced;
};

TEST(AllocationFailure, ARecordThatRunsOutOfMemoryLeavesTheLevelWhole) {
  TervoxError& registry = TervoxError::getInstance();
  for (const Recording recording : {Recording{"setLast", true}, Recording{"pushOnStack", false}}) {
    for (ERROR_LVL level : {LVL_ERROR, LVL_WARNING}) {
      registry.clear(level);
      for (int fail_at = 1;; ++fail_at) {
        fill_to_capacity(registry, level);
        const int last_before = registry.getLast(level);
        const int size_before = registry.getStackSize(level);
        std::string short_text(40, 's');
        std::string long_text(40, 'l');
        allocations_until_failure = fail_at;
        try {
          if (recording.traced) {
            registry.setLast(level, 2933, "f", "g", 1, std::move(short_text), std::move(long_text));
          } else {
            registry.pushOnStack(level, 2933, std::move(short_text), std::move(long_text));
          }
          allocations_until_failure = 0;
          EXPECT_EQ(registry.getStackSize(level), size_before + 1) << recording.name;
          break;
        } catch (const std::bad_alloc&) {
          allocations_until_failure = 0;
        }
        const std::string when = std::string(recording.name) + " failing at allocation " +
                                 std::to_string(fail_at);
        expect_sequences_in_step(registry, level, when.c_str());
        EXPECT_EQ(registry.getStackSize(level), size_before) << when;
        // The trace text is built first: only a failure after it leaves the new last code.
        const int expected_last = recording.traced && fail_at > 1 ? 2933 : last_before;
        EXPECT_EQ(registry.getLast(level), expected_last) << when;
        ASSERT_LT(fail_at, 10) << recording.name << " never completed";
      }
      expect_sequences_in_step(registry, level, "after the record");
      registry.clear(level);
    }
  }
}

TEST(AllocationFailure, ARendererThatRunsOutOfMemoryChangesNothing) {
  TervoxError& registry = TervoxError::getInstance();
  registry.clear(LVL_ERROR);
  registry.pushOnStack(LVL_ERROR, 306, std::string(40, 'a'), "");
  const std::string stack = registry.getStackDescriptions(LVL_ERROR);
  allocations_until_failure = 1;
  EXPECT_THROW(registry.getShortDescription(LVL_ERROR, 2933), std::bad_alloc);
  allocations_until_failure = 1;
  EXPECT_THROW(registry.getLongDescription(LVL_WARNING, 2933), std::bad_alloc);
  allocations_until_failure = 1;
  EXPECT_THROW(registry.getLastShortDescription(LVL_ERROR), std::bad_alloc);
  allocations_until_failure = 1;
  EXPECT_THROW(registry.getLastLongDescription(LVL_ERROR), std::bad_alloc);
  allocations_until_failure = 1;
  EXPECT_THROW(registry.getStackDescriptions(LVL_ERROR), std::bad_alloc);
  allocations_until_failure = 0;
  EXPECT_EQ(registry.getStackDescriptions(LVL_ERROR), stack);
  expect_sequences_in_step(registry, LVL_ERROR, "after the renderers");
  registry.clear(LVL_ERROR);
}

}  // namespace
