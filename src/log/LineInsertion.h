#ifndef TERVOX_LOG_LINEINSERTION_H
#define TERVOX_LOG_LINEINSERTION_H

#include <ostream>

#include "LineBuffers.h"

namespace tervox::detail {

// Writes the buffers' prefix and message into a host's stream as
//   stream << prefix << message << std::endl; stream.flush();
// would: the same bytes, the same error state and the same exceptions. The line reaches the stream
// buffer in one piece and leaves it at the flush, so a line that fits the buffer costs one
// write(2). The buffers' texts are consumed.
void insert_line(std::ostream& stream, LineBuffers& buffers);

}  // namespace tervox::detail

#endif  // TERVOX_LOG_LINEINSERTION_H
