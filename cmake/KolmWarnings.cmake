# Warnings for every target of the project.
function(kolm_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion)
  if(KOLM_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
