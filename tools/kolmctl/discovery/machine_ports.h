// The machine's parallel ports and what stands between each one and a plug-in, as
// the platform lists them: facts, which cli/advice words for the user. Looks only:
// never opens, claims or touches a port. One file per platform: linux_ports.cpp,
// windows_ports.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kolmctl {

struct MachinePort {
    std::string name;         // "parport0" on Linux, "LPT1" on Windows
    std::string description;  // Windows: the friendly name; Linux: the device file
    std::uint16_t base = 0;   // 0: the platform does not say
    std::string holder;       // Linux: the driver or program holding it now; empty when free
    // Linux, the port's ppdev device file.
    enum class Device : std::uint8_t { absent, usable, denied } device = Device::absent;
    std::string group;  // the group whose members may open it
};

struct MachinePorts {
    std::vector<MachinePort> ports;
    const char* pluginSuffix = ".so";  // of the plug-in files on this platform
    // Linux
    bool ppdev = false;     // the kernel's ppdev driver is loaded
    bool directIo = false;  // the kernel grants direct I/O to this process (root, CAP_SYS_RAWIO)
    int directIoKept = 0;   // errno where the kernel would not take that grant back
    // Windows: the port helper beside the program, and whether its driver is open.
    std::string helper;
    bool helperOpen = false;
    // Windows: Memory integrity (HVCI) and the vulnerable driver blocklist, either of
    // which keeps the usual port helper's driver from loading, administrator or not.
    bool memoryIntegrity = false;
    bool driverBlocklist = false;
    bool helperDriverBarred() const { return memoryIntegrity || driverBlocklist; }
    // USB printer cables, which show as printer ports but speak the printer protocol,
    // not the port's lines: /dev/usb/lp0 on Linux, USB001 on Windows; empty where
    // Windows names none.
    std::vector<std::string> usbPrinters;
};

// The folder of the running program's file, with its final separator, as the
// system's file calls take it (Windows: the ANSI code page).
std::string programFolder();
// A path or name from the system's calls as UTF-8, for showing it.
std::string systemTextAsUtf8(const std::string& text);

// `programFolder`: the folder of the program asking (Windows looks for the port
// helper there, where the host program keeps it).
MachinePorts discoverPorts(const std::string& programFolder);

// The port at `base`; nullptr when the platform lists none there.
const MachinePort* portAt(const MachinePorts& machine, std::uint16_t base);

// What keeps a plug-in from `port` (nullptr: a port the platform does not list); the
// first of them, which is the one to remove first. A port held by another program is
// reachable: the plug-in takes it when it is let go.
enum class AccessBlock : std::uint8_t {
    none,
    // Linux
    noKernelPort,   // the kernel lists no parallel port there, and grants no direct I/O
    noPpdev,        // the ppdev driver is not loaded
    deviceDenied,   // the port's device file is not open to this user, only to port.group
    deviceMissing,  // ppdev is loaded, but the port's device file is not there
    // Windows
    helperBarred,  // no helper open, and code integrity keeps its driver from loading
    noHelper,      // no port helper beside the program
    helperClosed,  // the helper is there, its driver not installed
};
AccessBlock accessBlock(const MachinePorts& machine, const MachinePort* port);

// The configuration manager's answer for one I/O resource (Windows: IO_DES, packed:
// count, type, 64-bit first and last port, flags). False when it is not one.
struct IoRange {
    std::uint64_t first;
    std::uint64_t last;
};
bool parseIoDescriptor(const unsigned char* data, std::size_t size, IoRange& range);
// The parallel port's base among a device's I/O ranges: its 8-port register block,
// else the first range that holds data, status and control; 0 when none does.
std::uint16_t parallelBase(const std::vector<IoRange>& ranges);

}  // namespace kolmctl
