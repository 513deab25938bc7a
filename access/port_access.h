// The one seam between the plug-in and the platform's port access.
//
// Each mechanism lives in its own file (sim, none, and the platform ones) and the
// build links exactly one implementation of openPortAccess. The table it returns is
// chosen once at start-up, so a port access never asks which platform it runs on.
#pragma once

#include <cstdint>

namespace kolm {

// Every member says whether the access really happened: a read that failed has no
// value, and the caller must not build anything from it.
struct PortAccess {
    bool (*in)(std::uint16_t port, std::uint8_t& value);  // mandatory
    bool (*out)(std::uint16_t port, std::uint8_t value);  // mandatory
    // Optional. Non-null while the port is held by another program: takes it if it
    // has become free, without waiting, and says whether it now is ours. Until then
    // in and out fail.
    bool (*claim)();
};

// Obtains access to the parallel port whose data register is `base` (and to the
// registers at base + 1 and base + 2). Returns nullptr when the platform refuses;
// the plug-in then makes no port access at all. Never waits for another program.
const PortAccess* openPortAccess(std::uint16_t base);

}  // namespace kolm
