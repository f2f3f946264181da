#ifndef TERVOX_FOLDEDTEXT_H
#define TERVOX_FOLDEDTEXT_H

#include <string>
#include <string_view>

namespace tervox {

// Returns `text` with a tab after each line feed: the form in which the C, Fortran and Python
// interfaces write the text they are given. A C++ host that traces text it did not write itself
// (a file name, another program's output, a user's input) should pass it through this first:
//
//   TERVOX_TRACE("IMPORT", TervoxLogger::LOG_INFO, "reading %s",
//   tervox::folded_text(path).c_str());
//
// A line feed in such text would otherwise start a line of the text's choosing, one that the
// operators' tools read as a recorded error, for instance. A continuation line that starts with a
// tab is never read as one of the library's own. The C++ writers keep every byte they are given
// (SECURITY.md).
inline std::string folded_text(std::string_view text) {
  std::string folded;
  folded.reserve(text.size());
  for (const char c : text) {
    folded += c;
    if (c == '\n') folded += '\t';
  }
  return folded;
}

}  // namespace tervox

#endif  // TERVOX_FOLDEDTEXT_H
