// Unloading the library destroys its registry; loading it again gives a fresh one. The program does
// not link the library: it loads a plugin that does, as a plugin-based host would.

#include <gtest/gtest.h>

#include <utility>

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

// Loads the plugin, records two codes through it and unloads it; returns the last codes it saw.
std::pair<int, int> record_twice_through_fresh_plugin() {
  const Handle plugin = load(TERVOX_UNLOAD_PLUGIN);
  EXPECT_NE(plugin, nullptr);
  if (plugin == nullptr) return {};
  const auto record = reinterpret_cast<int (*)(int)>(find(plugin, "plugin_record"));
  const std::pair<int, int> seen{record(300), record(306)};
  EXPECT_TRUE(unload(plugin));
  return seen;
}

TEST(Unload, ReloadingTheLibraryGivesAFreshRegistry) {
  EXPECT_EQ(record_twice_through_fresh_plugin(), std::make_pair(100, 300));
#if !defined(_WIN32)
  EXPECT_EQ(dlopen(TERVOX_LOG_LIBRARY, RTLD_NOW | RTLD_NOLOAD), nullptr) << "still loaded";
#endif
  EXPECT_EQ(record_twice_through_fresh_plugin(), std::make_pair(100, 300));
}

}  // namespace
