# GoogleTest for the tests: the system's build where it matches the toolchain.
find_package(GTest REQUIRED)
include(GoogleTest)
