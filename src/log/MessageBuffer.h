#ifndef TERVOX_LOG_MESSAGEBUFFER_H
#define TERVOX_LOG_MESSAGEBUFFER_H

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

  __attribute__((format(printf, 2, 3))) void format(const char* fmt, ...) {
    va_list arguments;
    va_start(arguments, fmt);
    vformat(fmt, arguments);
    va_end(arguments);
  }

  void clear() {
    text_[0] = '\0';
    size_ = 0;
  }

  const char* c_str() const { return text_; }
  // The length of the text as a C string: a NUL that a "%c" put inside it ends it there.
  std::size_t size() const { return size_; }

 private:
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
