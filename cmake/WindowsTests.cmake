# GoogleTest for the Windows cross build, and CTest under Wine. Debian's libgtest is
# built for Linux only, so the sources it ships in /usr/src/googletest are built here.
set(ZENTHO_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources (Debian package googletest)")
if(NOT EXISTS ${ZENTHO_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${ZENTHO_GOOGLETEST_SOURCE}: install the googletest package")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${ZENTHO_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# The first start of Wine creates its prefix (about ten seconds): once, before any test.
add_test(NAME wine_prefix_setup
         COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} wineboot --init)
set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 300)

# Under Wine every start costs about a second, so each suite runs as one test rather
# than one per case; its exit code and its failed cases show in CTest's output.
function(gtest_discover_tests target)
  add_test(NAME ${target} COMMAND ${target} --gtest_brief=1)
  set_tests_properties(${target} PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 600)
endfunction()
