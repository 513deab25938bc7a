// Port access by in/out instructions. Windows 9x executes them for any program;
// NT-family systems raise a privileged-instruction fault (some report an access
// violation, emulators an illegal instruction) unless a driver has opened the ports to user programs. One
// probe, a read of the status register inside a structured exception frame, tells which: the frame works on
// every 32-bit Windows and needs nothing resolved at run time.
#include <windows.h>

#include "win_mechanisms.h"

namespace {
volatile bool probeRefused;
}  // namespace

extern "C" {
// The frame's handler: a fault on the probe's own `in al, dx` (0xEC) is noted and
// stepped over; anything else goes on to the host's handlers.
__attribute__((used))
EXCEPTION_DISPOSITION __cdecl kolm_probe_handler(EXCEPTION_RECORD* record, void*, CONTEXT* context, void*);
void kolm_probe_port(std::uint16_t port);
extern const unsigned char kolm_probe_instruction[];
}

// cdecl: pushes the frame (handler, previous frame), links it at fs:[0], reads the
// port, unlinks the frame.
asm(".text\n"
    "_kolm_probe_port:\n"
    "    pushl $_kolm_probe_handler\n"
    "    pushl %fs:0\n"
    "    movl %esp, %fs:0\n"
    "    movl 12(%esp), %edx\n"
    "_kolm_probe_instruction:\n"
    "    inb %dx, %al\n"
    "    popl %fs:0\n"
    "    addl $4, %esp\n"
    "    ret\n");

EXCEPTION_DISPOSITION __cdecl kolm_probe_handler(EXCEPTION_RECORD* record, void*, CONTEXT* context, void*) {
    const DWORD code = record->ExceptionCode;
    const bool refusal = code == EXCEPTION_PRIV_INSTRUCTION || code == EXCEPTION_ACCESS_VIOLATION ||
                         code == EXCEPTION_ILLEGAL_INSTRUCTION;
    const auto* at = reinterpret_cast<const unsigned char*>(context->Eip);
    if (!refusal || at != kolm_probe_instruction || *at != 0xEC) return ExceptionContinueSearch;
    probeRefused = true;
    context->Eip += 1;
    return ExceptionContinueExecution;
}

namespace kolm {

namespace {
// Once the probe has passed, the instructions cannot fail.
bool directIn(std::uint16_t port, std::uint8_t& value) {
    asm volatile("inb %1, %0" : "=a"(value) : "Nd"(port));
    return true;
}

bool directOut(std::uint16_t port, std::uint8_t value) {
    asm volatile("outb %0, %1" : : "a"(value), "Nd"(port));
    return true;
}

const PortAccess directAccess = {directIn, directOut, nullptr};
}  // namespace

const PortAccess* openDirectAccess(std::uint16_t base) {
    probeRefused = false;
    kolm_probe_port(static_cast<std::uint16_t>(base + 1));
    return probeRefused ? nullptr : &directAccess;
}

}  // namespace kolm
