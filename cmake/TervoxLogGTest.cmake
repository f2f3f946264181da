# GoogleTest for the tests. The system's prebuilt GoogleTest is compiled for this machine with its
# default standard library (libstdc++), so a toolchain that differs (Clang with libc++, a cross
# compiler) builds it from source with its own flags; the toolchain files in cmake/toolchains/
# turn this on.
option(TERVOX_LOG_GTEST_FROM_SOURCE
  "Build GoogleTest from source with this toolchain instead of using the system's build" OFF)
set(TERVOX_LOG_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH
  "GoogleTest's source tree, used when TERVOX_LOG_GTEST_FROM_SOURCE is on")

if(TERVOX_LOG_GTEST_FROM_SOURCE)
  # GoogleTest's own build, without GoogleMock and its install rules; only what the tests link is
  # built. Its options honour these plain variables.
  set(BUILD_GMOCK OFF)
  set(INSTALL_GTEST OFF)
  add_subdirectory(${TERVOX_LOG_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # The headers are included as a system library's, as the system's build is, so the project's
  # warnings stay about the project's code.
  foreach(gtest_target gtest gtest_main)
    get_target_property(gtest_includes ${gtest_target} INTERFACE_INCLUDE_DIRECTORIES)
    set_target_properties(${gtest_target} PROPERTIES
      INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${gtest_includes}")
  endforeach()
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)
