// Faults in the host's streams: the writers report nothing and break nothing, the stream shows
// the failure in its own state, and the registry records nothing when tracing throws.

#include <gtest/gtest.h>
#include <tervox/TervoxError.h>
#include <tervox/TervoxLogger.h>

#include <ios>

#include "CapturedStream.h"

namespace {

TEST(StreamFault, AFullOrUnopenedStreamFailsUntilTheHostReopensIt) {
  std::fstream& trace = *TervoxLogger::get_process_trace_stream();
  std::fstream& log = *TervoxLogger::get_process_log_stream();
  for (const char* file : {"/dev/full", ""}) {  // "": never opened
    trace.clear();
    log.clear();
    if (*file != '\0') {
      trace.open(file, std::ios::out);
      log.open(file, std::ios::out);
    }
    EXPECT_TRUE(TervoxLogger::trace_message("IO", TervoxLogger::LOG_ERROR, "f", "g", 1, "lost"));
    EXPECT_TRUE(TervoxLogger::log_message("IO", "lost"));
    TervoxError::getInstance().setLast(LVL_WARNING, 300, "f", "g", 1, "still recorded", "");
    EXPECT_TRUE(trace.bad() && log.bad()) << file;
    EXPECT_EQ(TervoxError::getInstance().getLast(LVL_WARNING), 300);
    TervoxError::getInstance().clear(LVL_WARNING);
    trace.close();
    log.close();
  }
  CapturedStream reopened = capture_trace();
  TervoxLogger::trace_message("IO", TervoxLogger::LOG_INFO, "f", "g", 1, "kept");
  EXPECT_EQ(reopened.contents(), "[IO] kept\n");
}

TEST(StreamFault, ATraceThatThrowsLeavesTheRegistryUnchanged) {
  TervoxError& registry = TervoxError::getInstance();
  registry.clear(LVL_ERROR);
  std::fstream& trace = *TervoxLogger::get_process_trace_stream();
  ASSERT_FALSE(trace.is_open());
  trace.clear();
  trace.exceptions(std::ios::badbit);
  EXPECT_THROW(registry.setLast(LVL_ERROR, 306, "f", "g", 1, "a", "b"), std::ios_base::failure);
  trace.exceptions(std::ios::goodbit);
  trace.clear();
  EXPECT_EQ(registry.getLast(LVL_ERROR), 100);
  EXPECT_EQ(registry.getStackSize(LVL_ERROR), 1);
  EXPECT_EQ(registry.getLastShortDescription(LVL_ERROR), "[EC : 100] Error\n");
}

}  // namespace
