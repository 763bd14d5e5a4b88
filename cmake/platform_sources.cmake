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

# Tests that need POSIX (pseudo-terminals, the device simulator, fork) end in
# _posix_test.cpp or _pty_test.cpp, or are the POSIX side of a support file;
# tests of Windows calls end in _win32_test.cpp.
function(korvel_keep_this_platform_tests sources_var)
  set(sources ${${sources_var}})
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "(_posix_test|_pty_test|_posix)\\.cpp$")
    list(FILTER sources EXCLUDE REGEX "/posix_[^/]*\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "(_win32_test|_win32)\\.cpp$")
  endif()
  set(${sources_var} ${sources} PARENT_SCOPE)
endfunction()
