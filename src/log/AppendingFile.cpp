#include "log/AppendingFile.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tervox::detail {
namespace {

constexpr std::ios_base::openmode kAppending =
    std::ios_base::out | std::ios_base::app | std::ios_base::binary;

// Empties the file, creating it if need be, without keeping it open.
bool empty_file(const char* path) {
#if defined(_WIN32)
  const int descriptor =
      _open(path, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
  if (descriptor < 0) return false;
  _close(descriptor);
#else
  const int descriptor = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (descriptor < 0) return false;
  ::close(descriptor);
#endif
  return true;
}

#if defined(__GLIBCXX__)
// libstdc++ opens the file itself and keeps the descriptor in a protected member, reached here
// through a derived class; no child process can start between the open and the flag but one that
// another thread of the host spawns at that very moment.
struct DescriptorOf : std::basic_filebuf<char> {
  static int of(std::basic_filebuf<char>& buffer) { return (buffer.*&DescriptorOf::_M_file).fd(); }
};

void keep_from_child_processes(int descriptor) {
#if defined(_WIN32)
  SetHandleInformation(reinterpret_cast<HANDLE>(_get_osfhandle(descriptor)), HANDLE_FLAG_INHERIT,
                       0);
#else
  ::fcntl(descriptor, F_SETFD, ::fcntl(descriptor, F_GETFD) | FD_CLOEXEC);
#endif
}

bool open_on(std::basic_fstream<char>& stream, const char* path) {
  stream.rdbuf()->pubsetbuf(nullptr, 0);
  stream.open(path, kAppending);
  if (!stream.is_open()) return false;
  keep_from_child_processes(DescriptorOf::of(*stream.rdbuf()));
  return true;
}
#elif defined(_LIBCPP_VERSION)
// libc++ takes a descriptor opened here, close-on-exec from the start. Its file buffer passes
// lines through the C library's stdio, which keeps a failed line and writes it later: a stream
// cleared after a full disk may first write what it failed to write then.
bool open_on(std::basic_fstream<char>& stream, const char* path) {
  const int descriptor = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (descriptor >= 0 && stream.rdbuf()->__open(descriptor, kAppending) != nullptr) {
    stream.clear();
    return true;
  }
  if (descriptor >= 0) ::close(descriptor);
  stream.setstate(std::ios_base::failbit);
  return false;
}
#else
// The Microsoft library keeps its streams' handles out of reach: there the file stays inheritable.
bool open_on(std::basic_fstream<char>& stream, const char* path) {
  stream.open(path, kAppending);
  return stream.is_open();
}
#endif

}  // namespace

bool open_appending(std::basic_fstream<char>& stream, const char* path, bool empty_first) {
  if (empty_first && !empty_file(path)) {
    stream.setstate(std::ios_base::failbit);
    return false;
  }
  return open_on(stream, path);
}

}  // namespace tervox::detail
