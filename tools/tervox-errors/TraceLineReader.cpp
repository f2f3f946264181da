#include "TraceLineReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tervox::tools {

// Room for a whole line of the maximum length after the unread start of another.
TraceLineReader::TraceLineReader(std::string_view wanted_start)
    : wanted_start_(wanted_start), buffer_(4 * kMaxLine) {}

void TraceLineReader::start(std::FILE* file) {
  file_ = file;
  begin_ = end_ = 0;
  at_end_ = skipping_ = false;
  read_error_ = 0;
}

namespace {

// Whether `text`, which holds at least start.size() bytes, starts with `start`. Inline, since
// unwanted lines mostly differ in their first bytes, sooner than a call to memcmp returns.
bool starts_with(const char* text, std::string_view start) {
  for (char c : start) {
    if (*text++ != c) return false;
  }
  return true;
}

}  // namespace

std::int64_t TraceLineReader::skip_unwanted_lines() {
  std::int64_t skipped = 0;
  while (!skipping_) {
    const char* const end = buffer_.data() + end_;
    const char* line = buffer_.data() + begin_;
    bool wanted = false;
    while (static_cast<std::size_t>(end - line) >= wanted_start_.size()) {
      wanted = starts_with(line, wanted_start_);
      const auto* const newline = static_cast<const char*>(
          wanted ? nullptr : std::memchr(line, '\n', static_cast<std::size_t>(end - line)));
      // An overlong line is damage, which next() tells.
      if (newline == nullptr || static_cast<std::size_t>(newline - line) > kMaxLine) break;
      ++skipped;
      line = newline + 1;
    }
    begin_ = static_cast<std::size_t>(line - buffer_.data());
    // Unless it is wanted, the line goes on beyond the buffer: read on, unless it is the last or
    // too long, for next() to see.
    if (wanted || at_end_ || end_ - begin_ > kMaxLine) break;
    refill();
  }
  return skipped;
}

// The line that next() could not take from the buffer as it is: one that ends beyond it, or was
// too long, or the rest of a line too long.
bool TraceLineReader::next_at_buffer_end(Line& line) {
  for (;;) {
    const char* const start = buffer_.data() + begin_;
    const std::size_t available = end_ - begin_;
    const auto* const newline = static_cast<const char*>(std::memchr(start, '\n', available));
    if (newline == nullptr && !at_end_ && (skipping_ || available <= kMaxLine)) {
      if (skipping_) begin_ = end_;
      refill();
      continue;
    }
    if (skipping_) {
      skipping_ = false;
      begin_ = newline == nullptr ? end_ : begin_ + static_cast<std::size_t>(newline - start) + 1;
      continue;
    }
    if (newline == nullptr && available == 0) return false;
    // Here a line feed was found, or the file ended, or more than kMaxLine bytes have none.
    const std::size_t length =
        newline == nullptr ? available : static_cast<std::size_t>(newline - start);
    const bool overlong = length > kMaxLine;
    skipping_ = newline == nullptr && !at_end_;
    begin_ += newline == nullptr ? length : length + 1;
    std::string_view text(start, std::min(length, kMaxLine));
    if (!overlong && !text.empty() && text.back() == '\r') text.remove_suffix(1);
    line = Line{text, overlong};
    return true;
  }
}

void TraceLineReader::refill() {
  std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
  end_ -= begin_;
  begin_ = 0;
  const std::size_t room = buffer_.size() - end_;
  const std::size_t read = std::fread(buffer_.data() + end_, 1, room, file_);
  end_ += read;
  // fread returns less than asked only at the end of the file or at an error.
  at_end_ = read < room;
  if (at_end_ && std::ferror(file_)) read_error_ = errno;
}

}  // namespace tervox::tools
