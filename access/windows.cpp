// 32-bit Windows: the helper DLL if there is one, else the instructions if the
// system lets them run, else no port.
#include "port_access.h"
#include "win_mechanisms.h"

namespace kolm {

const PortAccess* openPortAccess(std::uint16_t base) {
    if (const PortAccess* helper = openHelperAccess()) return helper;
    return openDirectAccess(base);
}

}  // namespace kolm
