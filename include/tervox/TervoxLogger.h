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
// Thread safety: every operation may be called from any number of threads at once. Each line (both
// lines of a warning or an error) reaches its stream whole, once, and unmixed with the lines of
// other calls; the trace level and the marker are atomic. The library locks each stream only for
// its own writes: a host that writes to a stream directly, or opens or closes one, while another
// thread traces must serialise that itself.
//
// Stack: a written line needs about 57 KiB of the calling thread's stack (two 25,000-byte buffers
// and the stream's own frames); give threads that trace at least 64 KiB. The library is built with
// stack probes, so a thread with too small a stack faults in that thread, at the call.
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
  // one, whatever is written to it is lost. The library never opens, closes or tests them.
  static std::basic_fstream<char>* get_process_trace_stream();
  static std::basic_fstream<char>* get_process_log_stream();

  // Formats `fmt` printf-style (at most 24,999 bytes, the rest dropped) and, if the trace level
  // lets `log_level` through, writes it as one line to the process trace stream, tagged
  // "[category]" with the level's prefix; warnings and errors are preceded by the line
  // "[category][?] [file, function:line]" (or "[!]"). A null `file` or `function` is written as
  // empty text. The stream is flushed before the call returns. Returns true, written or not; an
  // exception from the stream (when the host enabled them) or from an allocation passes through.
  // `fmt` is always a format: write a literal percent sign as "%%", or pass text through "%s".
  // A percent sign in `category` is copied literally. Needs no heap memory, but a category longer
  // than the standard library's short-string capacity (15 bytes on libstdc++, 22 on libc++) costs
  // one allocation per call, since it is passed as a std::string. Needs about 57 KiB of stack.
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
