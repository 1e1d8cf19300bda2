# Project-wide warning policy: warning-free with -Wall -Wextra on both
# targets; warnings are errors for the project's own targets.
function(orv_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
