#ifndef TERVOX_TOOLS_LINEOUTPUT_H
#define TERVOX_TOOLS_LINEOUTPUT_H

#include <cstddef>
#include <string>
#include <string_view>

namespace tervox::tools {

// Standard output written in whole lines: every write(2) ends at a line end, so that runs
// appending to one file at once never mix inside a line, and a failed write is kept for the exit
// status, not lost in a stream's state.
class LineOutput {
 public:
  LineOutput() = default;
  LineOutput(const LineOutput&) = delete;
  LineOutput& operator=(const LineOutput&) = delete;

  // Holds `text`; once more than 64 KiB are held, writes the whole lines among them.
  void write(std::string_view text);

  // Writes all that is held and returns 0, or the errno of the first write that failed (nothing
  // was written after it). Call it once, at the end.
  int finish();

 private:
  void write_out(std::size_t size);

  std::string held_;
  int error_ = 0;
};

// Prints "tervox-errors: `message`" and a line feed on standard error, in one write.
void complain(const std::string& message);

}  // namespace tervox::tools

#endif  // TERVOX_TOOLS_LINEOUTPUT_H
