# kestrel_add_test(NAME SOURCES... LIBS... [LOCK NAME]): one GoogleTest executable registered
# with CTest. Test binaries live in the build tree, not in the program directory. LOCK names a
# resource that the executable's tests never share with others holding the same lock (tests
# that raise system-wide events, for instance).
function(kestrel_add_test name)
  cmake_parse_arguments(ARG "" "LOCK" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests
                                           BUILD_RPATH "${KESTREL_PROGRAM_DIR}")
  set(properties ENVIRONMENT "KESTREL_PROGRAM_DIR=${KESTREL_PROGRAM_DIR}")
  if(ARG_LOCK)
    list(APPEND properties RESOURCE_LOCK ${ARG_LOCK})
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES ${properties})
endfunction()
