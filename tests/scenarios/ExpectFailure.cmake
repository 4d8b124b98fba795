# Runs the scenario player on a script that must fail, and checks its exit status and message.
# Variables: PLAYER, PROGRAM_DIR, SCRIPT, STATUS (the exit status), MESSAGE and DETAIL (literal
# parts of stderr).
execute_process(COMMAND ${PLAYER} --program-dir ${PROGRAM_DIR} ${SCRIPT}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 100)
if(NOT status STREQUAL STATUS)
  message(FATAL_ERROR "expected exit status ${STATUS}, got ${status}\nstdout:\n${out}\nstderr:\n${err}")
endif()
foreach(part IN ITEMS MESSAGE DETAIL)
  string(FIND "${err}" "${${part}}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "stderr does not hold \"${${part}}\":\n${err}")
  endif()
endforeach()
message(STATUS "failed as it must:\n${err}")
