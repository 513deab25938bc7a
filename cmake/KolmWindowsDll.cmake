# How a plug-in DLL is linked for Windows (32-bit, and 64-bit alike): the export table from the generated
# .def, DllMain as the entry (no C runtime start-up, hence no constructors and no TLS
# directory), libgcc static, and nothing imported but KERNEL32.dll: msvcrt is on the
# link line only for helpers the compiler may call, and the tests check that the DLL
# imports none.
# The version resource describes the file by the plug-in's title text. FILE is the
# DLL's name without .dll, when it is not the target's.
function(kolm_windows_dll lib title)
  set(file ${lib})
  if(ARGC GREATER 2)
    set(file ${ARGV2})
  endif()
  set(def ${CMAKE_CURRENT_BINARY_DIR}/${lib}.def)
  kolm_write_def(${file}.dll ${def})
  set_target_properties(${lib} PROPERTIES LINK_DEPENDS ${def})
  # The entry's symbol: stdcall-decorated on i386, plain on x86-64 (one convention there).
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(entry _DllMain@12)
  else()
    set(entry DllMain)
  endif()
  target_link_options(${lib} PRIVATE
    ${def} -nostdlib -Wl,--entry,${entry} -Wl,--enable-stdcall-fixup
    -Wl,--no-undefined -static-libgcc)
  target_link_libraries(${lib} PRIVATE kernel32 msvcrt gcc)
  kolm_version_resource(${lib} "${title}" ${file}.dll)
endfunction()
