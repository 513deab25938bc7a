// No port access on this platform: the plug-in loads and answers "no value".
#include "port_access.h"

namespace kolm {

const PortAccess* openPortAccess(std::uint16_t) { return nullptr; }

}  // namespace kolm
