#ifndef TERVOX_LOG_APPENDINGFILE_H
#define TERVOX_LOG_APPENDINGFILE_H

#include <fstream>

namespace tervox::detail {

// Opens `path` on `stream` the way the library opens every file, after emptying the file when
// `empty_first`:
// - for binary output (a line ends in one line feed on every platform, as the tool expects);
// - always appending (O_APPEND), so that a copytruncate rotation and other processes' lines leave
//   no hole and overwrite nothing;
// - close-on-exec (not inheritable on Windows), so that the host's child processes neither keep
//   a rotated-away file alive nor write into it;
// - with libstdc++, unbuffered: each insertion goes straight to the file in one write, and a line
//   that failed leaves nothing behind to be written later, so a stream cleared after a full disk
//   resumes with the next line.
// Returns whether the file is open on the stream; the stream's state is as after fstream::open.
bool open_appending(std::basic_fstream<char>& stream, const char* path, bool empty_first);

}  // namespace tervox::detail

#endif  // TERVOX_LOG_APPENDINGFILE_H
