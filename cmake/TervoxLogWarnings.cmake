# The warnings every target of the project is built with. CI adds -Werror through CXXFLAGS.
function(tervox_log_set_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wformat=2)
  endif()
endfunction()
