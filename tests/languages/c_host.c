// The reference host's calls through the C interface, compiled as C99 (see reference_host.cpp).
//   c_host TRACE LOG

#include <tervox/tervox_log.h>

#include <stdio.h>
#include <string.h>

static int evaluated = 0;

// An argument whose evaluation shows.
static int counted(int value) { return ++evaluated, value; }

int main(int argc, char** argv) {
  const int levels[] = {TERVOX_LOG_VERBOSE, TERVOX_LOG_DEBUG,   TERVOX_LOG_INFO, TERVOX_LOG_PLAIN,
                        TERVOX_LOG_NOTICE,  TERVOX_LOG_WARNING, TERVOX_LOG_ERROR};
  char text[256];
  int failures = 0;
  if (argc != 3) return 2;
  failures += tervox_open_trace(argv[1], 0) < 0;
  failures += tervox_open_log(argv[2], 1) < 0;
  tervox_set_trace_level(4);
  TERVOX_TRACE_C("IO", TERVOX_LOG_INFO, "%d tries at 50%%", counted(3));
  failures += tervox_trace_text("IO", TERVOX_LOG_DEBUG, "host.src", "run", 2, "%s stays") < 0;
  failures += tervox_trace("IO", TERVOX_LOG_WARNING, "host.src", "run", 3, "look out  ") < 0;
  tervox_set_trace_level(2);
  TERVOX_TRACE_C("IO", TERVOX_LOG_INFO, "%d", counted(4));
  failures += tervox_record(TERVOX_LVL_ERROR, 306, "host.src", "run", 5, "reference.par is missing",
                            "in ./input") < 0;
  failures += tervox_record(TERVOX_LVL_WARNING, 307, "host.src", "run", 6, "50% done", "%d") < 0;
  failures += tervox_push(TERVOX_LVL_ERROR, 300, "a", "b") < 0;
  tervox_set_trace_level(9999);
  for (size_t i = 0; i < sizeof levels / sizeof levels[0]; ++i)
    failures += tervox_trace_text("L", levels[i], "host.src", "run", 10, "each") < 0;
  tervox_set_trace_level(3);
  failures +=
      tervox_trace("IO", TERVOX_LOG_PLAIN, "host.src", "run", 7, "last %d of %d, stack %d %d %d",
                   tervox_last_code(TERVOX_LVL_ERROR), tervox_stack_size(TERVOX_LVL_ERROR),
                   tervox_stack_code(TERVOX_LVL_ERROR, 0), tervox_stack_code(TERVOX_LVL_ERROR, 1),
                   tervox_stack_code(TERVOX_LVL_ERROR, 2)) < 0;
  failures += tervox_last_short_description(TERVOX_LVL_ERROR, text, sizeof text) < 0;
  failures += tervox_trace_text("IO", TERVOX_LOG_PLAIN, "host.src", "run", 8, text) < 0;
  failures += tervox_stack_descriptions(TERVOX_LVL_WARNING, text, sizeof text) < 0;
  failures += tervox_trace_text("IO", TERVOX_LOG_PLAIN, "host.src", "run", 9, text) < 0;
  tervox_clear(TERVOX_LVL_ERROR);
  failures += tervox_log("RUN", "done: %d%%, last %d", 100, tervox_last_code(TERVOX_LVL_ERROR)) < 0;
  failures += tervox_close_trace() < 0;
  failures += tervox_close_log() < 0;
  /* The library loaded, the header's string and its parts name one version. */
  snprintf(text, sizeof text, "%d.%d.%d", TERVOX_LOG_VERSION_MAJOR, TERVOX_LOG_VERSION_MINOR,
           TERVOX_LOG_VERSION_PATCH);
  failures += strcmp(text, TERVOX_LOG_VERSION) != 0 || strcmp(tervox_version(), text) != 0;
  if (evaluated != 1) fprintf(stderr, "TERVOX_TRACE_C evaluated %d arguments, not 1\n", evaluated);
  return failures == 0 && evaluated == 1 ? 0 : 1;
}
