# The kolm Python package (python/kolm) in the x86-64 Linux packages, where Debian's
# python3 finds it (/usr/lib/python3/dist-packages); it finds the plug-ins in the
# package's plug-in folder and kolmctl on PATH. The i386 build has none: its plug-ins
# use the host program's register convention, which ctypes cannot call.
if(WIN32 OR NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
  return()
endif()
file(GLOB KOLM_PYTHON_FILES ${CMAKE_SOURCE_DIR}/python/kolm/*.py)
install(FILES ${KOLM_PYTHON_FILES} DESTINATION lib/python3/dist-packages/kolm
  PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
# numpy makes captures arrays; without it they are lists.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3 (>= 3.9), python3-numpy")
