# Runs a command and checks its exit status and what it wrote: the test of a program's command
# line. Variables: COMMAND (the command and its arguments, a list), STATUS (the exit status),
# STDOUT and STDERR (lists of literal parts each stream must hold; either may be empty).
execute_process(COMMAND ${COMMAND}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 100)
if(NOT status STREQUAL STATUS)
  message(FATAL_ERROR "expected exit status ${STATUS}, got ${status}\nstdout:\n${out}\nstderr:\n${err}")
endif()
set(text_STDOUT "${out}")
set(text_STDERR "${err}")
foreach(stream IN ITEMS STDOUT STDERR)
  foreach(part IN LISTS ${stream})
    string(FIND "${text_${stream}}" "${part}" at)
    if(at EQUAL -1)
      string(TOLOWER ${stream} name)
      message(FATAL_ERROR "${name} does not hold \"${part}\":\n${text_${stream}}")
    endif()
  endforeach()
endforeach()
message(STATUS "exit status ${status} as expected:\n${out}${err}")
