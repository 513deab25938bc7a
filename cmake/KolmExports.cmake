# Export definitions generated from plugin/exports.list, the one list of the
# plug-in's exports and their ordinals.
set(KOLM_EXPORTS_LIST ${CMAKE_SOURCE_DIR}/plugin/exports.list)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${KOLM_EXPORTS_LIST})

# Reads the list into two parallel lists: <prefix>_ORDINALS and <prefix>_NAMES.
function(kolm_read_exports prefix)
  file(STRINGS ${KOLM_EXPORTS_LIST} lines REGEX "^[0-9]+ [A-Za-z_]+$")
  set(ordinals "")
  set(names "")
  foreach(line IN LISTS lines)
    string(REPLACE " " ";" fields "${line}")
    list(GET fields 0 ordinal)
    list(GET fields 1 name)
    list(APPEND ordinals ${ordinal})
    list(APPEND names ${name})
  endforeach()
  set(${prefix}_ORDINALS ${ordinals} PARENT_SCOPE)
  set(${prefix}_NAMES ${names} PARENT_SCOPE)
endfunction()

# ELF version script: the listed names global, everything else local.
function(kolm_write_version_script out)
  kolm_read_exports(exp)
  set(text "{\n  global:\n")
  foreach(name IN LISTS exp_NAMES)
    string(APPEND text "    ${name};\n")
  endforeach()
  string(APPEND text "  local:\n    *;\n};\n")
  file(WRITE ${out} "${text}")
endfunction()

# Windows module definition: module name, names and fixed ordinals. The entry points
# are stdcall, which MinGW decorates (EA becomes EA@4); the linker's stdcall fixup
# (--enable-stdcall-fixup) binds each plain name here to its decorated symbol.
function(kolm_write_def module out)
  kolm_read_exports(exp)
  set(text "LIBRARY ${module}\nEXPORTS\n")
  foreach(name ordinal IN ZIP_LISTS exp_NAMES exp_ORDINALS)
    string(APPEND text "  ${name} @${ordinal}\n")
  endforeach()
  file(WRITE ${out} "${text}")
endfunction()
