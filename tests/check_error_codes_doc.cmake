cmake_minimum_required(VERSION 3.21)
# Fails when docs/error-codes.md no longer matches the catalogue that tervox-errors lists.
# Arguments: -DTOOL=<tervox-errors> -DDOC=<docs/error-codes.md>
execute_process(COMMAND ${TOOL} --list --format markdown OUTPUT_VARIABLE listed RESULT_VARIABLE status)
file(READ ${DOC} documented)
if(NOT status EQUAL 0 OR NOT listed STREQUAL documented)
  message(FATAL_ERROR "${DOC} is out of date; regenerate it with: "
                      "cmake --build <build dir> --target error_codes_doc")
endif()
