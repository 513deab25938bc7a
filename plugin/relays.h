#pragma once

#include <cstdint>

namespace kolm {
// The library's own record of what the host last set: bit k is relay k. Read back
// by RSB without touching the port. Zero at load.
extern std::uint8_t relayState;
}  // namespace kolm
