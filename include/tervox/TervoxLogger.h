#ifndef TERVOX_TERVOXLOGGER_H
#define TERVOX_TERVOXLOGGER_H

#include <atomic>
#include <fstream>
#include <string>

#include <tervox/Export.h>

// The process-wide logger: a trace level, an initialisation marker and two file streams, the
// process trace and the process log, that the host opens on files of its choice. Nothing
// instantiates this class; every member is static and shared by every module of the process.
//
// Thread safety: every operation may be called from any number of threads at once, and from a
// child forked while other threads were tracing. Each line (both lines of a warning or an error)
// reaches its stream whole, once, unmixed with the lines of other calls, and in one write to the
// file, so that processes appending to one file never tear a line. A host that opens, closes or
// replaces a stream's file, or writes to a stream directly, while other threads trace does it
// through reopen_/close_process_*_stream or under a StreamHold.
//
// Call-backs: code of the host that runs inside a write (a stream buffer of its own, a sink that
// waits for another thread) may trace, log, record and read the registry. A line that such code
// traces or logs into the stream being written on the same thread is dropped, since that stream is
// in the middle of a line; its records are stacked all the same. Nothing here is
// async-signal-safe: do not call the library from a signal handler.
//
// Lifetime: the streams and the registry stay usable until every exit handler and static
// destructor of the host has run, however the library was loaded. A call that another thread
// makes while the process ends after that is dropped.
//
// Stack: a line of ordinary length uses a few KiB of the calling thread's stack and no heap
// memory; a line longer than about 1 KiB is put together on the heap (an allocation failure then
// passes through). Any format, long floating-point conversions included, works on a thread with
// 32 KiB of stack (docs/performance.md has the measured figures).
class TERVOX_LOG_EXPORT TervoxLogger {
 public:
  // Severity of a trace message. The underlying type is fixed, so every int a host passes is a
  // valid value; values outside 0..6 are accepted and write nothing.
  enum LogLevel : int {
    LOG_VERBOSE,  // "[V] ", written from trace level 9999
    LOG_DEBUG,    // "[D] ", written from trace level 4
    LOG_INFO,     // " " after the tag, written from trace level 3
    LOG_PLAIN,    // the message alone, written from trace level 3
    LOG_NOTICE,   // "[*] ", written from trace level 3
    LOG_WARNING,  // "[?] " after a location line, written from trace level 2
    LOG_ERROR     // "[!] " after a location line, written from trace level 1
  };

  // Marks the logger initialised. Optional: every public operation does the same. Returns true.
  static bool init();

  // Stores `trace_level` unchanged (no range check). 0 or less silences every trace message,
  // 9999 or more lets every level through. Returns true.
  static bool set_trace_level(int trace_level);

  // Returns the trace level in force: 3 until the host sets another.
  static int get_trace_level();

  // Return the process trace and log streams: never null, the same address on every call for as
  // long as the library is loaded. The host opens, closes and may write to them; until it opens
  // one, whatever is written to it is lost. The library opens and closes them only when the host
  // asks it to (reopen_/close_process_*_stream below) and never tests them.
  static std::basic_fstream<char>* get_process_trace_stream();
  static std::basic_fstream<char>* get_process_log_stream();

  // Close the file that the process trace (or log) stream has open, if any, and open `path` on it
  // for binary output (lines end in one line feed on every platform), appending to the file when
  // `append` is true and emptying it otherwise, under the lock of the library's writers: a line
  // that another thread writes at the same time goes wholly to the old file or wholly to the new
  // one. This is how a host rotates its trace while other
  // threads, its plugins' included, trace. Returns whether `path` is open on the stream afterwards;
  // on success the stream's error state is cleared, as by std::fstream::open. Do not call it from
  // inside a write to the same stream (a call-back of its stream buffer).
  static bool reopen_process_trace_stream(const char* path, bool append = true);
  static bool reopen_process_log_stream(const char* path, bool append = true);

  // Close the file of the process trace (or log) stream, if one is open, under the writers' lock.
  // Returns whether a file was open and closed without error.
  static bool close_process_trace_stream();
  static bool close_process_log_stream();

  // Takes and releases the lock of the library's writers on `stream`, one of the two process
  // streams (any other pointer is ignored). Prefer StreamHold, which cannot forget the release.
  static void lock_process_stream(std::basic_fstream<char>* stream);
  static void unlock_process_stream(std::basic_fstream<char>* stream);

  // Holds the writers' lock of one process stream for its lifetime, so that the host can write to
  // the stream directly, or open, close or replace its file, between other threads' lines:
  //
  //   TervoxLogger::StreamHold hold(TervoxLogger::get_process_trace_stream());
  //   *hold.stream() << "=== job 42 ===" << std::endl;
  //
  // Lines that the holding thread traces meanwhile are written at once; other threads wait. Do
  // not wait, while holding it, for another thread that traces into the same stream, and do not
  // take it inside a write to that stream. The library takes the trace stream's lock before the
  // log stream's: while holding the log stream, do not trace or record, and hold both in that
  // order, or a fork or another thread may wait for ever.
  class StreamHold {
   public:
    explicit StreamHold(std::basic_fstream<char>* stream) : stream_(stream) {
      lock_process_stream(stream_);
    }
    ~StreamHold() { unlock_process_stream(stream_); }
    StreamHold(const StreamHold&) = delete;
    StreamHold& operator=(const StreamHold&) = delete;

    std::basic_fstream<char>* stream() const { return stream_; }

   private:
    std::basic_fstream<char>* stream_;
  };

  // Formats `fmt` printf-style (at most 24,999 bytes, the rest dropped) and, if the trace level
  // lets `log_level` through, writes it as one line to the process trace stream, tagged
  // "[category]" with the level's prefix; warnings and errors are preceded by the line
  // "[category][?] [file, function:line]" (or "[!]"). A null `file` or `function` is written as
  // empty text. The stream is flushed before the call returns. Returns true, written or not; an
  // exception from the stream (when the host enabled them) or from an allocation passes through.
  // `fmt` is always a format: write a literal percent sign as "%%", or pass text through "%s".
  // A percent sign in `category` is copied literally. A line longer than about 1 KiB, and a
  // category longer than the standard library's short-string capacity (15 bytes on libstdc++, 22 on
  // libc++, since it is passed as a std::string), cost one allocation each.
  static bool trace_message(std::string category, LogLevel log_level, const char* file,
                            const char* function, int line, const char* fmt, ...)
      TERVOX_LOG_PRINTF_FORMAT(6, 7);

  // Formats `fmt` as trace_message does and writes "[category] message" as one line to the process
  // log stream, whatever the trace level, then flushes it. Returns true, written or not; stream
  // and allocation exceptions pass through as for trace_message.
  static bool log_message(std::string category, const char* fmt, ...)
      TERVOX_LOG_PRINTF_FORMAT(2, 3);

 private:
  // False on the very first call of the process (which marks the logger as being initialised),
  // then whether the logger is initialised.
  static bool check_init_before_call();
  // Marks the logger initialised.
  static void set_init_already_call();

  static std::atomic<int> m_trace_level;
  static std::atomic<int> m_tervox_log_init_value;
  static std::basic_fstream<char> m_process_log_stream;
  static std::basic_fstream<char> m_process_trace_stream;
};

#endif  // TERVOX_TERVOXLOGGER_H
