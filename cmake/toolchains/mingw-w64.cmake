# Cross build for 64-bit Windows with MinGW-w64's GCC (the POSIX threads variant, whose
# std::thread and std::mutex the library and the tests use): tervox_log becomes a DLL with its
# import library. Where wine is installed, the tests run under it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(tervox_log_mingw_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${tervox_log_mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${tervox_log_mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${tervox_log_mingw_prefix}-windres)

# Libraries and headers of the target only; the build's programs are the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${tervox_log_mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The system's GoogleTest is a Linux build.
set(TERVOX_LOG_GTEST_FROM_SOURCE ON CACHE BOOL "The system's GoogleTest is built for the host")

# Windows finds a program's DLLs in the program's own folder: every executable and the DLL go to
# one folder, with the compiler's runtime DLLs beside them.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

get_property(tervox_log_in_try_compile GLOBAL PROPERTY IN_TRY_COMPILE)
if(NOT tervox_log_in_try_compile)
  # The programs link the C++ runtime dynamically, as the DLL shares its C++ objects with them.
  # libssp serves the stack protector.
  foreach(runtime_dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll libssp-0.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime_dll}
                    OUTPUT_VARIABLE runtime_dll_path OUTPUT_STRIP_TRAILING_WHITESPACE)
    file(COPY ${runtime_dll_path} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  endforeach()
endif()

find_program(TERVOX_LOG_WINE wine)
find_program(TERVOX_LOG_WINESERVER wineserver)
if(TERVOX_LOG_WINE AND TERVOX_LOG_WINESERVER AND NOT tervox_log_in_try_compile)
  # Wine runs in a prefix of the build folder's own, quietly, never opens a window, and goes
  # without the .NET and HTML engines, which it would otherwise offer to download.
  set(tervox_log_wine_prefix ${CMAKE_BINARY_DIR}/wine-prefix)
  set(tervox_log_wine_environment env -u DISPLAY -u WAYLAND_DISPLAY
      WINEPREFIX=${tervox_log_wine_prefix} WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${tervox_log_wine_environment} ${TERVOX_LOG_WINE})

  # Before ctest runs any program, test discovery included, wine's server and services are
  # started on their own and kept for a minute after the last program. Started by a test program
  # instead, they would hold its output open until they exit, three seconds after the last
  # program: every test would last that much longer, and discovery would time out. The first run
  # makes the prefix, which takes seconds, and waits for the server that made it to exit, so that
  # the one started next is the one kept.
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/start-wine.cmake @ONLY CONTENT [[
set(quiet INPUT_FILE /dev/null OUTPUT_FILE /dev/null ERROR_FILE /dev/null)
if(NOT EXISTS "@tervox_log_wine_prefix@/system.reg")
  message(STATUS "Creating the wine prefix @tervox_log_wine_prefix@")
  execute_process(COMMAND @CMAKE_CROSSCOMPILING_EMULATOR@ wineboot --init ${quiet})
  execute_process(COMMAND @tervox_log_wine_environment@ @TERVOX_LOG_WINESERVER@ --wait ${quiet})
endif()
execute_process(COMMAND @tervox_log_wine_environment@ @TERVOX_LOG_WINESERVER@ --persistent=60
                ${quiet})
execute_process(COMMAND @CMAKE_CROSSCOMPILING_EMULATOR@ wineboot ${quiet})
]])
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_BINARY_DIR}/start-wine.cmake)
endif()
