# zumaset_add_test(NAME source... LIBS lib...)
# Builds one test program per unit and registers its cases with CTest.
# Test programs are named after their unit: <unit>_test.
function(zumaset_add_test name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} zumaset_testsupport GTest::gtest GTest::gmock GTest::gtest_main)
  # Logs without a folder of their own go to the data folder: keep the tests'
  # out of the real one.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "ZUMASET_BUILD_DIR=${CMAKE_BINARY_DIR}"
               ENVIRONMENT_MODIFICATION "XDG_DATA_HOME=set:${CMAKE_BINARY_DIR}/test-data")
endfunction()
