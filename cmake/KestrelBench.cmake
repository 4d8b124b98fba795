# kestrel_add_benchmark(NAME SOURCES... LIBS...): a Google Benchmark executable in bench/ of the
# build tree, run by the target `bench` (`cmake --build <dir> --target bench`). Nothing is added
# where Google Benchmark is missing.
find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_custom_target(bench)
endif()
function(kestrel_add_benchmark name)
  if(NOT benchmark_FOUND)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench
                                           BUILD_RPATH "${KESTREL_PROGRAM_DIR}")
  add_custom_target(run_${name} COMMAND ${name} USES_TERMINAL)
  add_dependencies(bench run_${name})
endfunction()
