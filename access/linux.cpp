// Port access on Linux, chosen once at start-up: ppdev needs no root (members of
// group lp), so it comes first; direct I/O needs root; otherwise no port.
#include "linux_mechanisms.h"

namespace kolm {

const PortAccess* openPortAccess(std::uint16_t base) {
    if (const PortAccess* ppdev = openPpdevAccess(base)) return ppdev;
    return openIopermAccess(base);
}

}  // namespace kolm
