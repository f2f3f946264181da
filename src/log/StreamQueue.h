#ifndef TERVOX_LOG_STREAMQUEUE_H
#define TERVOX_LOG_STREAMQUEUE_H

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <ostream>
#include <thread>
#include <vector>

#include "log/LineBuffer.h"
#include "log/Writers.h"

namespace tervox::detail {

// One caller's place in a stream's queue: a line to write, with the record to stack after it, or
// a hold of the whole stream (line null).
struct Turn {
  const LineBuffer* line = nullptr;
  RecordEntry* record = nullptr;
  Turn* next = nullptr;
  std::atomic<bool> done{false};  // written (or lost) by another caller
  bool sleeping = false;          // waits on `ready`; guarded by the queue's lock
  LineOutcome outcome = LineOutcome::kLost;
  std::exception_ptr failure;  // what the stream or the stacking threw for this line
  std::condition_variable ready;
};

// The queue of one process stream. Whoever writes to the stream or holds it (a StreamHold, a
// reopen or close, a fork, the teardown) takes a turn in the order of arrival, and no line passes
// a queued hold, so a rotation waits only for the lines queued before it. A line that finds the
// stream free and nobody waiting goes at once. Otherwise it is queued, and whoever next finds the
// stream free with only lines queued, its own among them, puts every one into the stream in one
// insertion and flushes once, stacks their records in order, then tells their callers: under
// contention one write to the file carries several lines (the group commit of database logs). A
// single thread's line is inserted alone, with the bytes, flushes and stream states of a plain
// write. docs/performance.md has what each part of this buys.
//
// The calling thread's own hold lets its lines straight through; a line that it traces from inside
// its own insertion (a call-back of the host's stream buffer) is dropped, since the stream is in
// the middle of a line.
class StreamQueue {
 public:
  StreamQueue() noexcept = default;
  StreamQueue(const StreamQueue&) = delete;
  StreamQueue& operator=(const StreamQueue&) = delete;

  // Writes `line` into `stream`, the one this queue guards, in its turn, and then stacks
  // `record`, if any. Returns what became of the line; rethrows what the stream or the stacking
  // threw for it.
  LineOutcome write(std::ostream& stream, const LineBuffer& line, RecordEntry* record);

  // Holds the stream from the calling thread's turn on, or deepens the hold it has.
  void lock();
  // As lock, giving up at `deadline`, however the queue's own lock was left; returns whether the
  // calling thread holds the stream.
  bool lock_until(std::chrono::steady_clock::time_point deadline);
  // Ends one level of the calling thread's hold; the last one passes the stream on.
  void unlock();

  // Whether the calling thread holds the stream, or is writing its turn's lines.
  bool held_here() const {
    return holder_.load(std::memory_order_relaxed) == std::this_thread::get_id();
  }

  // Around a fork: the forking thread holds the stream in its turn (unless it held it already),
  // then, once it has every stream and the registry, the queue's own lock, so that the child finds
  // nothing taken by a thread it does not have. The child forgets the callers queued in the
  // parent, whose threads it lacks.
  void prepare_fork();
  void lock_queue_for_fork();
  void after_fork_in_parent();
  void after_fork_in_child();

 private:
  void enqueue(Turn& turn);
  void start_hold(Turn& hold);
  bool first_free(const Turn& turn) const { return head_ == &turn && !busy_; }
  void take_stream();
  void wake_head();
  Turn* batch_after(const std::ostream& stream, Turn& first);
  bool room_for_batch();
  void lead(std::ostream& stream, Turn& first, std::unique_lock<std::mutex>& lock);
  void write_batch(std::ostream& stream, Turn& first);
  LineOutcome insert_batch(std::ostream& stream, const Turn& first);
  LineOutcome write_held(std::ostream& stream, const LineBuffer& line, RecordEntry* record);
  static LineOutcome finished(const Turn& turn);

  // Guards head_, tail_ and busy_. Held only for moments and never while another lock is taken.
  std::mutex mutex_;
  Turn* head_ = nullptr;  // the callers waiting, oldest first
  Turn* tail_ = nullptr;
  bool busy_ = false;     // a caller writes its turn's lines or holds the stream
  int holds_queued_ = 0;  // holds among the callers waiting

  // The rest is read and written by the caller that has the stream.
  std::atomic<std::thread::id> holder_{std::thread::id()};
  int depth_ = 0;                // levels of the holder's hold
  bool writing_ = false;         // lines are being inserted into the stream
  bool taken_for_fork_ = false;  // held by the fork rather than by the forking thread
  std::vector<char> batch_;      // the lines of one insertion, when there are several
};

// Lock order: the trace stream's queue, then the log stream's, then the registry's lock. A
// recorded error's line is written in the trace stream's turn, and its record stacked under the
// registry's lock before that turn ends; nothing takes them the other way round.
StreamQueue& trace_stream_queue();
StreamQueue& log_stream_queue();

}  // namespace tervox::detail

#endif  // TERVOX_LOG_STREAMQUEUE_H
