#include "Lifetime.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace tervox::detail {
namespace {

// Sequentially consistent on both sides: a visit counts itself before it looks at the door, and
// the finaliser closes the door before it counts, so at least one of the two sees the other.
std::atomic<int> visits_in_progress{0};
std::atomic<bool> door_closed{false};

// Long enough for any line to reach a working file; a visit that takes longer is stuck.
constexpr auto kLongestVisit = std::chrono::seconds(2);

}  // namespace

Visit::Visit() {
  visits_in_progress.fetch_add(1);
  admitted_ = !door_closed.load();
}

Visit::~Visit() { visits_in_progress.fetch_sub(1, std::memory_order_release); }

bool close_for_teardown() {
  door_closed.store(true);
  const auto give_up = std::chrono::steady_clock::now() + kLongestVisit;
  while (visits_in_progress.load() != 0) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

void forget_visits_of_other_threads() { visits_in_progress.store(0); }

}  // namespace tervox::detail
