# Tests of a Windows cross build: GoogleTest compiled from Debian's sources
# with the cross toolchain, and every test program run under wine.
#
# The wine prefix is private to the build tree and made once, while building;
# every test reuses it. 64-bit programs run with wine64; 32-bit ones need a
# kernel that runs 32-bit programs, which not every machine has: where wine
# cannot start the tree's programs, TONEGEN_WINE_RUNS is FALSE and the test
# programs are neither built by default nor registered, so that ctest runs
# only the checks of the built files.

set(TONEGEN_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources (Debian package googletest)")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${TONEGEN_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Each test of the tree is named after its machine (x64.…, x86.…), so that
# one ctest run over several trees (scripts/test.sh) names each test once.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(tonegen_test_prefix x64.)
else()
  set(tonegen_test_prefix x86.)
endif()

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TONEGEN_WINE_LOADER /usr/lib/wine/wine64 CACHE FILEPATH "wine loader for the test programs")
else()
  set(TONEGEN_WINE_LOADER /usr/lib/wine/wine CACHE FILEPATH "wine loader for the test programs")
endif()
set(TONEGEN_WINE64 /usr/lib/wine/wine64 CACHE FILEPATH "64-bit wine loader, makes the test prefix")
set(TONEGEN_WINESERVER /usr/lib/wine/wineserver CACHE FILEPATH "wine server the test runner starts for each prefix")

include(${PROJECT_SOURCE_DIR}/cmake/wine_can_start.cmake)
tonegen_wine_can_start(${TONEGEN_WINE_LOADER} wine_runs why)
# scripts/test.sh reads it to say which tests it ran.
set(TONEGEN_WINE_RUNS ${wine_runs} CACHE INTERNAL "wine starts this tree's programs here")
if(NOT TONEGEN_WINE_RUNS)
  message(STATUS "${TONEGEN_WINE_LOADER} cannot start programs here (${why}): "
                 "the Windows test programs are neither built nor run")
endif()
set(TONEGEN_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(TONEGEN_WINE_PREFIX_COPY ${CMAKE_CURRENT_LIST_DIR}/wine_prefix_copy.sh)
set(TONEGEN_WINE_REMOVE_SERVER_FOLDER ${CMAKE_CURRENT_LIST_DIR}/wine_remove_server_folder.sh)
configure_file(${PROJECT_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                                WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)

# Made while building, so that the first test does not spend the time, and
# made anew when the script that sets it up changes.
add_custom_command(
  OUTPUT ${TONEGEN_WINE_PREFIX}/.ready ${TONEGEN_WINE_PREFIX}-windows/.ready ${TONEGEN_WINE_PREFIX}-windows2/.ready
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${TONEGEN_WINE_PREFIX} ${TONEGEN_WINE_PREFIX}-windows ${TONEGEN_WINE_PREFIX}-windows2
  COMMAND ${CMAKE_BINARY_DIR}/wine-run.sh --make-prefix
  DEPENDS ${PROJECT_SOURCE_DIR}/cmake/wine-run.sh.in ${TONEGEN_WINE_PREFIX_COPY}
  COMMENT "Making the wine prefix of the tests"
  VERBATIM)
add_custom_target(tonegen_wine_prefix ALL DEPENDS ${TONEGEN_WINE_PREFIX}/.ready)

# The test programs cannot run while building; their tests are listed when
# ctest runs.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)

# One wine server for the console test programs of the whole ctest run, which
# their tests require (TONEGEN_WINE_TEST_PROPERTIES): started before the first
# of them, stopped after the last (wine-run.sh says why).
if(TONEGEN_WINE_RUNS)
  add_test(NAME ${tonegen_test_prefix}wine.hold_server COMMAND ${CMAKE_BINARY_DIR}/wine-run.sh --hold-server)
  add_test(NAME ${tonegen_test_prefix}wine.release_server COMMAND ${CMAKE_BINARY_DIR}/wine-run.sh --release-server)
  set_tests_properties(${tonegen_test_prefix}wine.hold_server PROPERTIES FIXTURES_SETUP ${tonegen_test_prefix}wine_server)
  set_tests_properties(${tonegen_test_prefix}wine.release_server PROPERTIES FIXTURES_CLEANUP ${tonegen_test_prefix}wine_server)
endif()
set(TONEGEN_WINE_TEST_PROPERTIES FIXTURES_REQUIRED ${tonegen_test_prefix}wine_server)

