// The C++ host that the C, Fortran and Python hosts are compared with: they make the same calls,
// each through its own interface, and must write the very bytes this one writes. Text that the
// others pass as text is folded, as this host folds it.
//   reference_host TRACE LOG

#include <tervox/FoldedText.h>
#include <tervox/TervoxError.h>
#include <tervox/TervoxLogger.h>

#include <string>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  using Log = TervoxLogger;
  TervoxError& registry = TervoxError::getInstance();
  Log::reopen_process_trace_stream(argv[1], false);
  Log::reopen_process_log_stream(argv[2]);  // after the stale line
  Log::set_trace_level(4);
  Log::trace_message("IO", Log::LOG_INFO, "host.src", "run", 1, "%d tries at 50%%", 3);
  Log::trace_message("IO", Log::LOG_DEBUG, "host.src", "run", 2, "%s", "%s stays");
  Log::trace_message("IO", Log::LOG_WARNING, "host.src", "run", 3, "%s", "look out  ");
  Log::set_trace_level(2);
  Log::trace_message("IO", Log::LOG_INFO, "host.src", "run", 4, "%s", "hidden");
  registry.setLast(LVL_ERROR, 306, "host.src", "run", 5, "reference.par is missing", "in ./input");
  registry.setLast(LVL_WARNING, 307, "host.src", "run", 6, "50% done", "%d");
  registry.pushOnStack(LVL_ERROR, 300, "a", "b");
  Log::set_trace_level(9999);  // every severity, as each language names it
  for (int level = Log::LOG_VERBOSE; level <= Log::LOG_ERROR; ++level)
    Log::trace_message("L", Log::LogLevel(level), "host.src", "run", 10, "%s", "each");
  Log::set_trace_level(3);
  Log::trace_message("IO", Log::LOG_PLAIN, "host.src", "run", 7, "last %d of %d, stack %d %d %d",
                     registry.getLast(LVL_ERROR), registry.getStackSize(LVL_ERROR),
                     registry.get(LVL_ERROR, 0), registry.get(LVL_ERROR, 1),
                     registry.get(LVL_ERROR, 2));
  Log::trace_message("IO", Log::LOG_PLAIN, "host.src", "run", 8, "%s",
                     tervox::folded_text(registry.getLastShortDescription(LVL_ERROR)).c_str());
  Log::trace_message("IO", Log::LOG_PLAIN, "host.src", "run", 9, "%s",
                     tervox::folded_text(registry.getStackDescriptions(LVL_WARNING)).c_str());
  registry.clear(LVL_ERROR);
  Log::log_message("RUN", "done: %d%%, last %d", 100, registry.getLast(LVL_ERROR));
  return Log::close_process_trace_stream() && Log::close_process_log_stream() ? 0 : 1;
}
