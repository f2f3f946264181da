// Compiled, not run: a host's format must be checked against its arguments, through the macros
// too. One variant matches and must compile; each mismatched variant must not, under
// -Werror=format.

#include <tervox/TervoxMacros.h>

void host_code() {
#if defined(MISMATCHED_TRACE)
  TERVOX_TRACE("X", TervoxLogger::LOG_INFO, "%d of %s", "t", 1);
#elif defined(MISMATCHED_LOG)
  TervoxLogger::log_message("X", "%s", 5);
#else
  TERVOX_TRACE("X", TervoxLogger::LOG_INFO, "%d of %s", 1, "t");
  TervoxLogger::log_message("X", "%s", "t");
#endif
}
