// Port access through the kernel's parallel-port driver (ppdev): /dev/parportN,
// claimed once, then exactly one ioctl per register access, each one checked.
//
// The port is the parportN whose base-addr is ours (linux_parport_proc.h). PPCLAIM
// waits, without limit, for a port that another program holds; so the claim is made
// only when the port is free, and a port that is held is claimed by a later call
// once it has been released.
#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>

#include "linux_mechanisms.h"
#include "linux_parport_proc.h"

namespace kolm {

namespace {

int device = -1;
int portNumber;  // N of the parportN opened
std::uint16_t dataRegister;

// Whether another driver or program holds parportN now. A kernel that does not
// say is taken at its word that the port is free.
bool heldByAnother(int n) {
    char holder[64];
    return parportHolder(n, holder) && holder[0] != '\0';
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
    for (int n = 0; n < kMaxParports; ++n) {
        if (parportBase(n) != base) continue;
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
