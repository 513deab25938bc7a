// The Linux port-access mechanisms, tried in order by access/linux.cpp.
#pragma once

#include <cstdint>

#include "port_access.h"

namespace kolm {

// The ppdev device whose I/O base is `base`, claimed for the life of the library
// (later, by the first call that finds it free, when another program holds it);
// nullptr when there is none or it cannot be opened or claimed.
const PortAccess* openPpdevAccess(std::uint16_t base);

// Direct inb/outb after ioperm on the three registers from `base`; nullptr when
// the kernel refuses (no root or CAP_SYS_RAWIO) or has no I/O permission support.
const PortAccess* openIopermAccess(std::uint16_t base);

}  // namespace kolm
