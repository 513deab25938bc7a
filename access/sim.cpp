// Port access to the simulated bench (the native build used by the demo and tests).
#include "port_access.h"

#include "kolmsim.h"

namespace kolm {

namespace {
bool simIn(std::uint16_t port, std::uint8_t& value) { return kolmsim_try_in(port, &value) != 0; }
bool simOut(std::uint16_t port, std::uint8_t value) { return kolmsim_try_out(port, value) != 0; }

const PortAccess simAccess = {simIn, simOut, nullptr};
}  // namespace

const PortAccess* openPortAccess(std::uint16_t) { return kolmsim_access_refused() ? nullptr : &simAccess; }

}  // namespace kolm
