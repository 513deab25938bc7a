# Which files implement the port-access seam (access/port_access.h) for each
# choice of KOLM_PORT_ACCESS. A platform with several mechanisms lists the file
# that chooses among them first.
set(KOLM_PORT_ACCESS_sim access/sim.cpp)
set(KOLM_PORT_ACCESS_none access/none.cpp)
# Linux on x86: ppdev (/dev/parportN) first, else ioperm with inb/outb.
set(KOLM_PORT_ACCESS_linux access/linux.cpp access/linux_ppdev.cpp access/linux_ioperm.cpp
  access/linux_parport_proc.cpp)
# Windows: an InpOut32-compatible helper DLL first, else direct in/out after a probe.
set(KOLM_PORT_ACCESS_windows access/windows.cpp access/win_helper.cpp access/win_helper_calls.cpp
  access/win_helper_search.cpp access/win_direct.cpp)
# 64-bit Windows: the 64-bit helper DLL only (no program may run in/out there).
set(KOLM_PORT_ACCESS_windows64 access/win64.cpp access/win_helper.cpp access/win_helper_calls.cpp
  access/win_helper_search.cpp)

if(NOT DEFINED KOLM_PORT_ACCESS_${KOLM_PORT_ACCESS})
  message(FATAL_ERROR "KOLM_PORT_ACCESS=${KOLM_PORT_ACCESS} is not a known port access")
endif()
list(TRANSFORM KOLM_PORT_ACCESS_${KOLM_PORT_ACCESS} PREPEND ${CMAKE_SOURCE_DIR}/
  OUTPUT_VARIABLE KOLM_PORT_ACCESS_SOURCES)

# kolmsim's, in every build whatever KOLM_PORT_ACCESS says: the virtual box inside the
# plug-in (the box model and its signals from kolmsim.ini), on the platform's clock.
set(KOLM_VIRTUAL_BOX_SOURCES access/virtual_box.cpp access/signal_file.cpp sim/kolm_box.cpp sim/signals.cpp)
if(WIN32)
  list(APPEND KOLM_VIRTUAL_BOX_SOURCES access/monotonic_clock_windows.cpp)
else()
  list(APPEND KOLM_VIRTUAL_BOX_SOURCES access/monotonic_clock_posix.cpp)
endif()
list(TRANSFORM KOLM_VIRTUAL_BOX_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/)
