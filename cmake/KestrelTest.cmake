# kestrel_add_test(NAME SOURCES... LIBS...): one GoogleTest executable registered with CTest.
# Test binaries live in the build tree, not in the program directory.
function(kestrel_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests
                                           BUILD_RPATH "${KESTREL_PROGRAM_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                       PROPERTIES ENVIRONMENT "KESTREL_PROGRAM_DIR=${KESTREL_PROGRAM_DIR}")
endfunction()
