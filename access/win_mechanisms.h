// The two ways a 32-bit Windows process reaches the parallel port; access/windows.cpp
// tries them in order.
#pragma once

#include "port_access.h"

namespace kolm {

// An InpOut32-compatible helper DLL (Inp32/Out32) found by the standard search,
// the host's folder first: how NT-family systems reach the port.
const PortAccess* openHelperAccess();

// in/out instructions, after a probe that catches a refused instruction: Windows 9x
// lets a program execute them; NT-family systems refuse unless a driver opened the
// ports to user programs.
const PortAccess* openDirectAccess(std::uint16_t base);

}  // namespace kolm
