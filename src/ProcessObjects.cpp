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
#include "log/StreamQueue.h"

#if !defined(_WIN32)
#include <pthread.h>
#endif

#if defined(__clang__)
#define TERVOX_LOG_DESTROYED_BY_FINALISER [[clang::no_destroy]]
#else
#define TERVOX_LOG_DESTROYED_BY_FINALISER
#endif

// Static file streams are what the interface gives hosts; their construction allocates nothing
// that can fail on the standard libraries the library is built with.
// NOLINTNEXTLINE(cert-err58-cpp)
TERVOX_LOG_DESTROYED_BY_FINALISER std::basic_fstream<char> TervoxLogger::m_process_trace_stream;
// NOLINTNEXTLINE(cert-err58-cpp)
TERVOX_LOG_DESTROYED_BY_FINALISER std::basic_fstream<char> TervoxLogger::m_process_log_stream;

namespace tervox::detail {
namespace {

// Lock order: trace_queue, then log_queue, then registry_lock.
// Guards m_process_trace_stream and its file.
TERVOX_LOG_DESTROYED_BY_FINALISER StreamQueue trace_queue;
// Guards m_process_log_stream and its file.
TERVOX_LOG_DESTROYED_BY_FINALISER StreamQueue log_queue;
// Guards the registry's state (ErrorState) and its creation.
TERVOX_LOG_DESTROYED_BY_FINALISER std::mutex registry_lock;

}  // namespace

StreamQueue& trace_stream_queue() { return trace_queue; }
StreamQueue& log_stream_queue() { return log_queue; }
std::mutex& registry_state_lock() { return registry_lock; }

RegistryStorage registry_storage;

std::atomic<bool> teardown_begun{false};

namespace {

// A batch of lines reaches a working file in well under a millisecond, and a slow network disk in
// a few: two seconds is a thousand times that, yet short enough that an exit with a stuck thread
// does not look like a hang to whoever runs the job. A holder that takes longer is stuck (a
// thread blocked inside a host's stream buffer, or holding a StreamHold for ever), and the objects
// must then be left as they are.
constexpr auto kLongestHold = std::chrono::seconds(2);

// Begins the teardown (Lifetime.h): takes every lock for good, then destroys the registry.
// Returns whether it could.
bool tear_down_registry() {
  teardown_begun.store(true, std::memory_order_relaxed);
  const auto give_up = std::chrono::steady_clock::now() + kLongestHold;
  if (!trace_queue.lock_until(give_up) || !log_queue.lock_until(give_up) ||
      !lock_by(registry_lock, give_up)) {
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
// A child forked while other threads trace or record must find every lock free: the fork takes
// each stream in its turn (after the lines queued before it, no more), then the registry, then
// the queues' own locks, and both sides release them afterwards. A stream that the forking thread
// holds itself (a StreamHold around the fork) stays held. The registry's creation is guarded by
// its lock too, so a child never inherits it half made.
void prepare_fork() {
  trace_queue.prepare_fork();
  log_queue.prepare_fork();
  registry_lock.lock();
  trace_queue.lock_queue_for_fork();
  log_queue.lock_queue_for_fork();
}

void parent_after_fork() {
  log_queue.after_fork_in_parent();
  trace_queue.after_fork_in_parent();
  registry_lock.unlock();
}

void child_after_fork() {
  log_queue.after_fork_in_child();
  trace_queue.after_fork_in_child();
  registry_lock.unlock();
}

const int fork_handlers = pthread_atfork(prepare_fork, parent_after_fork, child_after_fork);
#endif

}  // namespace
}  // namespace tervox::detail
