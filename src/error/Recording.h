#ifndef TERVOX_ERROR_RECORDING_H
#define TERVOX_ERROR_RECORDING_H

#include <string>

#include <tervox/TervoxError.h>

#include "log/LineBuffer.h"
#include "log/Writers.h"

namespace tervox::detail {

// Records as TervoxError::setLast does, with the record's line traced in `form`, and returns what
// became of that line: the record is stacked whether it was written, filtered or lost. What the
// trace stream or an allocation throws passes through, as for setLast.
LineOutcome record(TervoxError& registry, ERROR_LVL level, int code, const char* file,
                   const char* function, int line, std::string short_text, std::string long_text,
                   TextForm form);

}  // namespace tervox::detail

#endif  // TERVOX_ERROR_RECORDING_H
