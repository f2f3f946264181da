#ifndef TERVOX_LOG_STREAMLOCK_H
#define TERVOX_LOG_STREAMLOCK_H

#include <atomic>
#include <mutex>
#include <thread>

namespace tervox::detail {

// The lock of one process stream. The library's writers hold it for each line, hosts through
// TervoxLogger::StreamHold and the reopen and close calls, and a fork for its duration. It knows
// which thread holds it, so that the holder's own lines go straight through, and so that a line
// traced from inside a write on the same thread (a call-back of the host's stream buffer) is told
// apart and dropped instead of waiting for ever on itself.
class StreamLock {
 public:
  // Whether the calling thread holds the lock. Only the holder can see its own id here.
  bool held_here() const {
    return holder_.load(std::memory_order_relaxed) == std::this_thread::get_id();
  }

  // Takes the lock, or deepens the calling thread's hold if it already has it.
  void lock() {
    if (held_here()) {
      ++depth;
      return;
    }
    mutex_.lock();
    holder_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    depth = 1;
  }

  // As lock, without waiting; returns whether the calling thread holds the lock now.
  bool try_lock() {
    if (held_here()) {
      ++depth;
      return true;
    }
    if (!mutex_.try_lock()) return false;
    holder_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    depth = 1;
    return true;
  }

  // Ends one level of the calling thread's hold; the last one releases the lock.
  void unlock() {
    if (--depth > 0) return;
    holder_.store(std::thread::id(), std::memory_order_relaxed);
    mutex_.unlock();
  }

  // The rest is read and written by the holder only.
  int depth = 0;
  bool writing = false;         // a line is being inserted into the stream
  bool taken_for_fork = false;  // taken by the fork handler rather than by the forking thread

 private:
  std::mutex mutex_;
  std::atomic<std::thread::id> holder_{std::thread::id()};
};

// Lock order: the trace stream's, then the log stream's, then the registry's (ErrorState::lock).
// setLast holds the trace stream's lock while it stacks its record under the registry's, so that
// records appear in the trace in the order of the stack; nothing takes them the other way round.
StreamLock& trace_stream_lock();
StreamLock& log_stream_lock();

}  // namespace tervox::detail

#endif  // TERVOX_LOG_STREAMLOCK_H
