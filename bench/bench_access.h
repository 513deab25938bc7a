// The port access the benchmarks grant the plug-in: one table, filled in by the
// benchmark with the simulated bench, with accesses that do nothing, or with
// accesses that only count. The plug-in's code is the same in every case.
#pragma once

#include <cstdint>

#include "port_access.h"

namespace bench {

extern kolm::PortAccess access;
extern std::uint64_t accessCount;

void useSimulator();
void useNull();
void useCounting();

// Load the plug-in's state afresh on the LPT1 port with the current table.
void startPlugin();

}  // namespace bench
