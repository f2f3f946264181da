#ifndef TERVOX_TESTS_CAPTUREDSTREAM_H
#define TERVOX_TESTS_CAPTUREDSTREAM_H

#include <tervox/TervoxLogger.h>

#include <fstream>
#include <stdexcept>
#include <string>

// Stands in for the file a host opens on one of the logger's streams, for the length of a test:
// keeps what the logger writes in memory, so tests running at the same time share nothing, and
// counts the stream's syncs (every line end and every flush). Its room is reserved up front, so
// that writing needs no heap memory. Puts the stream back as it was, at trace level 3, at the end.
class CapturedStream : private std::streambuf {
 public:
  explicit CapturedStream(std::fstream* stream = TervoxLogger::get_process_trace_stream())
      : stream_(stream) {
    text_.reserve(1 << 16);
    stream_->std::ios::rdbuf(this);
  }
  CapturedStream(const CapturedStream&) = delete;
  CapturedStream& operator=(const CapturedStream&) = delete;
  ~CapturedStream() override {
    stream_->std::ios::rdbuf(stream_->rdbuf());  // the stream's own file buffer
    stream_->exceptions(std::ios::goodbit);
    stream_->clear();
    TervoxLogger::set_trace_level(3);
  }

  // Returns what was written since the previous call.
  // Keeps the reserved room, so that taking allocates nothing but the copy.
  std::string take() {
    const std::string text = text_;
    text_.clear();
    return text;
  }

  int syncs = 0, failing_sync = 0;  // the syncs so far, and the one to fail (0: none)
  bool sync_throws = false;         // the failing sync throws, as a full queue's at() would

 private:
  int_type overflow(int_type c) override {
    text_ += traits_type::to_char_type(c);
    return c;
  }
  int sync() override {
    if (++syncs != failing_sync) return 0;
    if (sync_throws) throw std::out_of_range("queue full");
    return -1;
  }

  std::fstream* stream_;
  std::string text_;
};

#endif  // TERVOX_TESTS_CAPTUREDSTREAM_H
