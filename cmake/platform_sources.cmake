# A file ending in _win32.cpp or _posix.cpp (tests: _win32_test.cpp,
# _posix_test.cpp) is one platform's side of a facility; only this platform's
# side is built.  Tests that need pseudo-terminals end in _pty_test.cpp and
# are POSIX-only too, as are the tests of the POSIX port (posix_*.cpp).
function(korvel_keep_this_platform sources_var)
  set(sources ${${sources_var}})
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "(_posix|_posix_test|_pty_test)\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "(_win32|_win32_test)\\.cpp$")
  endif()
  set(${sources_var} ${sources} PARENT_SCOPE)
endfunction()

function(korvel_keep_this_platform_tests sources_var)
  set(sources ${${sources_var}})
  korvel_keep_this_platform(sources)
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "/posix_[^/]*\\.cpp$")
  endif()
  set(${sources_var} ${sources} PARENT_SCOPE)
endfunction()
