# Tests of a Windows cross build: GoogleTest compiled from Debian's sources
# with the cross toolchain, and every test program run under wine.
#
# The wine prefix is private to the build tree and made once, while building;
# every test reuses it. 64-bit programs run with wine64; 32-bit ones need a
# wine that can start 32-bit programs, which not every machine has, so the
# 32-bit tree is usually only built.

set(TONEGEN_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources (Debian package googletest)")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${TONEGEN_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TONEGEN_WINE_LOADER /usr/lib/wine/wine64 CACHE FILEPATH "wine loader for the test programs")
else()
  set(TONEGEN_WINE_LOADER /usr/lib/wine/wine CACHE FILEPATH "wine loader for the test programs")
endif()
set(TONEGEN_WINE64 /usr/lib/wine/wine64 CACHE FILEPATH "64-bit wine loader, makes the test prefix")
set(TONEGEN_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
configure_file(${PROJECT_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                                WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)

# Made while building, so that the first test does not spend the time, and
# made anew when the script that sets it up changes.
add_custom_command(
  OUTPUT ${TONEGEN_WINE_PREFIX}/.ready
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${TONEGEN_WINE_PREFIX} ${TONEGEN_WINE_PREFIX}-windows
  COMMAND ${CMAKE_BINARY_DIR}/wine-run.sh --make-prefix
  DEPENDS ${PROJECT_SOURCE_DIR}/cmake/wine-run.sh.in
  COMMENT "Making the wine prefix of the tests"
  VERBATIM)
add_custom_target(tonegen_wine_prefix ALL DEPENDS ${TONEGEN_WINE_PREFIX}/.ready)

# The test programs cannot run while building; their tests are listed when
# ctest runs.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)

# Where this wine cannot start programs of the target's width (a kernel
# without 32-bit support refuses the 32-bit loader), the test programs are
# still built, but their tests are not registered: ctest then runs only the
# checks of the built files.
execute_process(COMMAND ${TONEGEN_WINE_LOADER} --version RESULT_VARIABLE wine_result OUTPUT_QUIET ERROR_QUIET)
if(NOT wine_result EQUAL 0)
  message(STATUS "${TONEGEN_WINE_LOADER} cannot start programs here: Windows test programs are built, not run")
  function(gtest_discover_tests target)
    message(STATUS "${target}: built, not registered")
  endfunction()
endif()
