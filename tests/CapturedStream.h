#ifndef TERVOX_TESTS_CAPTUREDSTREAM_H
#define TERVOX_TESTS_CAPTUREDSTREAM_H

#include <gtest/gtest.h>
#include <tervox/TervoxLogger.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

// Opens one of the logger's streams on a fresh file for the length of a test and reads the file
// back while the stream is still open, so a test sees only what the logger has flushed.
class CapturedStream {
 public:
  explicit CapturedStream(std::fstream* stream) : stream_(stream), path_(fresh_path()) {
    stream_->clear();
    stream_->open(path_, std::ios::out | std::ios::trunc);
  }
  CapturedStream(const CapturedStream&) = delete;
  CapturedStream& operator=(const CapturedStream&) = delete;
  ~CapturedStream() {
    stream_->close();
    stream_->clear();
    stream_->exceptions(std::ios::goodbit);
    std::remove(path_.c_str());
  }

  std::string contents() const {
    std::ifstream file(path_, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
  }

  const std::string& path() const { return path_; }

 private:
  static std::string fresh_path() {
    static int counter = 0;
    return testing::TempDir() + "tervox_capture_" + std::to_string(getpid()) + "_" +
           std::to_string(counter++) + ".txt";
  }

  std::fstream* stream_;
  std::string path_;
};

inline CapturedStream capture_trace() { return CapturedStream(TervoxLogger::get_process_trace_stream()); }

// Restores the trace level of load time after each test.
class TraceLevelGuard {
 public:
  TraceLevelGuard() = default;
  TraceLevelGuard(const TraceLevelGuard&) = delete;
  TraceLevelGuard& operator=(const TraceLevelGuard&) = delete;
  ~TraceLevelGuard() { TervoxLogger::set_trace_level(3); }
};

#endif  // TERVOX_TESTS_CAPTUREDSTREAM_H
