// What else of a Windows machine decides whether a box can be reached, beyond its
// LPT ports (windows_ports.cpp): the code integrity settings that bar the port
// helper's driver, and the USB printer cables that look like a way to a port.
#pragma once

#include "machine_ports.h"

namespace kolmctl {

// machine.memoryIntegrity and machine.driverBlocklist, from the registry: Memory
// integrity (hypervisor-enforced code integrity, "Core isolation" in Windows
// Security) and the vulnerable driver blocklist.
void readCodeIntegrity(MachinePorts& machine);

// machine.usbPrinters: the USB printer ports (USB001, ...) of the USB printing
// driver's devices present now.
void readUsbPrinters(MachinePorts& machine);

}  // namespace kolmctl
