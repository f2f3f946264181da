// Unloading the library destroys its registry; loading it again gives a fresh one. The program does
// not link the library: it loads a plugin that does, as a plugin-based host would.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#if defined(_WIN32)
#include <windows.h>
using Handle = HMODULE;
Handle load(const char* path) { return LoadLibraryA(path); }
void* find(Handle plugin, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(plugin, name));
}
bool unload(Handle plugin) { return FreeLibrary(plugin) != 0; }
#else
#include <dlfcn.h>
using Handle = void*;
Handle load(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
void* find(Handle plugin, const char* name) { return dlsym(plugin, name); }
bool unload(Handle plugin) { return dlclose(plugin) == 0; }
#endif

namespace {

TEST(Unload, ReloadingTheLibraryGivesAFreshRegistry) {
  for (int load_count = 1; load_count <= 2; ++load_count) {
    const Handle plugin = load(TERVOX_UNLOAD_PLUGIN);
    ASSERT_NE(plugin, nullptr);
    const auto record = reinterpret_cast<int (*)(int)>(find(plugin, "plugin_record"));
    EXPECT_EQ(record(300), 100) << "load " << load_count << " found a used registry";
    EXPECT_EQ(record(306), 300);
    ASSERT_TRUE(unload(plugin));
#if !defined(_WIN32)
    EXPECT_EQ(dlopen(TERVOX_LOG_LIBRARY, RTLD_NOW | RTLD_NOLOAD), nullptr) << "still loaded";
#endif
  }
}

#if !defined(_WIN32)
// The usual shape of a plugin-based host: a global plugin manager, built before the plugin that
// brings the library is loaded, shuts its plugins down from its destructor, which runs after every
// exit handler registered since. The plugin records an error before the exit, the registry's first
// use, and its shutdown another: the registry lives until the library is unloaded, not in the
// order of first use.
struct PluginManager {
  int (*record)(int) = nullptr;
  ~PluginManager() {
    if (record != nullptr) record(2800);
  }
};

void load_plugin_then_exit(const std::string& trace_path) {
  static PluginManager manager;
  const Handle plugin = load(TERVOX_UNLOAD_PLUGIN);
  const auto open_trace =
      reinterpret_cast<bool (*)(const char*)>(find(plugin, "plugin_open_trace"));
  manager.record = reinterpret_cast<int (*)(int)>(find(plugin, "plugin_record"));
  std::exit(open_trace(trace_path.c_str()) && manager.record(300) == 100 ? 0 : 1);
}

TEST(Unload, APluginManagerBuiltBeforeTheLoadRecordsAtExit) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // The same name in the death test's own process, which runs this body again; one per build.
  const std::string path = testing::TempDir() + "tervox_manager_" +
                           std::to_string(std::hash<std::string>()(TERVOX_UNLOAD_PLUGIN));
  EXPECT_EXIT(load_plugin_then_exit(path), testing::ExitedWithCode(0), "");
  std::ostringstream trace;
  trace << std::ifstream(path, std::ios::binary).rdbuf();
  std::remove(path.c_str());
  EXPECT_EQ(trace.str(),
            "[UNDEF][!] [plugin.cpp, record:1]\n[UNDEF][!] [EC :300 ] a - b\n"
            "[UNDEF][!] [plugin.cpp, record:1]\n[UNDEF][!] [EC :2800 ] a - b\n");
}
#endif

}  // namespace
