# The plug-in interface's facts (tools/kolmctl/interface_facts.txt) as a C++ header,
# interface_facts.h, for kolmctl: target kolm_interface_facts. The kolm Python
# package's module of the same facts is made by python/make_wheel.py.
set(kolm_facts_source ${CMAKE_SOURCE_DIR}/tools/kolmctl/interface_facts.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${kolm_facts_source})
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
string(APPEND kolm_facts_header "}  // namespace kolm::facts\n")
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/facts/interface_facts.h CONTENT "${kolm_facts_header}" @ONLY)
add_library(kolm_interface_facts INTERFACE)
target_include_directories(kolm_interface_facts INTERFACE ${CMAKE_BINARY_DIR}/generated/facts)
