# Runs kolmctl as a user would and checks its exit code and output.
#   -DCMD="prog;arg;..." -DCODE=<exit code> [-DMATCH=<regex on stdout+stderr>]
execute_process(COMMAND ${CMD} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}${err}")
if(NOT rc STREQUAL CODE)
  message(FATAL_ERROR "exit code ${rc}, expected ${CODE}")
endif()
if(DEFINED MATCH AND NOT "${out}${err}" MATCHES "${MATCH}")
  message(FATAL_ERROR "output does not match: ${MATCH}")
endif()
