#ifndef TERVOX_LOG_LINEBUFFER_H
#define TERVOX_LOG_LINEBUFFER_H

#include <algorithm>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

namespace tervox::detail {

// How a message given as text is put into its line. Text that C, Fortran and Python hosts pass
// through the library's text calls is folded: a tab follows each line feed in it, so that no line
// of a message, a file name a job was given for instance, can start like a line of the library's
// own, a recorded error's above all (tervox/FoldedText.h says the same for C++ hosts).
enum class TextForm { kAsIs, kFolded };

// One line as it goes to the file: its prefix, its message and the line end, contiguous, so that
// one write carries the whole line and processes appending to one file never tear it. The prefix
// and the message are each cut at 24,999 bytes, as the runtime's bounded formatter cuts a
// 25,000-byte buffer. A line of up to kInlineCapacity bytes stays in the object, on the caller's
// stack; a longer one moves to the heap, so that the frame stays small enough for threads with
// small stacks (the C library's formatter wants its own share of the stack for long
// floating-point conversions).
class LineBuffer {
 public:
  static constexpr std::size_t kTextLimit = 24999;
  static constexpr std::size_t kInlineCapacity = 1536;

  LineBuffer() = default;
  LineBuffer(const LineBuffer&) = delete;
  LineBuffer& operator=(const LineBuffer&) = delete;

  // Appends to the prefix as the formatter's "%s" would, up to the prefix's cut.
  void append_to_prefix(std::string_view text) {
    const std::size_t copied = std::min(text.size(), kTextLimit - size_);
    if (size_ + copied + 2 > capacity_) grow(std::max(size_ + copied + 2, 2 * capacity_));
    std::memcpy(data_ + size_, text.data(), copied);
    size_ += copied;
    prefix_size_ = size_;
  }

  // Formats the message after the prefix and ends the line. The message ends at its first zero
  // byte, as a C string inserted into a stream does; an encoding error leaves it empty.
#if defined(__GNUC__)
  __attribute__((format(printf, 2, 0)))
#endif
  void
  append_message(const char* fmt, va_list arguments) {
    va_list retry;
    va_copy(retry, arguments);
    const int length = std::vsnprintf(data_ + size_, capacity_ - size_ - 1, fmt, arguments);
    if (length < 0) {
      data_[size_] = '\0';
    } else if (static_cast<std::size_t>(length) >= capacity_ - size_ - 1) {
      const std::size_t kept = std::min(static_cast<std::size_t>(length), kTextLimit);
      grow(size_ + kept + 2);
      (void)std::vsnprintf(data_ + size_, kept + 1, fmt, retry);  // the length is known
    }
    va_end(retry);
    end_line(std::strlen(data_ + size_));
  }

  // Formats a message that is not written, as the writers do whatever the level, into the inline
  // room only: nobody reads it, and a filtered message must not cost a heap allocation.
#if defined(__GNUC__)
  __attribute__((format(printf, 2, 0)))
#endif
  void
  format_unwritten(const char* fmt, va_list arguments) {
    (void)std::vsnprintf(inline_, kInlineCapacity, fmt, arguments);
  }

  // Appends `text` as the message, as "%s" with it would, or folded (TextForm), then cut.
  void append_message_text(const char* text, TextForm form) {
    const std::size_t whole = std::strlen(text);
    // A search, not a copy, whatever clang-tidy 14 takes it for.
    // NOLINTNEXTLINE(bugprone-not-null-terminated-result)
    if (form == TextForm::kFolded && std::memchr(text, '\n', whole) != nullptr) {
      return append_folded(text, whole);
    }
    const std::size_t length = std::min(whole, kTextLimit);
    if (size_ + length + 2 > capacity_) grow(size_ + length + 2);
    std::memcpy(data_ + size_, text, length);
    end_line(length);
  }

  const char* data() const { return data_; }
  std::size_t size() const { return size_; }
  std::size_t prefix_size() const { return prefix_size_; }

 private:
  // Ends the line after the `length` bytes of message that follow the prefix.
  void end_line(std::size_t length) {
    size_ += length;
    data_[size_++] = '\n';
  }

  void append_folded(const char* text, std::size_t length) {
    const std::size_t room = std::min(2 * length, kTextLimit);
    if (size_ + room + 2 > capacity_) grow(size_ + room + 2);
    char* const message = data_ + size_;
    std::size_t written = 0;
    for (std::size_t i = 0; i < length && written < kTextLimit; ++i) {
      message[written++] = text[i];
      if (text[i] == '\n' && written < kTextLimit) message[written++] = '\t';
    }
    end_line(written);
  }

  // Moves the line so far to the heap, with room for `capacity` bytes.
  void grow(std::size_t capacity) {
    std::vector<char> bigger(capacity);
    std::memcpy(bigger.data(), data_, size_);
    heap_.swap(bigger);
    data_ = heap_.data();
    capacity_ = capacity;
  }

  char inline_[kInlineCapacity];
  std::vector<char> heap_;
  char* data_ = inline_;
  std::size_t capacity_ = kInlineCapacity;
  std::size_t size_ = 0;
  std::size_t prefix_size_ = 0;
};

}  // namespace tervox::detail

#endif  // TERVOX_LOG_LINEBUFFER_H
