# Instrumented builds (GCC and Clang), chosen by cache entries rather than by flags slipped into
# CMAKE_CXX_FLAGS, so the build files can tell which one is in force. Each applies to every target
# of the project, compile and link alike.
set(TERVOX_LOG_SANITIZE "" CACHE STRING
  "Sanitizers for every target as -fsanitize= lists them (e.g. address,undefined); empty for none")
option(TERVOX_LOG_COVERAGE "Build every target for gcov and add the coverage_report target" OFF)

if(TERVOX_LOG_SANITIZE)
  # A finding stops the test at once, with a usable stack.
  set(tervox_log_sanitize_flags -fsanitize=${TERVOX_LOG_SANITIZE} -fno-sanitize-recover=all)
  add_compile_options(${tervox_log_sanitize_flags} -fno-omit-frame-pointer)
  add_link_options(${tervox_log_sanitize_flags})
endif()

if(TERVOX_LOG_COVERAGE)
  # The thread tests update the same counters from many threads at once: without atomic updates
  # the counts tear, and gcov then reports negative ones that gcovr refuses.
  add_compile_options(--coverage -fprofile-update=atomic)
  add_link_options(--coverage)
  # Line and branch coverage of the library and the tool, from the counters of every program run
  # since the last report: the report deletes them, so the next one counts afresh. Throw and
  # unreachable branches are left out: they are the compiler's, not the code's.
  find_program(TERVOX_LOG_GCOVR gcovr REQUIRED)
  add_custom_target(coverage_report
    COMMAND ${TERVOX_LOG_GCOVR} --root ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}
            --filter ${PROJECT_SOURCE_DIR}/src/ --filter ${PROJECT_SOURCE_DIR}/tools/
            --exclude-unreachable-branches --exclude-throw-branches --print-summary --delete
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
    USES_TERMINAL
    COMMENT "Coverage of src/ and tools/ by the programs run since the last report")
endif()
