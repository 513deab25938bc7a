// Port access through the kernel's parallel-port driver (ppdev): /dev/parportN,
// claimed once, then exactly one ioctl per register access, each one checked.
//
// The kernel lists each port under /proc/sys/dev/parport/parportN/: base-addr holds
// "<base>\t<base-hi>" in decimal, devices/active the name of the driver that holds
// the port now, "none" when it is free. PPCLAIM waits, without limit, for a port
// that another program holds; so the claim is made only when the port is free,
// and a port that is held is claimed by a later call once it has been released.
#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "linux_mechanisms.h"

namespace kolm {

namespace {

constexpr int kMaxPorts = 8;  // parport0 to parport7

int device = -1;
int portNumber;  // N of the parportN opened
std::uint16_t dataRegister;

// Reads a small /proc file whole, NUL-terminated; its length, or -1. Plain
// open/read: no stdio buffers that would outlive start-up.
int readSmallFile(const char* path, char (&text)[64]) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n < 0) return -1;
    text[n] = '\0';
    return static_cast<int>(n);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// The I/O base in a base-addr text, or -1 for anything that is not exactly
// "<base> <base-hi>" in decimal with blanks around.
long parseBaseAddr(const char* text) {
    long base = 0;
    const char* p = text;
    if (!isDigit(*p)) return -1;
    for (; isDigit(*p); ++p) {
        base = base * 10 + (*p - '0');
        if (base > 0xFFFF) return -1;  // no I/O port lies there: not our port
    }
    if (*p != '\0' && !isSpace(*p)) return -1;
    while (isSpace(*p)) ++p;
    while (isDigit(*p)) ++p;  // the high base, which we do not use
    while (isSpace(*p)) ++p;
    return *p == '\0' ? base : -1;
}

long baseOf(int n) {
    char path[64];
    char text[64];
    std::snprintf(path, sizeof path, "/proc/sys/dev/parport/parport%d/base-addr", n);
    return readSmallFile(path, text) > 0 ? parseBaseAddr(text) : -1;
}

// Whether another driver or program holds parportN now. A kernel that does not
// say is taken at its word that the port is free.
bool heldByAnother(int n) {
    char path[64];
    char text[64];
    std::snprintf(path, sizeof path, "/proc/sys/dev/parport/parport%d/devices/active", n);
    const int length = readSmallFile(path, text);
    if (length <= 0) return false;
    return std::strcmp(text, "none\n") != 0 && std::strcmp(text, "none") != 0;
}

bool ppIn(std::uint16_t port, std::uint8_t& value) {
    // The status register is BUSY/ACK; PPRSTATUS returns it as the hardware shows it.
    unsigned char byte = 0;
    int done = -1;
    if (port == dataRegister) done = ::ioctl(device, PPRDATA, &byte);
    else if (port == dataRegister + 1) done = ::ioctl(device, PPRSTATUS, &byte);
    if (done != 0) return false;
    value = byte;
    return true;
}

bool ppOut(std::uint16_t port, std::uint8_t value) {
    unsigned char byte = value;
    return port == dataRegister && ::ioctl(device, PPWDATA, &byte) == 0;
}

bool claimWhenFree() { return !heldByAnother(portNumber) && ::ioctl(device, PPCLAIM) == 0; }

const PortAccess claimedAccess = {ppIn, ppOut, nullptr};
const PortAccess heldAccess = {ppIn, ppOut, claimWhenFree};

// Nothing touches the port at unload; only the device handle goes back to the
// kernel, which releases the claim with it.
__attribute__((destructor)) void closeDevice() {
    if (device >= 0) ::close(device);
    device = -1;
}

}  // namespace

const PortAccess* openPpdevAccess(std::uint16_t base) {
    for (int n = 0; n < kMaxPorts; ++n) {
        if (baseOf(n) != base) continue;
        char path[64];
        std::snprintf(path, sizeof path, "/dev/parport%d", n);
        const int fd = ::open(path, O_RDWR | O_CLOEXEC);
        if (fd < 0) return nullptr;
        device = fd;
        portNumber = n;
        dataRegister = base;
        if (heldByAnother(n)) return &heldAccess;
        if (::ioctl(fd, PPCLAIM) == 0) return &claimedAccess;
        ::close(fd);
        device = -1;
        return nullptr;
    }
    return nullptr;
}

}  // namespace kolm
