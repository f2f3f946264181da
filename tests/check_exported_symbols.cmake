cmake_minimum_required(VERSION 3.21)
# Compares the symbols the library exports with the expected list, so that an internal symbol that
# leaks out (or a host-facing one that goes missing) fails the tests. Reads an ELF shared object's
# dynamic symbol table with nm -D, a DLL's export table with objdump -p (MinGW-w64's when
# installed).
# Arguments: -DLIBRARY=<path> -DEXPECTED=<path>
#
# The list spells standard library types without the library's versioning: std::__cxx11:: and
# [abi:cxx11] (libstdc++) and std::__1:: (libc++) are removed from both sides before comparing.

# Sets <out> to the demangled names the library exports, as text of one name a line, and <format>
# to ELF or PE.
function(read_exported_symbols out format)
  file(READ ${LIBRARY} magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46")
    execute_process(
      COMMAND nm -D --defined-only --format=posix ${LIBRARY}
      COMMAND cut -d " " -f 1
      COMMAND c++filt
      OUTPUT_VARIABLE symbols
      RESULT_VARIABLE status)
    set(${format} ELF PARENT_SCOPE)
  elseif(magic MATCHES "^4d5a")
    find_program(objdump NAMES x86_64-w64-mingw32-objdump objdump REQUIRED)
    execute_process(
      COMMAND ${objdump} -p ${LIBRARY}
      COMMAND c++filt
      OUTPUT_VARIABLE headers
      RESULT_VARIABLE status)
    # The export table's names, one "\t[ordinal] name" line each, follow this heading.
    string(REGEX REPLACE ".*\n\\[Ordinal/Name Pointer\\] Table\n" "" symbols "${headers}")
    string(REGEX REPLACE "\n\n.*" "\n" symbols "${symbols}")
    string(REGEX REPLACE "(^|\n)\t\\[ *[0-9]+\\] " "\\1" symbols "${symbols}")
    set(${format} PE PARENT_SCOPE)
  else()
    message(FATAL_ERROR "${LIBRARY} is neither an ELF shared object nor a DLL")
  endif()
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "could not read the exported symbols of ${LIBRARY}")
  endif()
  set(${out} "${symbols}" PARENT_SCOPE)
endfunction()

# Sets <out> to the sorted list of the names in <text> (one a line), spelled without the standard
# library's versioning.
function(normalised_names out text)
  string(REPLACE "std::__cxx11::" "std::" text "${text}")
  string(REPLACE "std::__1::" "std::" text "${text}")
  string(REPLACE "[abi:cxx11]" "" text "${text}")
  string(REPLACE ";" "\\;" text "${text}")
  string(REPLACE "\n" ";" names "${text}")
  list(REMOVE_ITEM names "")
  list(REMOVE_DUPLICATES names)
  list(SORT names)
  set(${out} "${names}" PARENT_SCOPE)
endfunction()

read_exported_symbols(exported format)
normalised_names(actual "${exported}")
file(READ ${EXPECTED} expected_text)
normalised_names(expected "${expected_text}")
if(format STREQUAL "PE")
  # A DLL exports a class's type_info but not the name string it points to: MinGW-w64's C++
  # runtime compares types across DLLs by that string's text, so no host needs its address.
  list(FILTER expected EXCLUDE REGEX "^typeinfo name for ")
endif()

if(NOT actual STREQUAL expected)
  list(JOIN actual "\n  " actual)
  message(FATAL_ERROR "exported symbols of ${LIBRARY} differ from ${EXPECTED}; exported:\n  ${actual}")
endif()
