# Warning flags shared by every target of the project; CI makes them errors.
option(ZENTHO_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)

add_library(zentho_warnings INTERFACE)
if(MSVC)
  target_compile_options(zentho_warnings INTERFACE /W4)
  if(ZENTHO_WARNINGS_AS_ERRORS)
    target_compile_options(zentho_warnings INTERFACE /WX)
  endif()
else()
  # C++ only: the Windows resource compiler takes none of these.
  target_compile_options(zentho_warnings INTERFACE $<$<COMPILE_LANGUAGE:CXX>:
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Wnull-dereference>)
  if(ZENTHO_WARNINGS_AS_ERRORS)
    target_compile_options(zentho_warnings INTERFACE $<$<COMPILE_LANGUAGE:CXX>:-Werror>)
  endif()
endif()
