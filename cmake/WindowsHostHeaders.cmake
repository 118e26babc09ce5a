# The header-only libraries of the Linux host (CLI11, nlohmann-json) for the Windows
# cross build: their CMake packages would add /usr/include, whose glibc headers must
# never reach the mingw compiler, so only their own folders are copied into the tree.
set(zentho_host_headers ${CMAKE_BINARY_DIR}/host-headers)
foreach(folder CLI nlohmann)
  if(NOT EXISTS /usr/include/${folder})
    message(FATAL_ERROR "/usr/include/${folder} missing: install libcli11-dev and nlohmann-json3-dev")
  endif()
  file(COPY /usr/include/${folder} DESTINATION ${zentho_host_headers})
endforeach()

add_library(CLI11::CLI11 INTERFACE IMPORTED GLOBAL)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${zentho_host_headers})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${zentho_host_headers})
