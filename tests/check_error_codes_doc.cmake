cmake_minimum_required(VERSION 3.21)
# Fails when DOC (docs/error-codes.md) no longer lists the catalogue of TOOL (tervox-errors), or
# its man page names other options than its --help.
execute_process(COMMAND ${TOOL} --list --format markdown
  OUTPUT_VARIABLE listed RESULT_VARIABLE status)
file(READ ${DOC} documented)
if(NOT status EQUAL 0 OR NOT listed STREQUAL documented)
  message(FATAL_ERROR "${DOC} is out of date; regenerate it with: "
                      "cmake --build <build dir> --target error_codes_doc")
endif()

# The options a text names, sorted; not the hyphens inside words.
function(named_options text result)
  string(REGEX REPLACE "[^A-Za-z0-9_-]+" " " words " ${text}")
  string(REGEX MATCHALL " --?[a-z][a-z-]*" found "${words}")
  string(REPLACE " " "" found "${found}")
  list(REMOVE_DUPLICATES found)
  list(SORT found)
  set(${result} "${found}" PARENT_SCOPE)
endfunction()

set(man_page ${CMAKE_CURRENT_LIST_DIR}/../tools/tervox-errors/tervox-errors.1)
execute_process(COMMAND ${TOOL} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
file(READ ${man_page} man)
# Roff escapes the hyphens of options ("\-\-help") and sets them in fonts ("\fB...\fR").
string(REPLACE "\\-" "-" man "${man}")
string(REGEX REPLACE "\\\\f[BIRP]" "" man "${man}")
named_options("${help}" help_options)
named_options("${man}" man_options)
if(NOT status EQUAL 0 OR NOT help_options STREQUAL man_options)
  message(FATAL_ERROR "${man_page} names the options '${man_options}' but --help shows "
                      "'${help_options}'; bring them in step")
endif()
