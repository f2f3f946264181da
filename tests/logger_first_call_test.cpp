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

// Runs `scenario` as the first thing a fresh child process does; the parent never touches the
// logger itself.
void expect_in_fresh_process(bool (*scenario)()) {
  EXPECT_EXIT(std::exit(scenario() ? 0 : 1), testing::ExitedWithCode(0), "");
}

template <void (*FirstCall)()>
bool initialises() {
  const bool fresh = *init_marker() == 0;
  FirstCall();
  return fresh && *init_marker() == kInitialised && call_check_init_before_call();
}

void trace() { TervoxLogger::trace_message("T", TervoxLogger::LOG_DEBUG, "", "", 0, "m"); }
void log() { TervoxLogger::log_message("T", "m"); }
void init() { TervoxLogger::init(); }
void set_level() { TervoxLogger::set_trace_level(7); }
void get_level() { TervoxLogger::get_trace_level(); }
void trace_stream() { TervoxLogger::get_process_trace_stream(); }
void log_stream() { TervoxLogger::get_process_log_stream(); }

TEST(LoggerFirstCall, EveryPublicOperationInitialisesTheLogger) {
  for (bool (*scenario)() : {initialises<trace>, initialises<log>, initialises<init>, initialises<set_level>,
                             initialises<get_level>, initialises<trace_stream>, initialises<log_stream>}) {
    expect_in_fresh_process(scenario);
  }
}

TEST(LoggerFirstCall, ThePrivateCheckAloneLeavesTheLoggerInitialising) {
  expect_in_fresh_process([] {
    const bool first = call_check_init_before_call(), first_marker = *init_marker() == kInitialising;
    const bool second = call_check_init_before_call(), second_marker = *init_marker() == kInitialising;
    TervoxLogger::init();
    return !first && first_marker && !second && second_marker && call_check_init_before_call();
  });
}

TEST(LoggerFirstCall, StartsAtTraceLevelThreeWithNoFileOnEitherStream) {
  expect_in_fresh_process([] {
    return TervoxLogger::get_trace_level() == 3 && !TervoxLogger::get_process_trace_stream()->is_open() &&
           !TervoxLogger::get_process_log_stream()->is_open();
  });
}

}  // namespace
