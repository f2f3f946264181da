// A plugin that uses the library, for the unload test: the test loads this plugin, which loads the
// library, and unloads both.

#include <tervox/TervoxError.h>

#if defined(_WIN32)
#define PLUGIN_EXPORT __declspec(dllexport)
#else
#define PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

// Records `code` as an error; returns the last error code before it.
extern "C" PLUGIN_EXPORT int plugin_record(int code) {
  const int before = TervoxError::getInstance().getLast(LVL_ERROR);
  TervoxError::getInstance().setLast(LVL_ERROR, code, "plugin.cpp", "record", 1, "a", "b");
  return before;
}
