#ifndef TERVOX_TOOLS_TRACELINEREADER_H
#define TERVOX_TOOLS_TRACELINEREADER_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace tervox::tools {

// Reads traces line by line through one buffer of fixed size, so that the memory used stays the
// same whatever the size and number of the traces and of their lines.
class TraceLineReader {
 public:
  // Longer than any line the library writes: its prefix and its message are each cut at 24,999
  // bytes. Only the start of a longer line is kept.
  static constexpr std::size_t kMaxLine = 65536;

  struct Line {
    std::string_view text;  // without its "\n" or "\r\n"; at most kMaxLine bytes
    bool overlong;          // the line was longer than kMaxLine and `text` is its start
  };

  // `wanted_start` is how the lines that skip_unwanted_lines() stops at start.
  explicit TraceLineReader(std::string_view wanted_start);

  // Reads `file` from here on, which must stay open while it is read: the buffer is kept from
  // file to file, since a campaign's traces are mostly much smaller than it.
  void start(std::FILE* file);

  // Skips the lines from here to the next one that starts with the wanted start, or to one that
  // next() must see (at the end of the file, or too long), and returns how many it skipped.
  // Where most lines are of no interest, this is much faster than next(): a tight loop of a
  // search for the line feed and a comparison that mostly stops at a line's second byte.
  std::int64_t skip_unwanted_lines();

  // Reads the next line into `line`, whose text stays valid until the next call. A last line
  // without a line feed is a line too. Returns false at the end of the file or at a read error
  // (read_error() tells which).
  bool next(Line& line) {
    // Most lines are whole in the buffer: found and returned here, inline, at a few instructions
    // besides the search for their end.
    const char* const start = buffer_.data() + begin_;
    const void* const newline = skipping_ ? nullptr : std::memchr(start, '\n', end_ - begin_);
    if (newline == nullptr) return next_at_buffer_end(line);
    const std::size_t length = static_cast<std::size_t>(static_cast<const char*>(newline) - start);
    if (length > kMaxLine) return next_at_buffer_end(line);
    begin_ += length + 1;
    line =
        Line{std::string_view(start, length > 0 && start[length - 1] == '\r' ? length - 1 : length),
             false};
    return true;
  }

  // The errno of the read that failed and ended the file early; 0 when none did.
  int read_error() const { return read_error_; }

 private:
  bool next_at_buffer_end(Line& line);
  void refill();

  std::FILE* file_ = nullptr;
  std::string wanted_start_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;  // the unread bytes are [begin_, end_)
  std::size_t end_ = 0;
  bool at_end_ = false;
  bool skipping_ = false;  // dropping the rest of an overlong line already returned
  int read_error_ = 0;
};

}  // namespace tervox::tools

#endif  // TERVOX_TOOLS_TRACELINEREADER_H
