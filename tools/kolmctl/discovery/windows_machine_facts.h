// What else of a Windows machine decides whether a box can be reached, beyond its
// LPT ports (windows_ports.cpp): the code integrity settings that bar the port
// helper's driver, and the USB printer cables that look like a way to a port.
#pragma once

#include <windows.h>
// clang-format off: setupapi.h needs windows.h first
#include <setupapi.h>
// clang-format on

#include <string>

#include "machine_ports.h"

namespace kolmctl {

// machine.memoryIntegrity and machine.driverBlocklist, from the registry: Memory
// integrity (hypervisor-enforced code integrity, "Core isolation" in Windows
// Security) and the vulnerable driver blocklist.
void readCodeIntegrity(MachinePorts& machine);

// machine.usbPrinters: the USB printer ports (USB001, ...) of the USB printing
// driver's devices present now.
void readUsbPrinters(MachinePorts& machine);

// A device's registry text (SPDRP_FRIENDLYNAME, SPDRP_DEVICEDESC, ...) as UTF-8; empty
// where it has none.
std::string deviceText(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property);

}  // namespace kolmctl
