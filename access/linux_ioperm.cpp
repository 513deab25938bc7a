// Direct port I/O on x86 Linux: ioperm opens the three registers (data, status,
// control) to inb/outb. Needs root or CAP_SYS_RAWIO; kernels without I/O
// permission support answer ENOSYS.
//
// The kernel grants I/O permission to the calling thread only (threads created
// later inherit it, earlier ones do not): a host that calls the entry points from
// another thread than the one that loaded the library would take a fault on its
// first inb. Each thread therefore asks for it on its first access.
#include <sys/io.h>

#include "linux_mechanisms.h"

namespace kolm {

namespace {

constexpr unsigned long kRegisters = 3;

std::uint16_t firstRegister;
thread_local bool granted;

bool grantThisThread() {
    if (!granted) granted = ::ioperm(firstRegister, kRegisters, 1) == 0;
    return granted;
}

// A thread refused what the loading thread was given makes no access at all, and
// its calls answer "no value": never a fault in the host, never a made-up byte.
bool directIn(std::uint16_t port, std::uint8_t& value) {
    if (!grantThisThread()) return false;
    value = ::inb(port);
    return true;
}

bool directOut(std::uint16_t port, std::uint8_t value) {
    if (!grantThisThread()) return false;
    ::outb(value, port);
    return true;
}

const PortAccess directAccess = {directIn, directOut, nullptr};

}  // namespace

const PortAccess* openIopermAccess(std::uint16_t base) {
    firstRegister = base;
    return grantThisThread() ? &directAccess : nullptr;
}

}  // namespace kolm
