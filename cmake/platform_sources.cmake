# A file ending in _win32.cpp or _posix.cpp is one platform's side of a
# facility; only this platform's side is built.
function(korvel_keep_this_platform sources_var)
  set(sources ${${sources_var}})
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "_win32\\.cpp$")
  endif()
  set(${sources_var} ${sources} PARENT_SCOPE)
endfunction()
