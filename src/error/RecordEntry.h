#ifndef TERVOX_ERROR_RECORDENTRY_H
#define TERVOX_ERROR_RECORDENTRY_H

#include <string>

#include <tervox/TervoxError.h>

namespace tervox::detail {

struct ErrorState;

// A recorded error or warning on its way to its level's stack. It travels with its trace line:
// whoever writes the line stacks it right after, so that records are stacked in trace order.
struct RecordEntry {
  ErrorState* state;
  ERROR_LVL level;
  int code;
  std::string short_text;
  std::string long_text;
};

// Makes the entry's code its level's last code and stacks it with its texts, under the registry's
// lock; nothing once the teardown has begun. An allocation failure passes through, leaving the
// stack as it was and the new last code in place.
void stack_record(RecordEntry& entry);

}  // namespace tervox::detail

#endif  // TERVOX_ERROR_RECORDENTRY_H
