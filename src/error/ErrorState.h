#ifndef TERVOX_ERROR_ERRORSTATE_H
#define TERVOX_ERROR_ERRORSTATE_H

#include <string>
#include <vector>

#include <tervox/TervoxError.h>

namespace tervox::detail {

// The code that a fresh or cleared level holds: the catalogue's general error.
constexpr int kInitialCode = 100;

// One level's record. Its three sequences always have the same length, at least 1; entry 0 is the
// initial entry (100, "", "") and the newest record is last.
struct LevelRecord {
  int last_code = kInitialCode;
  std::vector<int> code_stack{kInitialCode};
  std::vector<std::string> short_texts{std::string()};
  std::vector<std::string> long_texts{std::string()};
};

// The registry's state. Every read and change holds registry_state_lock() (RegistryStorage.h).
struct ErrorState {
  LevelRecord errors;
  LevelRecord warnings;
  // What getStack hands out for a level that selects no record; never written.
  std::vector<int> empty_stack;

  // The record of LVL_ERROR or LVL_WARNING, or null for any other level.
  LevelRecord* record(ERROR_LVL level) {
    if (level == LVL_ERROR) return &errors;
    if (level == LVL_WARNING) return &warnings;
    return nullptr;
  }
};

}  // namespace tervox::detail

#endif  // TERVOX_ERROR_ERRORSTATE_H
