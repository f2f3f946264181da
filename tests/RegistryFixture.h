#ifndef TERVOX_TESTS_REGISTRYFIXTURE_H
#define TERVOX_TESTS_REGISTRYFIXTURE_H

#include <gtest/gtest.h>
#include <tervox/TervoxError.h>

#include "CapturedStream.h"

// A registry with both levels fresh, and the trace stream captured.
class Registry : public testing::Test {
 protected:
  Registry() {
    registry_.clear(LVL_ERROR);
    registry_.clear(LVL_WARNING);
  }

  TervoxError& registry_ = TervoxError::getInstance();
  TraceLevelGuard restore_level_;
  CapturedStream trace_ = capture_trace();
};

// Level values that select no record.
constexpr ERROR_LVL kOtherLevels[] = {static_cast<ERROR_LVL>(2), static_cast<ERROR_LVL>(-1),
                                      static_cast<ERROR_LVL>(INT32_MAX),
                                      static_cast<ERROR_LVL>(INT32_MIN)};

#endif  // TERVOX_TESTS_REGISTRYFIXTURE_H
