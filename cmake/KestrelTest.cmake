# kestrel_add_test(NAME SOURCES... LIBS... [LOCK NAME] [LABELS LABEL...]): one GoogleTest
# executable registered with CTest. Test binaries live in the build tree, not in the program
# directory. LOCK names a resource that the executable's tests never share with others holding
# the same lock (tests that raise system-wide events, for instance).
function(kestrel_add_test name)
  cmake_parse_arguments(ARG "" "LOCK" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests
                                           BUILD_RPATH "${KESTREL_PROGRAM_DIR}")
  # The suppressions name what libraries beneath Qt keep to the end; they reach the programs a
  # test starts through its environment.
  # One value per property: the properties are a list of names and values.
  set(properties ENVIRONMENT "KESTREL_PROGRAM_DIR=${KESTREL_PROGRAM_DIR}"
      ENVIRONMENT_MODIFICATION "LSAN_OPTIONS=set:suppressions=${PROJECT_SOURCE_DIR}/cmake/lsan.supp")
  if(ARG_LOCK)
    list(APPEND properties RESOURCE_LOCK ${ARG_LOCK})
  endif()
  if(ARG_LABELS)
    list(APPEND properties LABELS "${ARG_LABELS}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES ${properties})
endfunction()

# kestrel_expect_exit(NAME STATUS N [STDOUT PART...] [STDERR PART...] [LABELS L...] COMMAND ...):
# a test that runs the command and checks its exit status and the literal parts its standard
# output and error must hold. A command that names a target runs the target's file, as add_test
# does.
function(kestrel_expect_exit name)
  cmake_parse_arguments(ARG "" "STATUS" "STDOUT;STDERR;LABELS;COMMAND" ${ARGN})
  list(GET ARG_COMMAND 0 program)
  if(TARGET ${program})
    list(REMOVE_AT ARG_COMMAND 0)
    list(PREPEND ARG_COMMAND "$<TARGET_FILE:${program}>")
  endif()
  list(JOIN ARG_COMMAND "$<SEMICOLON>" command)
  list(JOIN ARG_STDOUT "$<SEMICOLON>" stdout)
  list(JOIN ARG_STDERR "$<SEMICOLON>" stderr)
  add_test(NAME ${name}
           COMMAND ${CMAKE_COMMAND} "-DCOMMAND=${command}" -DSTATUS=${ARG_STATUS}
                   "-DSTDOUT=${stdout}" "-DSTDERR=${stderr}"
                   -P ${PROJECT_SOURCE_DIR}/cmake/ExpectExit.cmake)
  set_tests_properties(${name} PROPERTIES TIMEOUT 120)
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()

# kestrel_add_fuzz_test(NAME TARGET): runs scripts/run-fuzz briefly on the fuzz target TARGET
# (label fuzz). The target is built with clang++ (libFuzzer) by the test itself, since the main
# build uses g++; the test is skipped where clang++ is missing.
find_program(KESTREL_CLANGXX NAMES clang++ clang++-14)
function(kestrel_add_fuzz_test name target)
  add_test(NAME ${name}
           COMMAND sh ${PROJECT_SOURCE_DIR}/scripts/run-fuzz --clang "${KESTREL_CLANGXX}" ${target}
                   ${CMAKE_CURRENT_BINARY_DIR}/${name})
  set_tests_properties(${name} PROPERTIES LABELS fuzz SKIP_RETURN_CODE 77 TIMEOUT 600)
endfunction()
