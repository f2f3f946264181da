cmake_minimum_required(VERSION 3.21)
# Compares the symbols the library exports with the expected list, both spelled without the
# standard library's versioning (std::__cxx11::, [abi:cxx11], std::__1::), so that an internal
# symbol leaking out, or a host-facing one going missing, fails. Reads an ELF's dynamic symbols
# with nm -D, a DLL's export table with objdump -p (MinGW-w64's when installed).
# Arguments: -DLIBRARY=<path> -DEXPECTED=<path>
file(READ ${LIBRARY} magic LIMIT 4 HEX)
file(READ ${EXPECTED} expected)
if(magic STREQUAL "7f454c46")
  execute_process(COMMAND nm -D --defined-only --format=just-symbols ${LIBRARY} COMMAND c++filt
                  OUTPUT_VARIABLE exported COMMAND_ERROR_IS_FATAL ANY)
else()
  find_program(objdump NAMES x86_64-w64-mingw32-objdump objdump REQUIRED)
  execute_process(COMMAND ${objdump} -p ${LIBRARY} COMMAND c++filt
                  OUTPUT_VARIABLE exported COMMAND_ERROR_IS_FATAL ANY)
  # The export table's names, one "\t[ordinal] name" line each, follow this heading.
  string(REGEX REPLACE ".*\n\\[Ordinal/Name Pointer\\] Table\n" "" exported "${exported}")
  string(REGEX REPLACE "\n\n.*" "\n" exported "${exported}")
  string(REGEX REPLACE "(^|\n)\t\\[ *[0-9]+\\] " "\\1" exported "${exported}")
  # A DLL exports a class's type_info but not the name string it points to: MinGW-w64's C++
  # runtime compares types across DLLs by that string's text, so no host needs its address.
  string(REGEX REPLACE "typeinfo name for [^\n]*\n" "" expected "${expected}")
endif()

foreach(names IN ITEMS exported expected)
  string(REGEX REPLACE "std::__cxx11::|std::__1::" "std::" ${names} "${${names}}")
  string(REPLACE "[abi:cxx11]" "" ${names} "${${names}}")
  string(REPLACE "\n" ";" ${names} "${${names}}")
  list(REMOVE_ITEM ${names} "")
  list(REMOVE_DUPLICATES ${names})
  list(SORT ${names})
endforeach()
if(NOT exported STREQUAL expected)
  list(JOIN exported "\n  " exported)
  message(FATAL_ERROR "exported symbols of ${LIBRARY} differ from ${EXPECTED}; exported:\n  ${exported}")
endif()
