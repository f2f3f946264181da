// Compiled, not run: a host's format must be checked against its arguments, through the macros
// too. One variant matches and must compile; each mismatched variant must not, under
// -Werror=format.

#include <tervox/TervoxMacros.h>

void host_code() {
#if defined(MISMATCHED_TRACE)
  TERVOX_TRACE("X", TervoxLogger::LOG_INFO, "%d of %s", "t", 1);
#elif defined(MISMATCHED_LOG)
  TervoxLogger::log_message("X", "%s", 5);
#elif defined(MISMATCHED_C)
  tervox_trace("X", TERVOX_LOG_INFO, "f", "g", 1, "%d", "t");
#elif defined(MISMATCHED_IF_ENABLED)
  TERVOX_TRACE_IF_ENABLED("X", TervoxLogger::LOG_INFO, "%s", 5);
#else
  TERVOX_TRACE_IF_ENABLED("X", TervoxLogger::LOG_INFO, "%s", "t");
  tervox_log("X", "%d", 1);
  TERVOX_TRACE("X", TervoxLogger::LOG_INFO, "%d of %s", 1, "t");
  TervoxLogger::log_message("X", "%s", "t");
#endif
}
