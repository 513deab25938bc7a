// Port access through the kernel's parallel-port driver (ppdev): /dev/parportN,
// claimed once, then exactly one ioctl per register access.
//
// The kernel lists each port under /proc/sys/dev/parport/parportN/base-addr as
// "<base> <base-hi>" in decimal; the port whose base is ours is the one we open.
#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>

#include "linux_mechanisms.h"

namespace kolm {

namespace {

constexpr int kMaxPorts = 8;  // parport0 to parport7

int device = -1;
std::uint16_t dataRegister;

// The first decimal number of the file, or -1. Plain open/read: no stdio buffers
// that would outlive start-up.
long firstNumber(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    char text[64];
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0) return -1;
    long value = -1;
    for (ssize_t i = 0; i < n && text[i] >= '0' && text[i] <= '9'; ++i)
        value = (value < 0 ? 0 : value * 10) + (text[i] - '0');
    return value;
}

std::uint8_t ppIn(std::uint16_t port) {
    // The status register is BUSY/ACK; PPRSTATUS returns it as the hardware shows it.
    unsigned char value = 0xFF;
    if (port == dataRegister) ::ioctl(device, PPRDATA, &value);
    else if (port == dataRegister + 1) ::ioctl(device, PPRSTATUS, &value);
    return value;
}

void ppOut(std::uint16_t port, std::uint8_t value) {
    unsigned char byte = value;
    if (port == dataRegister) ::ioctl(device, PPWDATA, &byte);
}

const PortAccess ppdevAccess = {ppIn, ppOut};

// Nothing touches the port at unload; only the device handle goes back to the
// kernel, which releases the claim with it.
__attribute__((destructor)) void closeDevice() {
    if (device >= 0) ::close(device);
    device = -1;
}

}  // namespace

const PortAccess* openPpdevAccess(std::uint16_t base) {
    for (int n = 0; n < kMaxPorts; ++n) {
        char path[64];
        std::snprintf(path, sizeof path, "/proc/sys/dev/parport/parport%d/base-addr", n);
        if (firstNumber(path) != base) continue;
        std::snprintf(path, sizeof path, "/dev/parport%d", n);
        const int fd = ::open(path, O_RDWR | O_CLOEXEC);
        if (fd < 0) return nullptr;
        if (::ioctl(fd, PPCLAIM) != 0) {
            ::close(fd);
            return nullptr;
        }
        device = fd;
        dataRegister = base;
        return &ppdevAccess;
    }
    return nullptr;
}

}  // namespace kolm
