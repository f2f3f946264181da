#include "LineInsertion.h"

#include <ios>
#include <streambuf>
#include <string_view>

namespace tervox::detail {
namespace {

// A field width, unitbuf or a tied stream make the insertions do more than move bytes; those
// streams take the insertions themselves.
bool needs_formatted_insertion(const std::ostream& stream) {
  return stream.width() != 0 || (stream.flags() & std::ios_base::unitbuf) || stream.tie() != nullptr;
}

// Marks the stream bad as an insertion does when its stream buffer throws: the buffer's own
// exception goes on to the host if it asked for exceptions on badbit, and is swallowed otherwise.
void mark_bad_after_buffer_exception(std::ostream& stream) {
  if (!(stream.exceptions() & std::ios_base::badbit)) {
    stream.setstate(std::ios_base::badbit);
    return;
  }
  try {
    stream.setstate(std::ios_base::badbit);
  } catch (const std::ios_base::failure&) {
    // The state is set before the failure is thrown; the buffer's exception is the one to pass.
  }
  throw;
}

// The insertions, the line end and the first flush through the stream buffer, under one sentry.
// A buffer that takes fewer bytes than offered has failed, as it would have on the piece that
// held the byte. Returns false where an insertion would have found the stream failing.
bool put_line(std::ostream& stream, LineBuffers& buffers) {
  const std::ostream::sentry ready(stream);
  if (!ready) return false;
  std::streambuf& buffer = *stream.rdbuf();
  const std::string_view line = buffers.join_line(stream.widen('\n'));
  const auto size = static_cast<std::streamsize>(line.size());
  bool complete = false;
  try {
    complete = buffer.sputn(line.data(), size) == size && buffer.pubsync() != -1;
  } catch (...) {
    mark_bad_after_buffer_exception(stream);
    return false;
  }
  if (!complete) {
    stream.setstate(std::ios_base::badbit);
    return false;
  }
  return true;
}

}  // namespace

void insert_line(std::ostream& stream, LineBuffers& buffers) {
  if (needs_formatted_insertion(stream)) {
    stream << buffers.prefix() << buffers.message() << std::endl;
    stream.flush();
    return;
  }
  if (!put_line(stream, buffers)) {
    stream.flush();  // the second flush, whose sentry records the failure as failbit too
    return;
  }
  if (stream.rdbuf()->pubsync() == -1) stream.setstate(std::ios_base::badbit);
}

}  // namespace tervox::detail
