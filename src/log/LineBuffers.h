#ifndef TERVOX_LOG_LINEBUFFERS_H
#define TERVOX_LOG_LINEBUFFERS_H

#include <algorithm>
#include <charconv>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace tervox::detail {

// The two 25,000-byte buffers of one writer call, the line prefix and the message, each holding
// at most 24,999 bytes of text and its terminator, cut as the runtime's bounded formatter cuts.
// They live on the writer's stack, side by side in one array (prefix first), so that the prefix
// can be moved against the message and the whole line handed to the stream in one piece. They
// are never cleared or zero-filled: that alone would cost more than the formatting.
class LineBuffers {
 public:
  static constexpr std::size_t kCapacity = 25000;

  LineBuffers() = default;
  LineBuffers(const LineBuffers&) = delete;
  LineBuffers& operator=(const LineBuffers&) = delete;

  __attribute__((format(printf, 2, 0))) void format_message(const char* fmt, va_list arguments) {
    message_size_ = settled_size(message_text(), std::vsnprintf(message_text(), kCapacity, fmt, arguments));
  }

  void clear_prefix() {
    text_[0] = '\0';
    prefix_size_ = 0;
  }

  // Append to the prefix as the formatter's "%s" and "%d" would, with the same bound, without
  // parsing a format.
  void append_to_prefix(const char* text) { append_to_prefix(text, std::strlen(text)); }
  void append_to_prefix(int value) {
    char digits[12];
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    append_to_prefix(digits, static_cast<std::size_t>(end - digits));
  }

  // The texts as C strings; the sizes stop where the C strings do (at a NUL that "%c" formatted).
  const char* prefix() const { return text_; }
  const char* message() const { return text_ + kCapacity; }

  // Moves the prefix against the message and puts `line_end` in place of the message's
  // terminator, and returns "prefix message line_end" as one run of bytes. prefix() and message()
  // are no longer valid afterwards.
  std::string_view join_line(char line_end) {
    char* const line = message_text() - prefix_size_;
    std::memmove(line, text_, prefix_size_);
    message_text()[message_size_] = line_end;
    return {line, prefix_size_ + message_size_ + 1};
  }

 private:
  char* message_text() { return text_ + kCapacity; }

  void append_to_prefix(const char* text, std::size_t length) {
    const std::size_t copied = std::min(length, kCapacity - 1 - prefix_size_);
    std::memcpy(text_ + prefix_size_, text, copied);
    prefix_size_ += copied;
    text_[prefix_size_] = '\0';
  }

  static std::size_t settled_size(char* text, int formatter_result) {
    if (formatter_result < 0) text[0] = '\0';  // an encoding error leaves the text unspecified
    return std::strlen(text);
  }

  char text_[2 * kCapacity];
  std::size_t prefix_size_ = 0;
  std::size_t message_size_ = 0;
};

}  // namespace tervox::detail

#endif  // TERVOX_LOG_LINEBUFFERS_H
