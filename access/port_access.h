// The one seam between the plug-in and the platform's port access.
//
// Each mechanism lives in its own file (sim, none, and the platform ones) and the
// build links exactly one implementation of openPortAccess. The table it returns is
// chosen once at start-up, so a port access never asks which platform it runs on.
#pragma once

#include <cstdint>

namespace kolm {

struct PortAccess {
    std::uint8_t (*in)(std::uint16_t port);               // mandatory
    void (*out)(std::uint16_t port, std::uint8_t value);  // mandatory
};

// Obtains access to the parallel port whose data register is `base` (and to the
// registers at base + 1 and base + 2). Returns nullptr when the platform refuses;
// the plug-in then makes no port access at all.
const PortAccess* openPortAccess(std::uint16_t base);

}  // namespace kolm
