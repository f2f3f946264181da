# Clang 14 with LLVM's C++ standard library, libc++, in place of GCC's libstdc++: the build a host
# linked against libc++ loads. Every C++ object of a program must use the same standard library,
# so the tests build GoogleTest from source too (the system's build is for libstdc++).
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
# CMake passes the compile flags to the link as well, where -stdlib=libc++ links libc++ and
# libc++abi instead of libstdc++.
set(CMAKE_CXX_FLAGS_INIT "-stdlib=libc++")
set(TERVOX_LOG_GTEST_FROM_SOURCE ON CACHE BOOL "libstdc++'s GoogleTest cannot link with libc++")
