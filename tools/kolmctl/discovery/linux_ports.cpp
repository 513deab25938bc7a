// The parallel ports of a Linux machine: /proc/sys/dev/parport for each port and
// who holds it, /proc/devices for ppdev, the device files' permissions for this
// user, and one ioperm request, given back at once, for direct I/O. No device file
// is opened and no register read.
#include <fcntl.h>
#include <grp.h>
#include <sys/io.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "linux_parport_proc.h"
#include "machine_ports.h"

namespace kolmctl {

namespace {

// Whether the kernel has registered the ppdev character device.
bool ppdevLoaded() {
    const int fd = ::open("/proc/devices", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char text[8192];
    std::size_t total = 0;
    ssize_t n = 0;
    while (total < sizeof text - 1 && (n = ::read(fd, text + total, sizeof text - 1 - total)) > 0)
        total += static_cast<std::size_t>(n);
    ::close(fd);
    text[total] = '\0';
    return std::strstr(text, " ppdev\n") != nullptr;
}

std::string groupOf(const std::string& device) {
    struct stat st {};
    if (::stat(device.c_str(), &st) == 0)
        if (const group* g = ::getgrgid(st.st_gid)) return g->gr_name;
    return "lp";  // the group that owns the parallel ports on Debian and most others
}

}  // namespace

std::string systemTextAsUtf8(const std::string& text) { return text; }

std::string programFolder() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "./";
    std::string file(path, static_cast<std::size_t>(n));
    return file.substr(0, file.rfind('/') + 1);
}

MachinePorts discoverPorts(const std::string&) {
    MachinePorts machine;
    machine.pluginSuffix = ".so";
    machine.ppdev = ppdevLoaded();
    // Asked for the first parallel port's registers and given back: no access made.
    // Should the kernel refuse to take the grant back, it stays with this thread of
    // kolmctl, which never makes a port access: nothing to do but say so.
    machine.directIo = ::ioperm(0x378, 3, 1) == 0;
    if (machine.directIo && ::ioperm(0x378, 3, 0) != 0) machine.directIoKept = errno;
    // The usblp driver's printers: its device files, made by udev for each one plugged in.
    for (int n = 0; n < 16; ++n)
        if (const std::string lp = "/dev/usb/lp" + std::to_string(n); ::access(lp.c_str(), F_OK) == 0)
            machine.usbPrinters.push_back(lp);
    for (int n = 0; n < kolm::kMaxParports; ++n) {
        const long base = kolm::parportBase(n);
        if (base < 0) continue;
        MachinePort port;
        port.name = "parport" + std::to_string(n);
        port.description = "/dev/" + port.name;
        port.base = static_cast<std::uint16_t>(base);
        char holder[64];
        kolm::parportHolder(n, holder);
        port.holder = holder;
        if (::access(port.description.c_str(), R_OK | W_OK) == 0) port.device = MachinePort::Device::usable;
        else if (errno != ENOENT) port.device = MachinePort::Device::denied;
        port.group = groupOf(port.description);
        machine.ports.push_back(port);
    }
    return machine;
}

AccessBlock accessBlock(const MachinePorts& machine, const MachinePort* port) {
    if ((port != nullptr && port->device == MachinePort::Device::usable) || machine.directIo)
        return AccessBlock::none;
    if (port == nullptr) return AccessBlock::noKernelPort;
    if (!machine.ppdev) return AccessBlock::noPpdev;
    if (port->device == MachinePort::Device::denied) return AccessBlock::deviceDenied;
    return AccessBlock::deviceMissing;
}

}  // namespace kolmctl
