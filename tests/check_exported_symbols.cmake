cmake_minimum_required(VERSION 3.21)
# Fails when the symbols LIBRARY exports (ELF or DLL) differ from the list EXPECTED, both spelled
# without the standard library's versioning: an internal symbol leaking out or a host's going.
file(READ ${LIBRARY} magic LIMIT 4 HEX)
file(READ ${EXPECTED} expected)
if(magic STREQUAL "7f454c46")
  execute_process(COMMAND nm -D --defined-only --format=just-symbols ${LIBRARY} COMMAND c++filt
                  OUTPUT_VARIABLE exported COMMAND_ERROR_IS_FATAL ANY)
else()
  find_program(objdump NAMES x86_64-w64-mingw32-objdump objdump REQUIRED)
  execute_process(COMMAND ${objdump} -p ${LIBRARY} COMMAND c++filt
                  OUTPUT_VARIABLE exported COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX REPLACE ".*\n\\[Ordinal/Name Pointer\\] Table\n" "" exported "${exported}")
  string(REGEX REPLACE "\n\n.*" "\n" exported "${exported}")
  string(REGEX REPLACE "(^|\n)\t\\[ *[0-9]+\\] " "\\1" exported "${exported}")
  # MinGW-w64 compares types across DLLs by their names' text: the name strings are not exported.
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
