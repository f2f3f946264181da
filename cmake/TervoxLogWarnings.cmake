# The warnings every target of the project is built with. CI adds -Werror through CXXFLAGS.
function(tervox_log_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wformat=2)
endfunction()
