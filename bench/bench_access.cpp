#include "bench_access.h"

#include "kolmsim.h"
#include "kolmunit.h"
#include "relays.h"
#include "startup.h"

namespace bench {

namespace {
bool nullIn(std::uint16_t, std::uint8_t& value) {
    value = 0;
    return true;
}
bool nullOut(std::uint16_t, std::uint8_t) { return true; }
bool countingIn(std::uint16_t, std::uint8_t& value) {
    ++accessCount;
    value = 0;
    return true;
}
bool countingOut(std::uint16_t, std::uint8_t) {
    ++accessCount;
    return true;
}
bool simIn(std::uint16_t port, std::uint8_t& value) { return kolmsim_try_in(port, &value) != 0; }
bool simOut(std::uint16_t port, std::uint8_t value) { return kolmsim_try_out(port, value) != 0; }
}  // namespace

kolm::PortAccess access = {nullIn, nullOut, nullptr};
std::uint64_t accessCount;

void useSimulator() {
    kolmsim_reset();
    kolmsim_trace_enable(0);  // the trace is for tests; the box model still runs
    access = {simIn, simOut, nullptr};
}
void useNull() { access = {nullIn, nullOut, nullptr}; }
void useCounting() { access = {countingIn, countingOut, nullptr}; }

void startPlugin() {
    kolm::resetLibrary();
    kolm::startLibrary();
}

}  // namespace bench

namespace kolm {
const PortAccess* openPortAccess(std::uint16_t) { return &bench::access; }
}  // namespace kolm
