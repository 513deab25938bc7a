// Port access to the simulated bench (the native build used by the demo and tests).
// As a real mechanism, it reaches only the registers of the port it was opened on:
// an access elsewhere fails, so a plug-in that opened the wrong base reads nothing.
#include "port_access.h"

#include "kolmsim.h"

namespace kolm {

namespace {
constexpr unsigned kRegisters = 3;  // data, status, control
std::uint16_t opened;

bool ours(std::uint16_t port) { return static_cast<unsigned>(port - opened) < kRegisters; }

bool simIn(std::uint16_t port, std::uint8_t& value) {
    return ours(port) && kolmsim_try_in(port, &value) != 0;
}
bool simOut(std::uint16_t port, std::uint8_t value) {
    return ours(port) && kolmsim_try_out(port, value) != 0;
}

const PortAccess simAccess = {simIn, simOut, nullptr};
}  // namespace

const PortAccess* openPortAccess(std::uint16_t base) {
    if (kolmsim_access_refused()) return nullptr;
    opened = base;
    return &simAccess;
}

}  // namespace kolm
