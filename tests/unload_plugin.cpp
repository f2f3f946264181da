// A plugin that uses the library, for the unload test: the test loads this plugin, which loads the
// library, and unloads both.

#include <tervox/TervoxError.h>

// Records `code` as an error; returns the last error code before it. (ELF exports it as it is.)
#if defined(_WIN32)
extern "C" __declspec(dllexport) int plugin_record(int code);
#endif
extern "C" int plugin_record(int code) {
  const int before = TervoxError::getInstance().getLast(LVL_ERROR);
  TervoxError::getInstance().setLast(LVL_ERROR, code, "plugin.cpp", "record", 1, "a", "b");
  return before;
}
