// The initialisation marker and the state at load. These only show on the first calls of a
// process, so each case runs in a child process of its own.

#include <gtest/gtest.h>
#include <tervox/TervoxLogger.h>

#include <cstdlib>

namespace {

int* init_marker();
bool call_check_init_before_call();

// An explicit instantiation may name private members: this reaches the marker and the private
// check without changing the class that hosts compile against.
template <int* Marker, bool (*Check)()>
struct LoggerInternals {
  friend int* init_marker() { return Marker; }
  friend bool call_check_init_before_call() { return Check(); }
};
template struct LoggerInternals<&TervoxLogger::m_tervox_log_init_value,
                                &TervoxLogger::check_init_before_call>;

constexpr int kInitialising = 123457;
constexpr int kInitialised = 123456;

// Runs `first_call` as the first call of a fresh child process and exits with 0 when it left the
// logger initialised; the parent never touches the logger itself.
template <typename FirstCall>
void expect_initialised_by(FirstCall first_call) {
  EXPECT_EXIT(
      {
        const bool fresh = *init_marker() == 0;
        first_call();
        const bool marked = *init_marker() == kInitialised;
        std::exit(fresh && marked && call_check_init_before_call() ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

TEST(LoggerFirstCall, EveryPublicOperationInitialisesTheLogger) {
  expect_initialised_by([] { TervoxLogger::init(); });
  expect_initialised_by([] { TervoxLogger::set_trace_level(7); });
  expect_initialised_by([] { TervoxLogger::get_trace_level(); });
  expect_initialised_by([] { TervoxLogger::get_process_trace_stream(); });
  expect_initialised_by([] { TervoxLogger::get_process_log_stream(); });
  expect_initialised_by([] { TervoxLogger::trace_message("T", TervoxLogger::LOG_DEBUG, "", "", 0, "m"); });
  expect_initialised_by([] { TervoxLogger::log_message("T", "m"); });
}

TEST(LoggerFirstCall, ThePrivateCheckAloneLeavesTheLoggerInitialising) {
  EXPECT_EXIT(
      {
        const bool first = call_check_init_before_call();
        const int after_first = *init_marker();
        const bool second = call_check_init_before_call();
        const int after_second = *init_marker();
        TervoxLogger::init();
        const bool third = call_check_init_before_call();
        std::exit(!first && after_first == kInitialising && !second &&
                          after_second == kInitialising &&
                          *init_marker() == kInitialised && third
                      ? 0
                      : 1);
      },
      testing::ExitedWithCode(0), "");
}

TEST(LoggerFirstCall, StartsAtTraceLevelThreeWithNoFileOnEitherStream) {
  EXPECT_EXIT(
      {
        const bool level_three = TervoxLogger::get_trace_level() == 3;
        const bool no_file = !TervoxLogger::get_process_trace_stream()->is_open() &&
                             !TervoxLogger::get_process_log_stream()->is_open();
        std::exit(level_three && no_file ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
