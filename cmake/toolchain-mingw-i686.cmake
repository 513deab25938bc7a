# Cross-build for 32-bit Windows with MinGW-w64 (Debian g++-mingw-w64-i686).
# cmake/toolchain-mingw-x86_64.cmake sets its own target first and reuses the rest.
if(NOT KOLM_MINGW_TARGET)
  set(KOLM_MINGW_TARGET i686-w64-mingw32)
  set(CMAKE_SYSTEM_PROCESSOR x86)
endif()
set(CMAKE_SYSTEM_NAME Windows)

# The POSIX threads model (Debian's -posix compilers): kolmctl serve's HTTP server uses
# std::thread and std::mutex, which the win32 model of GCC 12 lacks. kolmctl.exe links
# its threads library statically; the plug-in DLLs start no thread and import only
# KERNEL32.dll either way (tests/windows checks their imports).
set(CMAKE_C_COMPILER ${KOLM_MINGW_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KOLM_MINGW_TARGET}-g++-posix)
set(CMAKE_ASM_COMPILER ${KOLM_MINGW_TARGET}-gcc)
set(CMAKE_RC_COMPILER ${KOLM_MINGW_TARGET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KOLM_MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
