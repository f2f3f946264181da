// A plugin that uses the library, for the unload test: the test loads this plugin, which loads the
// library, and unloads both.

#include <tervox/TervoxError.h>
#include <tervox/TervoxLogger.h>

// Records `code` as an error; returns the last error code before it. (ELF exports it as it is.)
#if defined(_WIN32)
extern "C" __declspec(dllexport) int plugin_record(int code);
extern "C" __declspec(dllexport) bool plugin_open_trace(const char* path);
#endif
extern "C" int plugin_record(int code) {
  const int before = TervoxError::getInstance().getLast(LVL_ERROR);
  TervoxError::getInstance().setLast(LVL_ERROR, code, "plugin.cpp", "record", 1, "a", "b");
  return before;
}

// Opens the process trace on `path`, emptied; returns whether it is open.
extern "C" bool plugin_open_trace(const char* path) {
  return TervoxLogger::reopen_process_trace_stream(path, false);
}
