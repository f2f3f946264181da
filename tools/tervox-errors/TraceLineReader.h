#ifndef TERVOX_TOOLS_TRACELINEREADER_H
#define TERVOX_TOOLS_TRACELINEREADER_H

#include <cstddef>
#include <cstdio>
#include <string_view>
#include <vector>

namespace tervox::tools {

// Reads a trace line by line through one buffer of fixed size, so that the memory used stays the
// same whatever the size of the trace and of its lines.
class TraceLineReader {
 public:
  // Longer than any line the library writes: its prefix and its message are each cut at 24,999
  // bytes. Only the start of a longer line is kept.
  static constexpr std::size_t kMaxLine = 65536;

  struct Line {
    std::string_view text;  // without its "\n" or "\r\n"; at most kMaxLine bytes
    bool overlong;          // the line was longer than kMaxLine and `text` is its start
  };

  // Reads `file`, which must stay open while the reader is used.
  explicit TraceLineReader(std::FILE* file);

  // Reads the next line into `line`, whose text stays valid until the next call. A last line
  // without a line feed is a line too. Returns false at the end of the file or at a read error
  // (std::ferror tells which).
  bool next(Line& line);

 private:
  void refill();

  std::FILE* file_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;  // the unread bytes are [begin_, end_)
  std::size_t end_ = 0;
  bool at_end_ = false;
  bool skipping_ = false;  // dropping the rest of an overlong line already returned
};

}  // namespace tervox::tools

#endif  // TERVOX_TOOLS_TRACELINEREADER_H
