// Windows' code integrity settings that decide whether the port helper's driver may
// load: Memory integrity (hypervisor-enforced code integrity, "Core isolation" in
// Windows Security) and the vulnerable driver blocklist, as the registry holds them.
#pragma once

#include "machine_ports.h"

namespace kolmctl {

// Sets machine.memoryIntegrity and machine.driverBlocklist from the registry.
void readCodeIntegrity(MachinePorts& machine);

}  // namespace kolmctl
