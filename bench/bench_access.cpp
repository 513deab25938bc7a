#include "bench_access.h"

#include "kolmsim.h"
#include "kolmunit.h"
#include "relays.h"
#include "startup.h"

namespace bench {

namespace {
std::uint8_t nullIn(std::uint16_t) { return 0; }
void nullOut(std::uint16_t, std::uint8_t) {}
std::uint8_t countingIn(std::uint16_t) {
    ++accessCount;
    return 0;
}
void countingOut(std::uint16_t, std::uint8_t) { ++accessCount; }
}  // namespace

kolm::PortAccess access = {nullIn, nullOut};
std::uint64_t accessCount;

void useSimulator() {
    kolmsim_reset();
    kolmsim_trace_enable(0);  // the trace is for tests; the box model still runs
    access = {kolmsim_in, kolmsim_out};
}
void useNull() { access = {nullIn, nullOut}; }
void useCounting() { access = {countingIn, countingOut}; }

void startPlugin() {
    kolm::relayState = 0;
    for (auto& r : kolm::relayLines) r = 0;
    kolm::startLibrary();
}

}  // namespace bench

namespace kolm {
const PortAccess* openPortAccess(std::uint16_t) { return &bench::access; }
}  // namespace kolm
