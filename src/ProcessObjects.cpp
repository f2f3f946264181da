// The library's process-wide objects, defined in one file so that their order is fixed: they are
// constructed in this order when the library is loaded and destroyed in the reverse order when it
// is unloaded. The registry, which traces into the streams, goes first; the trace stream last.
//
// They must outlive every exit handler and static destructor of the host, those of objects that
// the host built before it loaded the library included, and threads that the host leaves running
// may still call in while the process ends. So nothing here is destroyed by an exit handler, since
// exit handlers run newest first and the library's would run before the older host objects' own.
// The library's finaliser destroys them instead: the loader runs it at dlclose, and at exit after
// every exit handler. GCC puts this file's destructors there when it is told to do without
// __cxa_atexit (src/CMakeLists.txt); Clang registers them with atexit whatever the flags, so with
// Clang they are kept from that and the finaliser destroys them itself.

#include <tervox/TervoxLogger.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "Lifetime.h"
#include "error/RegistryStorage.h"
#include "log/StreamLock.h"

#if !defined(_WIN32)
#include <pthread.h>
#endif

#if defined(__clang__)
#define TERVOX_LOG_DESTROYED_BY_FINALISER [[clang::no_destroy]]
#else
#define TERVOX_LOG_DESTROYED_BY_FINALISER
#endif

TERVOX_LOG_DESTROYED_BY_FINALISER std::basic_fstream<char> TervoxLogger::m_process_trace_stream;
TERVOX_LOG_DESTROYED_BY_FINALISER std::basic_fstream<char> TervoxLogger::m_process_log_stream;

namespace tervox::detail {
namespace {

// Lock order: trace_lock, then log_lock, then registry_lock.
// Guards m_process_trace_stream and its file.
TERVOX_LOG_DESTROYED_BY_FINALISER StreamLock trace_lock;
// Guards m_process_log_stream and its file.
TERVOX_LOG_DESTROYED_BY_FINALISER StreamLock log_lock;
// Guards the registry's state (ErrorState).
TERVOX_LOG_DESTROYED_BY_FINALISER std::mutex registry_lock;

}  // namespace

StreamLock& trace_stream_lock() { return trace_lock; }
StreamLock& log_stream_lock() { return log_lock; }
std::mutex& registry_state_lock() { return registry_lock; }

RegistryStorage registry_storage;

std::atomic<bool> teardown_begun{false};

namespace {

// Long enough for any line to reach a working file; a holder that takes longer is stuck (a thread
// blocked inside a host's stream buffer), and the objects must then be left as they are.
constexpr auto kLongestHold = std::chrono::seconds(2);

template <typename Lock>
bool take_for_good(Lock& lock) {
  const auto give_up = std::chrono::steady_clock::now() + kLongestHold;
  while (!lock.try_lock()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Begins the teardown (Lifetime.h): takes every lock for good, then destroys the registry.
// Returns whether it could.
bool tear_down_registry() {
  teardown_begun.store(true, std::memory_order_relaxed);
  if (!take_for_good(trace_lock) || !take_for_good(log_lock) || !take_for_good(registry_lock)) {
    return false;
  }
  registry_storage.destroy();
  return true;
}

#if defined(__clang__)
[[gnu::destructor]] void finalise() {
  if (!tear_down_registry()) return;
  TervoxLogger::get_process_log_stream()->~basic_fstream();
  TervoxLogger::get_process_trace_stream()->~basic_fstream();
}
#else
// Defined last, so destroyed first; the streams follow.
struct Finaliser {
  Finaliser() = default;
  Finaliser(const Finaliser&) = delete;
  Finaliser& operator=(const Finaliser&) = delete;
  ~Finaliser() { tear_down_registry(); }
} finaliser;
#endif

#if !defined(_WIN32)
// A child forked while other threads trace or record must find every lock free: the fork waits
// until it can take them all, in the lock order, and both sides release them afterwards. A lock
// that the forking thread holds itself (a StreamHold around the fork) stays held.
void lock_for_fork(StreamLock& lock) {
  if (lock.held_here()) return;
  lock.lock();
  lock.taken_for_fork = true;
}

void release_after_fork(StreamLock& lock) {
  if (!lock.taken_for_fork) return;
  lock.taken_for_fork = false;
  lock.unlock();
}

void prepare_fork() {
  lock_for_fork(trace_lock);
  lock_for_fork(log_lock);
  registry_lock.lock();
}

void parent_after_fork() {
  registry_lock.unlock();
  release_after_fork(log_lock);
  release_after_fork(trace_lock);
}

const int fork_handlers = pthread_atfork(prepare_fork, parent_after_fork, parent_after_fork);
#endif

}  // namespace
}  // namespace tervox::detail
