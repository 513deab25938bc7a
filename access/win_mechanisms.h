// The two ways a 32-bit Windows process reaches the parallel port; access/windows.cpp
// tries them in order.
#pragma once

#include <windows.h>

#include "port_access.h"

namespace kolm {

// An InpOut32-compatible helper DLL (Inp32/Out32) from a trusted folder: how
// NT-family systems reach the port.
const PortAccess* openHelperAccess();

// Loads the DLL `fileName` from the first of the host program's folder, the plug-in's
// folder and the system folder that holds one `usable` accepts (a refused one is
// unloaded); never from the current folder or PATH. Null when there is none.
HMODULE loadTrustedHelper(const char* fileName, bool (*usable)(HMODULE));

// in/out instructions, after a probe that catches a refused instruction: Windows 9x
// lets a program execute them; NT-family systems refuse unless a driver opened the
// ports to user programs.
const PortAccess* openDirectAccess(std::uint16_t base);

}  // namespace kolm
