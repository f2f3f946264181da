// A host static and an atexit handler set up before the registry's first use still record while
// the process exits: the registry lives until the library is unloaded, not in the order of use.

#include <gtest/gtest.h>
#include <tervox/TervoxError.h>

#include <cstdio>
#include <cstdlib>

namespace {

void record_at_exit(ERROR_LVL level, const char* who) {
  TervoxError& registry = TervoxError::getInstance();
  registry.setLast(level, 306, "exit.cpp", who, 1, who, "at exit");
  std::fprintf(stderr, "%s: %s\n", who, registry.getLastShortDescription(level).c_str());
}

struct HostStatic {
  ~HostStatic() { record_at_exit(LVL_ERROR, "host static"); }
};

void set_up_then_exit() {
  std::atexit([] { record_at_exit(LVL_WARNING, "atexit handler"); });
  static HostStatic host_static;
  TervoxError::getInstance().setLast(LVL_ERROR, 300, "main.cpp", "main", 1, "first use", "");
  std::exit(0);
}

TEST(ExitOrder, HostStaticsAndAtexitHandlersRecordAfterTheFirstUse) {
  // A fresh process, in which the registry is first used after the static and the handler.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(set_up_then_exit(), testing::ExitedWithCode(0),
              "^host static: \\[EC : 306\\] File not found\nhost static\n"
              "atexit handler: Warning: File not found\natexit handler\n$");
}

}  // namespace
