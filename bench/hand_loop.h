// The yardstick for a reading: the fewest instructions that make the same 43 port
// accesses as EA(0) through the same access table and assemble both channels,
// written out by hand.
#pragma once

#include <cstdint>

#include "port_access.h"

namespace bench {

std::uint16_t handReading(const kolm::PortAccess& a, std::uint16_t dataPort);

}  // namespace bench
