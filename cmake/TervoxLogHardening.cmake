# Hardening of the shared library that every host loads. Each flag is chosen for the platform and
# then checked with the toolchain in use, so a compiler or linker that lacks one builds without it
# rather than failing. MSVC gets none: /GS, /DYNAMICBASE and /NXCOMPAT are its defaults already.
include(CheckCXXSourceCompiles)
include(CheckLinkerFlag)

# The kind of function the compile flags exist for: a big frame whose address escapes into a libc
# call. Built at -O2 like the shipped library, so a compiler that
# cannot build such a function with the flag (MinGW-w64's GCC 12 crashes on stack-clash probes
# under SEH) fails the check instead of the build.
set(tervox_log_hardening_probe [[
#include <cstdio>
int main(int argc, char**) {
  char line[50000];
  std::snprintf(line, sizeof line, "%d", argc);
  return line[0];
}
]])

# Sets the cache entry <result> when the probe compiles and links with <flag> on both command
# lines and draws no diagnostic. Linking matters: with MinGW-w64 the stack protector needs libssp.
function(tervox_log_check_hardening_flag flag result)
  set(CMAKE_REQUIRED_FLAGS "-O2 ${flag}")
  check_cxx_source_compiles("${tervox_log_hardening_probe}" ${result}
    FAIL_REGEX "[Ww]arning" FAIL_REGEX "[Uu]nrecogni[sz]ed" FAIL_REGEX "[Uu]nknown"
    FAIL_REGEX "not supported")
endfunction()

# Hardens the shared library <target>, whose exported symbols on ELF are listed in the version
# script <symbol_map>. Call once, after the target is created.
function(tervox_log_harden_shared_library target symbol_map)
  if(MSVC)
    return()
  endif()
  tervox_log_check_hardening_flag(-fstack-protector-strong TERVOX_LOG_HAS_STACK_PROTECTOR)
  if(TERVOX_LOG_HAS_STACK_PROTECTOR)
    target_compile_options(${target} PRIVATE -fstack-protector-strong)
    target_link_options(${target} PRIVATE -fstack-protector-strong)
  endif()
  # Probing each page of a big frame makes a thread whose stack is too small fault in its own guard
  # page instead of writing past it into other memory. The library's own frames are small, but
  # the flag keeps that promise for any that grows. Windows probes big frames anyway
  # (___chkstk_ms).
  if(NOT WIN32)
    tervox_log_check_hardening_flag(-fstack-clash-protection TERVOX_LOG_HAS_STACK_CLASH_PROTECTION)
    if(TERVOX_LOG_HAS_STACK_CLASH_PROTECTION)
      target_compile_options(${target} PRIVATE -fstack-clash-protection)
    endif()
    # Checked libc calls; glibc can check only what the optimiser has folded.
    target_compile_options(${target} PRIVATE
      $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-D_FORTIFY_SOURCE=2>)
  endif()

  if(CMAKE_EXECUTABLE_FORMAT STREQUAL "ELF")
    tervox_log_harden_elf_links(${target} ${symbol_map})
  elseif(WIN32)
    # Address space layout randomisation, also above 4 GiB, and a non-executable data segment.
    tervox_log_add_checked_link_flags(${target} -Wl,--dynamicbase -Wl,--nxcompat
                                      -Wl,--high-entropy-va)
  endif()
  # Mach-O needs nothing more: hidden visibility already keeps the exported symbols to the two
  # classes, and its linker makes the stack non-executable by default.
endfunction()

# Adds to <target> each of the following linker flags that the linker accepts.
function(tervox_log_add_checked_link_flags target)
  foreach(flag IN LISTS ARGN)
    string(MAKE_C_IDENTIFIER "TERVOX_LOG_LINKER_HAS${flag}" result)
    check_linker_flag(CXX "${flag}" ${result})
    if(${result})
      target_link_options(${target} PRIVATE ${flag})
    endif()
  endforeach()
endfunction()

# Adds the ELF linker's hardening to the shared library <target>, exporting what <symbol_map> lists.
function(tervox_log_harden_elf_links target symbol_map)
  # The version script keeps the dynamic symbol table to the two classes hosts call: without it,
  # the standard library's template instances that the library uses would be exported too.
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${symbol_map})
  check_linker_flag(CXX "-Wl,--version-script=${symbol_map}" TERVOX_LOG_LINKER_HAS_VERSION_SCRIPT)
  if(TERVOX_LOG_LINKER_HAS_VERSION_SCRIPT)
    target_link_options(${target} PRIVATE "-Wl,--version-script=${symbol_map}")
  endif()
  # Read-only relocations bound at load, and a stack that is never executable.
  tervox_log_add_checked_link_flags(${target} -Wl,-z,relro,-z,now -Wl,-z,noexecstack)
  # Every symbol resolved when the library is linked, except in sanitized builds: Clang leaves
  # the sanitizer runtime to the executable.
  if(NOT TERVOX_LOG_SANITIZE)
    tervox_log_add_checked_link_flags(${target} -Wl,--no-undefined)
  endif()
endfunction()
