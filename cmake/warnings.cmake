# quorvane_set_warnings(<target>): the project's warning set, and -Werror
# (or /WX) when QUORVANE_WARNINGS_AS_ERRORS is on.
function(quorvane_set_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /permissive-)
    if(QUORVANE_WARNINGS_AS_ERRORS)
      target_compile_options(${target} PRIVATE /WX)
    endif()
  else()
    target_compile_options(${target} PRIVATE
      -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow
      -Wold-style-cast -Wcast-qual -Wnon-virtual-dtor -Woverloaded-virtual
      -Wimplicit-fallthrough -Wformat=2)
    if(QUORVANE_WARNINGS_AS_ERRORS)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()
