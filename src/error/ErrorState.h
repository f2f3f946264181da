#ifndef TERVOX_ERROR_ERRORSTATE_H
#define TERVOX_ERROR_ERRORSTATE_H

#include <mutex>
#include <string>
#include <vector>

#include <tervox/TervoxError.h>

namespace tervox::detail {

// The code that a fresh or cleared level holds: the catalogue's general error.
constexpr int kInitialCode = 100;

// One level's record, viewed in place inside ErrorState. Its three sequences always have the same
// length, at least 1; entry 0 is the initial entry (100, "", "") and the newest record is last.
struct LevelRecord {
  int& last_code;
  std::vector<int>& code_stack;
  std::vector<std::string>& short_texts;
  std::vector<std::string>& long_texts;
};

// The registry's state, each kind of field once per level, indexed by LVL_ERROR and LVL_WARNING,
// and the lock that every operation holds while it reads or changes them.
struct ErrorState {
  static constexpr int kLevelCount = 2;

  std::mutex lock;

  int last_code[kLevelCount] = {kInitialCode, kInitialCode};
  std::vector<std::string> short_texts[kLevelCount] = {{""}, {""}};
  std::vector<std::string> long_texts[kLevelCount] = {{""}, {""}};
  std::vector<int> code_stack[kLevelCount] = {{kInitialCode}, {kInitialCode}};

  static bool selects_record(ERROR_LVL level) { return level == LVL_ERROR || level == LVL_WARNING; }

  // The record of LVL_ERROR or LVL_WARNING; callers check selects_record first.
  LevelRecord record(ERROR_LVL level) {
    return {last_code[level], code_stack[level], short_texts[level], long_texts[level]};
  }
};

}  // namespace tervox::detail

#endif  // TERVOX_ERROR_ERRORSTATE_H
