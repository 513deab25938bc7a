// 64-bit Windows: the 64-bit port helper DLL (inpoutx64.dll) if there is one, else no
// port. A 64-bit system never lets a program run in/out itself, so there is nothing
// to probe: without the helper every reading answers "no value" at once.
#include "port_access.h"
#include "win_mechanisms.h"

namespace kolm {

const PortAccess* openPortAccess(std::uint16_t) { return openHelperAccess(); }

}  // namespace kolm
