# zentho_version: the generated header that carries the project's version.
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in
               ${PROJECT_BINARY_DIR}/generated/zentho_version.h @ONLY)
add_library(zentho_version INTERFACE)
target_include_directories(zentho_version INTERFACE ${PROJECT_BINARY_DIR}/generated)
