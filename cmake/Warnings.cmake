# Warning flags shared by every target of the project.
add_library(zentho_warnings INTERFACE)
if(MSVC)
  target_compile_options(zentho_warnings INTERFACE /W4)
else()
  target_compile_options(zentho_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Wnull-dereference)
endif()
