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
// They live on the writer's stack and are never cleared or zero-filled: that alone would cost
// more than the formatting.
class LineBuffers {
 public:
  static constexpr std::size_t kCapacity = 25000;

  LineBuffers() = default;
  LineBuffers(const LineBuffers&) = delete;
  LineBuffers& operator=(const LineBuffers&) = delete;

#if defined(__GNUC__)
  __attribute__((format(printf, 2, 0)))
#endif
  void
  format_message(const char* fmt, va_list arguments) {
    // An encoding error leaves the text unspecified: write an empty message then.
    if (std::vsnprintf(message_, kCapacity, fmt, arguments) < 0) message_[0] = '\0';
  }

  void clear_prefix() {
    prefix_[0] = '\0';
    prefix_size_ = 0;
  }

  // Append to the prefix as the formatter's "%s" and "%d" would, with the same bound, without
  // parsing a format: the category is never read as one.
  void append_to_prefix(std::string_view text) {
    const std::size_t copied = std::min(text.size(), kCapacity - 1 - prefix_size_);
    std::memcpy(prefix_ + prefix_size_, text.data(), copied);
    prefix_size_ += copied;
    prefix_[prefix_size_] = '\0';
  }
  void append_to_prefix(int value) {
    char digits[11];  // "-2147483648"
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    append_to_prefix(std::string_view(digits, static_cast<std::size_t>(end - digits)));
  }

  const char* prefix() const { return prefix_; }
  const char* message() const { return message_; }

 private:
  char prefix_[kCapacity];
  char message_[kCapacity];
  std::size_t prefix_size_ = 0;
};

}  // namespace tervox::detail

#endif  // TERVOX_LOG_LINEBUFFERS_H
