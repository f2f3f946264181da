cmake_minimum_required(VERSION 3.21)
# Compares the library's dynamic symbol table with the expected list, so that an internal symbol
# that leaks out (or a host-facing one that goes missing) fails the tests.
# Arguments: -DLIBRARY=<path> -DEXPECTED=<path>
execute_process(
  COMMAND nm -D --defined-only --format=posix ${LIBRARY}
  COMMAND cut -d " " -f 1
  COMMAND c++filt
  OUTPUT_VARIABLE actual
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "could not read the dynamic symbols of ${LIBRARY}")
endif()
file(STRINGS ${EXPECTED} expected)
string(REPLACE ";" "\\;" actual "${actual}")
string(REPLACE "\n" ";" actual "${actual}")
list(REMOVE_ITEM actual "")
list(REMOVE_DUPLICATES actual)
list(SORT actual)
list(SORT expected)
if(NOT actual STREQUAL expected)
  string(REPLACE ";" "\n" shown "${actual}")
  message(FATAL_ERROR "exported symbols differ from ${EXPECTED}; the library exports:\n${shown}")
endif()
