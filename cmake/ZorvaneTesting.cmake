# Two kinds of test program, told apart by their names:
#
# zv_add_test(<name> SOURCES <files...> LIBS <targets...>)
#   Uses only Win32 and the runtime's own interfaces (sources `*_test.cpp`, target
#   `<folder>_tests`). Built for Linux, where it runs against platform/ in the headless
#   host, and for Windows, where it runs on Windows itself or under Wine. Including a
#   test control fails its Windows build.
#
# zv_add_controls_test(<name> SOURCES <files...> LIBS <targets...>)
#   Needs the platform's own test controls (forced failures, the virtual clock, injected
#   input, frame readback, object counts, hidden modules) or platform internals (sources
#   `*_controls_test.cpp`, target `<folder>_controls_tests`). Linux only.
#
# On Linux every test program runs against the headless host on its virtual clock. Test
# data (tests/data) is found through ZV_TESTDATA_DIR, fixed at build time. A test case
# that starts threads must have "Thread" in its name (suite or case): it then carries the
# CTest label "threads".

if(WIN32)
  # GoogleTest from the source tree Debian's libgtest-dev ships, compiled by the same
  # cross compiler. Its own sources are not held to our warnings-as-errors.
  set(ZV_GTEST_SOURCE /usr/src/googletest/googletest CACHE PATH "GoogleTest sources")
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${ZV_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set_target_properties(gtest gtest_main PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
else()
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

function(zv_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} zv_win32 GTest::gtest GTest::gtest_main)
  # The set-up that tests of several folders share: "support/..." (Win32 only).
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  if(NOT WIN32)
    # The virtual clock is switched on from outside the test's own sources, which stay
    # Win32-only: only this one file sees the test controls.
    set(clock ${PROJECT_SOURCE_DIR}/platform/testing/use_virtual_clock.cpp)
    target_sources(${name} PRIVATE ${clock})
    set_source_files_properties(${clock} PROPERTIES
      INCLUDE_DIRECTORIES ${PROJECT_SOURCE_DIR}/platform/testing)
  endif()
  target_compile_definitions(${name} PRIVATE ZV_TESTDATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  if(WIN32)
    # One process per program: Wine's start-up is too slow to pay once per case.
    # scripts/wine-tests.sh runs these.
    add_test(NAME ${name} COMMAND ${name})
  else()
    # A case that starts threads has "Thread" in its name and is labelled "threads", so
    # that the ThreadSanitizer step runs every one of them (ctest -L threads); that step
    # also checks the names against the test sources.
    gtest_discover_tests(${name}
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 60
      TEST_FILTER "-*Thread*"
      PROPERTIES ENVIRONMENT "ZORVANE_HOST=headless")
    gtest_discover_tests(${name}
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 60
      TEST_FILTER "*Thread*"
      PROPERTIES ENVIRONMENT "ZORVANE_HOST=headless" LABELS threads)
  endif()
endfunction()

function(zv_add_controls_test name)
  if(WIN32)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  zv_add_test(${name} SOURCES ${ARG_SOURCES} LIBS ${ARG_LIBS} zv_platform_testing)
  # The operator new that tests can make fail (zorvane_test/new_failures.h).
  target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/platform/testing/new_failures.cpp)
  target_link_libraries(${name} PRIVATE ${CMAKE_DL_LIBS})
endfunction()
