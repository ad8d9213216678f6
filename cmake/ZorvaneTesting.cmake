# zv_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest program, registered with CTest, run against the headless host on its
# virtual clock. Test data (tests/data) is found through ZV_TESTDATA_DIR, fixed at build
# time.
find_package(GTest REQUIRED)
include(GoogleTest)

function(zv_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/platform/testing/use_virtual_clock.cpp)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} zv_win32 zv_platform_testing GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE ZV_TESTDATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "ZORVANE_HOST=headless")
endfunction()
