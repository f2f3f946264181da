#ifndef TERVOX_LOG_MESSAGEBUFFER_H
#define TERVOX_LOG_MESSAGEBUFFER_H

#include <algorithm>
#include <charconv>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace tervox::detail {

// A 25,000-byte text buffer on the writer's stack, filled by the runtime's bounded formatter: at
// most 24,999 bytes of text and always terminated. It is never cleared or zero-filled, since the
// formatter writes the terminator itself and clearing 25,000 bytes would cost more than the
// formatting does.
class MessageBuffer {
 public:
  static constexpr std::size_t kCapacity = 25000;

  MessageBuffer() = default;
  MessageBuffer(const MessageBuffer&) = delete;
  MessageBuffer& operator=(const MessageBuffer&) = delete;

  __attribute__((format(printf, 2, 0))) void vformat(const char* fmt, va_list arguments) {
    settle(std::vsnprintf(text_, kCapacity, fmt, arguments));
  }

  // Append text as the formatter's "%s" and "%d" would, with the same bound, but without parsing
  // a format: the line prefixes are built this way.
  void append(const char* text) { append(text, std::strlen(text)); }
  void append(int value) {
    char digits[12];
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    append(digits, static_cast<std::size_t>(end - digits));
  }

  void clear() {
    text_[0] = '\0';
    size_ = 0;
  }

  const char* c_str() const { return text_; }
  // The length of the text as a C string: a NUL that a "%c" put inside it ends it there.
  std::size_t size() const { return size_; }

 private:
  void append(const char* text, std::size_t length) {
    const std::size_t copied = std::min(length, kCapacity - 1 - size_);
    std::memcpy(text_ + size_, text, copied);
    size_ += copied;
    text_[size_] = '\0';
  }

  void settle(int formatter_result) {
    if (formatter_result < 0) {
      clear();  // an encoding error leaves the buffer's contents unspecified
    } else {
      size_ = std::strlen(text_);
    }
  }

  char text_[kCapacity];
  std::size_t size_ = 0;
};

}  // namespace tervox::detail

#endif  // TERVOX_LOG_MESSAGEBUFFER_H
