# Warnings every target of the project is built with.
function(ecucal_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
endfunction()
