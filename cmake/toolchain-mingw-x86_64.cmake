# Cross-build for 64-bit Windows with MinGW-w64 (Debian g++-mingw-w64-x86-64): the
# 32-bit toolchain's settings with the x86-64 compilers.
set(KOLM_MINGW_TARGET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-i686.cmake)
