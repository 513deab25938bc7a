# The plug-in interface's facts (tools/kolmctl/interface_facts.txt) as a C++ header,
# interface_facts.h, on every target's include path: the plug-in and kolmctl alike. The
# kolm Python package's module of the same facts is made by python/make_wheel.py. Each
# fact is also a variable here, KOLM_FACT_<NAME> (helper_dll_32: KOLM_FACT_HELPER_DLL_32),
# and KOLM_HELPER_DLL names the port helper of this build's width, for the help texts
# and the tests. Run on its own, it writes the header of another list:
#   cmake -DFACTS=facts.txt -DHEADER=interface_facts.h -P KolmInterfaceFacts.cmake
if(NOT CMAKE_SCRIPT_MODE_FILE)
  set(FACTS ${CMAKE_SOURCE_DIR}/tools/kolmctl/interface_facts.txt)
  set(HEADER ${CMAKE_BINARY_DIR}/generated/facts/interface_facts.h)
endif()
set(kolm_facts_source ${FACTS})
file(STRINGS ${kolm_facts_source} kolm_facts_lines REGEX "^[a-z]")
set(kolm_facts_header "// Made by cmake/KolmInterfaceFacts.cmake from tools/kolmctl/interface_facts.txt: edit that.
#pragma once

#include <cstdint>

namespace kolm::facts {
")
foreach(line IN LISTS kolm_facts_lines)
  if(NOT line MATCHES "^([a-z0-9_]+) +(\"[^\"]*\"|-?[0-9][0-9a-fA-Fx.]*) +(.+)$")
    message(FATAL_ERROR "${kolm_facts_source}: not a fact (name value what): ${line}")
  endif()
  set(value "${CMAKE_MATCH_2}")
  set(what "${CMAKE_MATCH_3}")
  string(TOUPPER "${CMAKE_MATCH_1}" upper)
  string(REPLACE "\"" "" KOLM_FACT_${upper} "${value}")
  # no_value -> kNoValue
  string(REPLACE "_" ";" words "${CMAKE_MATCH_1}")
  set(name k)
  foreach(word IN LISTS words)
    string(SUBSTRING "${word}" 0 1 first)
    string(SUBSTRING "${word}" 1 -1 rest)
    string(TOUPPER "${first}" first)
    string(APPEND name "${first}${rest}")
  endforeach()
  if(value MATCHES "^\"")
    set(type "const char*")
  elseif(value MATCHES "\\.")
    set(type "double")
  else()
    set(type "std::int32_t")
  endif()
  string(APPEND kolm_facts_header "// ${what}\nconstexpr ${type} ${name} = ${value};\n")
endforeach()
# A process loads only DLLs of its own width: the helper of this build's.
string(APPEND kolm_facts_header "// the port helper DLL this build loads, of its own width\n"
  "constexpr const char* kHelperDll = sizeof(void*) == 8 ? kHelperDll64 : kHelperDll32;\n"
  "}  // namespace kolm::facts\n")
file(CONFIGURE OUTPUT ${HEADER} CONTENT "${kolm_facts_header}" @ONLY)
if(CMAKE_SCRIPT_MODE_FILE)
  return()
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${kolm_facts_source})
include_directories(${CMAKE_BINARY_DIR}/generated/facts)
math(EXPR kolm_facts_width "${CMAKE_SIZEOF_VOID_P} * 8")
set(KOLM_HELPER_DLL ${KOLM_FACT_HELPER_DLL_${kolm_facts_width}})
