#ifndef TERVOX_LOG_LINEINSERTION_H
#define TERVOX_LOG_LINEINSERTION_H

#include <ostream>

#include "MessageBuffer.h"

namespace tervox::detail {

// Writes one message into a host's stream as
//   stream << prefix << message << std::endl; stream.flush();
// would: the same bytes, the same error state and the same exceptions. The pieces leave the
// stream's buffer together at the flush, so a line that fits the buffer costs one write(2).
void insert_line(std::ostream& stream, const MessageBuffer& prefix, const MessageBuffer& message);

}  // namespace tervox::detail

#endif  // TERVOX_LOG_LINEINSERTION_H
