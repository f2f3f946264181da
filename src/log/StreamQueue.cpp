#include "log/StreamQueue.h"

#include <new>
#include <ostream>
#include <string_view>

#include "Lifetime.h"
#include "error/RecordEntry.h"

#if !defined(_WIN32)
#include <pthread.h>
#endif

namespace tervox::detail {
namespace {

// What one insertion carries at most: enough for the lines of many threads, and little enough
// that the buffer, once reserved, is never a burden.
constexpr std::size_t kBatchBytes = std::size_t{1} << 16;

// Cancellation (pthread_cancel, as C and Fortran codes stop their workers) is held back while a
// caller waits for its turn or writes: a caller unwound from its wait would leave its turn linked
// in the queue, and a write cut off midway would leave a torn line and a failed stream for every
// thread. It takes effect at the caller's next cancellation point, as glibc does in its own stdio.
class CancellationDeferred {
 public:
  CancellationDeferred() {
#if !defined(_WIN32)
    pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &previous_);
#endif
  }
  ~CancellationDeferred() {
#if !defined(_WIN32)
    pthread_setcancelstate(previous_, nullptr);
#endif
  }
  CancellationDeferred(const CancellationDeferred&) = delete;
  CancellationDeferred& operator=(const CancellationDeferred&) = delete;

 private:
  [[maybe_unused]] int previous_ = 0;
};

// The bytes in one insertion, so that they leave in one write, then the flush of the line end and
// one more, as the writers owe their callers. A field width that the host set applies to the
// first insertion, the prefix, as it always has. After a failed line the stream holds failbit
// beside badbit on every standard library. Returns whether the stream took the bytes.
bool insert(std::ostream& stream, const char* data, std::size_t size, std::size_t prefix_size) {
  std::size_t start = 0;
  if (stream.width() != 0) {
    stream << std::string_view(data, prefix_size);
    start = prefix_size;
  }
  stream.write(data + start, static_cast<std::streamsize>(size - start));
  stream.flush();
  stream.flush();
  if (stream.bad()) stream.setstate(std::ios_base::failbit);
  return !stream.fail();
}

// How long a queued caller watches for its line to be written before it sleeps: some tens of
// microseconds, many times a write to a file, so that a caller whose line goes in the current
// batch is neither put to sleep nor woken, two system calls a line (docs/performance.md).
constexpr int kSpins = 1000;

// Tells the processor that this is a wait, so that the other thread of its core runs meanwhile.
void relax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

LineOutcome outcome_of(bool written) {
  return written ? LineOutcome::kWritten : LineOutcome::kLost;
}

}  // namespace

LineOutcome StreamQueue::write(std::ostream& stream, const LineBuffer& line, RecordEntry* record) {
  const CancellationDeferred deferred;
  if (held_here()) return write_held(stream, line, record);
  std::unique_lock<std::mutex> lock(mutex_);
  if (head_ == nullptr && !busy_) {
    // Nobody writes or waits: the line goes at once, without a turn to queue and wake.
    take_stream();
    lock.unlock();
    const std::lock_guard<StreamQueue> hold(*this, std::adopt_lock);
    return write_held(stream, line, record);
  }
  Turn turn;
  turn.line = &line;
  turn.record = record;
  enqueue(turn);
  // A free stream with only lines queued is written at once by the caller that finds it so, the
  // lines ahead of its own included: waking the one at the head would leave the stream idle for
  // as long as its thread takes to run.
  if (busy_ || holds_queued_ > 0) {
    lock.unlock();
    for (int spin = 0; spin < kSpins; ++spin) {
      if (turn.done.load(std::memory_order_acquire)) return finished(turn);
      relax();
    }
    lock.lock();
    turn.sleeping = true;
    turn.ready.wait(lock,
                    [&] { return turn.done.load(std::memory_order_relaxed) || first_free(turn); });
  }
  if (!turn.done.load(std::memory_order_relaxed)) lead(stream, turn, lock);
  return finished(turn);
}

LineOutcome StreamQueue::finished(const Turn& turn) {
  if (turn.failure) std::rethrow_exception(turn.failure);
  return turn.outcome;
}

void StreamQueue::lock() {
  if (held_here()) {
    ++depth_;
    return;
  }
  const CancellationDeferred deferred;
  Turn turn;
  std::unique_lock<std::mutex> lock(mutex_);
  enqueue(turn);
  turn.ready.wait(lock, [&] { return first_free(turn); });
  start_hold(turn);
}

bool StreamQueue::lock_until(std::chrono::steady_clock::time_point deadline) {
  if (held_here()) {
    ++depth_;
    return true;
  }
  if (!lock_by(mutex_, deadline)) return false;
  std::unique_lock<std::mutex> lock(mutex_, std::adopt_lock);
  Turn turn;
  enqueue(turn);
  if (turn.ready.wait_until(lock, deadline, [&] { return first_free(turn); })) {
    start_hold(turn);
    return true;
  }
  --holds_queued_;
  // Out of the queue again, wherever it stands.
  Turn** link = &head_;
  Turn* previous = nullptr;
  while (*link != &turn) {
    previous = *link;
    link = &(*link)->next;
  }
  *link = turn.next;
  if (tail_ == &turn) tail_ = previous;
  wake_head();
  return false;
}

void StreamQueue::unlock() {
  if (--depth_ > 0) return;
  const std::lock_guard<std::mutex> lock(mutex_);
  holder_.store(std::thread::id(), std::memory_order_relaxed);
  busy_ = false;
  wake_head();
}

void StreamQueue::prepare_fork() {
  if (held_here()) return;
  lock();
  taken_for_fork_ = true;
}

void StreamQueue::lock_queue_for_fork() { mutex_.lock(); }

void StreamQueue::after_fork_in_parent() {
  mutex_.unlock();
  if (!taken_for_fork_) return;
  taken_for_fork_ = false;
  unlock();
}

void StreamQueue::after_fork_in_child() {
  head_ = nullptr;
  tail_ = nullptr;
  holds_queued_ = 0;
  after_fork_in_parent();
}

void StreamQueue::start_hold(Turn& hold) {
  --holds_queued_;
  head_ = hold.next;
  if (head_ == nullptr) tail_ = nullptr;
  take_stream();
}

void StreamQueue::enqueue(Turn& turn) {
  if (turn.line == nullptr) ++holds_queued_;
  if (tail_ != nullptr) {
    tail_->next = &turn;
  } else {
    head_ = &turn;
  }
  tail_ = &turn;
}

void StreamQueue::take_stream() {
  busy_ = true;
  holder_.store(std::this_thread::get_id(), std::memory_order_relaxed);
  depth_ = 1;
}

void StreamQueue::wake_head() {
  if (head_ != nullptr && !busy_) head_->ready.notify_one();
}

// The last turn whose line goes into the stream with `first`'s: the lines queued behind it, up to
// a hold and kBatchBytes in all. A stream that throws or pads (a host's exceptions mask or field
// width, which apply per insertion) takes its lines one at a time, so that a failure reaches the
// caller whose line it was and the width the first insertion of each.
Turn* StreamQueue::batch_after(const std::ostream& stream, Turn& first) {
  Turn* last = &first;
  if (first.next == nullptr || stream.exceptions() != std::ios_base::goodbit ||
      stream.width() != 0 || !room_for_batch()) {
    return last;
  }
  std::size_t bytes = first.line->size();
  for (Turn* next = first.next; next != nullptr && next->line != nullptr; next = next->next) {
    bytes += next->line->size();
    if (bytes > kBatchBytes) break;
    last = next;
  }
  return last;
}

// Reserved once, by the first caller that finds others queued behind it; without the memory, each
// line goes on its own.
bool StreamQueue::room_for_batch() {
  if (batch_.capacity() >= kBatchBytes) return true;
  try {
    batch_.reserve(kBatchBytes);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

// Writes the lines queued from the head up to `own`, the caller's, in batches, then wakes their
// callers. The stream is this caller's from here until the end, and the queue's lock is released
// while a batch is written.
void StreamQueue::lead(std::ostream& stream, Turn& own, std::unique_lock<std::mutex>& lock) {
  take_stream();
  while (!own.done.load(std::memory_order_relaxed)) {
    Turn& first = *head_;
    Turn* const last = batch_after(stream, first);
    head_ = last->next;
    if (head_ == nullptr) tail_ = nullptr;
    last->next = nullptr;
    lock.unlock();
    write_batch(stream, first);
    lock.lock();
    for (Turn* turn = &first; turn != nullptr;) {
      Turn* const next = turn->next;
      const bool sleeping = turn->sleeping;  // read first: a caller that sees done is gone
      turn->done.store(true, std::memory_order_release);
      if (sleeping) turn->ready.notify_one();
      turn = next;
    }
  }
  holder_.store(std::thread::id(), std::memory_order_relaxed);
  busy_ = false;
  wake_head();
}

// Inserts the lines of the turns from `first` on, then stacks their records in order. What the
// stream or the stacking throws goes to the turns it concerns, never out of here.
void StreamQueue::write_batch(std::ostream& stream, Turn& first) {
  std::exception_ptr failure;
  LineOutcome outcome = LineOutcome::kLost;
  writing_ = true;
  try {
    outcome = insert_batch(stream, first);
  } catch (...) {
    failure = std::current_exception();
  }
  writing_ = false;
  for (Turn* turn = &first; turn != nullptr; turn = turn->next) {
    turn->outcome = outcome;
    turn->failure = failure;
    if (failure || turn->record == nullptr) continue;
    try {
      stack_record(*turn->record);
    } catch (...) {
      turn->failure = std::current_exception();
    }
  }
}

LineOutcome StreamQueue::insert_batch(std::ostream& stream, const Turn& first) {
  const LineBuffer& line = *first.line;
  if (first.next == nullptr) {
    return outcome_of(insert(stream, line.data(), line.size(), line.prefix_size()));
  }
  batch_.clear();
  for (const Turn* turn = &first; turn != nullptr; turn = turn->next) {
    batch_.insert(batch_.end(), turn->line->data(), turn->line->data() + turn->line->size());
  }
  return outcome_of(insert(stream, batch_.data(), batch_.size(), 0));
}

// A line of the thread that holds the stream: written at once, or dropped if it comes from inside
// that thread's own insertion.
LineOutcome StreamQueue::write_held(std::ostream& stream, const LineBuffer& line,
                                    RecordEntry* record) {
  LineOutcome outcome = LineOutcome::kLost;
  if (!writing_) {
    writing_ = true;
    try {
      outcome = outcome_of(insert(stream, line.data(), line.size(), line.prefix_size()));
    } catch (...) {
      writing_ = false;
      throw;
    }
    writing_ = false;
  }
  if (record != nullptr) stack_record(*record);
  return outcome;
}

}  // namespace tervox::detail
