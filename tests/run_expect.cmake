# Runs kolmctl as a user would and checks its exit code and output.
#   -DCMD="prog;arg;..." -DCODE=<exit code> [-DMATCH=<regex on stdout+stderr>] [-DNOMATCH=<regex it must not match>]
#   [-DOUTPUT_FILE=<file standard output goes to, e.g. /dev/full>]
#   [-DINPUT_FILE=<file standard input comes from>]
#   [-DJSON=<path>=<value>|...]: standard output read as JSON, and the member at each
#   path (names and indexes parted by ".") compared with its value as CMake gives it:
#   ON and OFF for true and false, empty for null
if(NOT DEFINED INPUT_FILE)
  set(INPUT_FILE /dev/null)
endif()
if(DEFINED OUTPUT_FILE)
  execute_process(COMMAND ${CMD} RESULT_VARIABLE rc INPUT_FILE ${INPUT_FILE} OUTPUT_FILE ${OUTPUT_FILE}
    ERROR_VARIABLE err)
else()
  execute_process(COMMAND ${CMD} RESULT_VARIABLE rc INPUT_FILE ${INPUT_FILE} OUTPUT_VARIABLE out ERROR_VARIABLE err)
endif()
message("${out}${err}")
if(NOT rc STREQUAL CODE)
  message(FATAL_ERROR "exit code ${rc}, expected ${CODE}")
endif()
if(DEFINED MATCH AND NOT "${out}${err}" MATCHES "${MATCH}")
  message(FATAL_ERROR "output does not match: ${MATCH}")
endif()
if(DEFINED NOMATCH AND "${out}${err}" MATCHES "${NOMATCH}")
  message(FATAL_ERROR "output matches what it must not: ${NOMATCH}")
endif()
string(REPLACE "|" ";" checks "${JSON}")
foreach(check IN LISTS checks)
  string(FIND "${check}" "=" at)
  string(SUBSTRING "${check}" 0 ${at} path)
  math(EXPR at "${at} + 1")
  string(SUBSTRING "${check}" ${at} -1 want)
  string(REPLACE "." ";" keys "${path}")
  string(JSON got ERROR_VARIABLE bad GET "${out}" ${keys})
  if(bad OR NOT "${got}" STREQUAL "${want}")
    message(FATAL_ERROR "JSON ${path} is \"${got}\" ${bad}, expected \"${want}\"")
  endif()
endforeach()
