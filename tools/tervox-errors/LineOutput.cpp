#include "LineOutput.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tervox::tools {
namespace {

constexpr std::size_t kChunk = 1 << 16;

long write_some(const char* bytes, std::size_t size) {
#if defined(_WIN32)
  return _write(1, bytes, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
#else
  return ::write(1, bytes, size);
#endif
}

}  // namespace

void LineOutput::write(std::string_view text) {
  held_.append(text);
  if (held_.size() < kChunk) return;
  const std::size_t last_end = held_.rfind('\n');
  if (last_end != std::string::npos) write_out(last_end + 1);
}

int LineOutput::finish() {
  write_out(held_.size());
  return error_;
}

// After a failure nothing more is written: a later line could land after a gap.
void LineOutput::write_out(std::size_t size) {
  for (std::size_t done = 0; error_ == 0 && done < size;) {
    const long written = write_some(held_.data() + done, size - done);
    if (written >= 0) {
      done += static_cast<std::size_t>(written);
    } else if (errno != EINTR) {
      error_ = errno;
    }
  }
  held_.erase(0, size);
}

void complain(const std::string& message) {
  const std::string line = "tervox-errors: " + message + "\n";
  (void)std::fwrite(line.data(), 1, line.size(), stderr);  // nowhere left to tell of a failure
}

}  // namespace tervox::tools
