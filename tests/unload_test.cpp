// Unloading the library destroys its registry; loading it again gives a fresh one. The program does
// not link the library: it loads a plugin that does, as a plugin-based host would.

#include <gtest/gtest.h>

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

}  // namespace
