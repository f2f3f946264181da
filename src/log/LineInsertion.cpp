#include "LineInsertion.h"

#include <ios>
#include <streambuf>

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

bool put_all(std::streambuf& buffer, const MessageBuffer& text) {
  const auto size = static_cast<std::streamsize>(text.size());
  return buffer.sputn(text.c_str(), size) == size;
}

// The insertions, the line end and the first flush through the stream buffer, under one sentry.
// Returns false where an insertion would have found the stream failing.
bool put_line(std::ostream& stream, const MessageBuffer& prefix, const MessageBuffer& message) {
  const std::ostream::sentry ready(stream);
  if (!ready) return false;
  std::streambuf& buffer = *stream.rdbuf();
  bool complete = false;
  try {
    complete = put_all(buffer, prefix) && put_all(buffer, message) &&
               !std::ostream::traits_type::eq_int_type(buffer.sputc(stream.widen('\n')),
                                                       std::ostream::traits_type::eof()) &&
               buffer.pubsync() != -1;
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

void insert_line(std::ostream& stream, const MessageBuffer& prefix, const MessageBuffer& message) {
  if (needs_formatted_insertion(stream)) {
    stream << prefix.c_str() << message.c_str() << std::endl;
    stream.flush();
    return;
  }
  if (!put_line(stream, prefix, message)) {
    stream.flush();  // the second flush, whose sentry records the failure as failbit too
    return;
  }
  if (stream.rdbuf()->pubsync() == -1) stream.setstate(std::ios_base::badbit);
}

}  // namespace tervox::detail
