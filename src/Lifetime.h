#ifndef TERVOX_LIFETIME_H
#define TERVOX_LIFETIME_H

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace tervox::detail {

// The library's objects, the two process streams and the registry, are destroyed by the library's
// finaliser: at dlclose, or at exit once every exit handler and static destructor of the host has
// run (ProcessObjects.cpp). Threads that the host left running may still call in then. So the
// finaliser first marks the teardown as begun, then takes every lock, in the lock order, for good,
// and destroys the objects only once it holds them all: no call is using them then, and none ever
// will again. A call that finds the teardown begun returns at once, doing nothing; one that got
// past that test just before waits for a lock that is never released, until the process is gone.
//
// A finaliser that cannot take every lock in time (ProcessObjects.cpp says how long it waits)
// leaves the registry alone. The streams differ by compiler: with Clang the finaliser destroys
// them itself, so it leaves them too; with GCC their own destructors run after the finaliser
// whatever it found, since nothing portable keeps a static object of GCC's from being destroyed,
// so a thread stuck inside a write there finds its stream destroyed under it.
extern std::atomic<bool> teardown_begun;

inline bool tearing_down() { return teardown_begun.load(std::memory_order_relaxed); }

// Takes `lock` unless `give_up` comes first; returns whether it did. The teardown never waits on a
// lock without a limit: on Windows the process's other threads are gone before the finaliser
// runs, and a lock one of them held is never released.
inline bool lock_by(std::mutex& lock, std::chrono::steady_clock::time_point give_up) {
  while (!lock.try_lock()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace tervox::detail

#endif  // TERVOX_LIFETIME_H
