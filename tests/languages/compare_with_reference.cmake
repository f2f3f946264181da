cmake_minimum_required(VERSION 3.21)
# Runs the C++ reference host and another host, each writing a trace and a log into DIR, and fails
# unless the two hosts wrote the same bytes.
# Arguments: -DREFERENCE=<program> -DHOST=<program> -DDIR=<scratch folder>
file(REMOVE_RECURSE ${DIR})
file(MAKE_DIRECTORY ${DIR})
foreach(host REFERENCE HOST)
  execute_process(COMMAND ${${host}} ${DIR}/${host}.trace ${DIR}/${host}.log
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${${host}} failed: ${failed}")
  endif()
endforeach()
foreach(file trace log)
  file(READ ${DIR}/REFERENCE.${file} expected)
  file(READ ${DIR}/HOST.${file} written)
  if(NOT written STREQUAL expected)
    message(FATAL_ERROR "${HOST} wrote the ${file}\n${written}\ninstead of\n${expected}")
  endif()
endforeach()
