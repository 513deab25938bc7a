#include "kolmunit.h"

#include "port_access.h"

namespace kolm {

UnitState unit;

namespace {

bool failedIn(std::uint16_t, std::uint8_t&) { return false; }
bool failedOut(std::uint16_t, std::uint8_t) { return false; }
const PortAccess noAccess = {failedIn, failedOut, nullptr};

// Always a valid table, so a port access is one indirect call and no test. Held
// by value: the call goes straight through the entry, with no pointer to load first.
PortAccess access = noAccess;
// initInterface has succeeded since access was granted.
bool started;
// A reading was cut short after lowering D6: the converters may be mid-sample.
bool frameOpen;

}  // namespace

bool portIn(std::uint16_t port, std::uint8_t& value) { return access.in(port, value); }

bool portOut(std::uint16_t port, int value) { return access.out(port, static_cast<std::uint8_t>(value)); }

void selectPort(std::uint16_t base) {
    unit.dataPort = base;
    unit.statusPort = static_cast<std::uint16_t>(base + 1);
}

bool openPort() {
    const PortAccess* granted = openPortAccess(unit.dataPort);
    access = granted ? *granted : noAccess;
    started = false;
    return granted != nullptr;
}

bool portReady() {
    if (started) return true;
    if (access.claim) {
        if (!access.claim()) return false;
        access.claim = nullptr;
    }
    started = initInterface();
    return started;
}

bool portStarted() { return started; }

void resetModule() {
    unit = UnitState{};
    access = noAccess;
    started = false;
    frameOpen = false;
}

bool initInterface() {
    std::uint8_t held = 0;
    if (!portIn(unit.dataPort, held)) return false;
    // Relays as they were; clock high, D6 low, supply on.
    if (!portOut(unit.dataPort, (held & line::relays) | line::clock | line::supply)) return false;
    unit.savedData = held;
    return true;
}

bool reinitInterface() { return started ? initInterface() : portReady(); }

bool restorePort() { return portOut(unit.dataPort, static_cast<int>(unit.savedData)); }

bool readChannels(std::uint16_t& ch0, std::uint16_t& ch1) {
    std::uint8_t data = 0;
    if (!portIn(unit.dataPort, data)) return false;
    const int clockLow = (data & line::relays) | line::supply;
    const int clockHigh = clockLow | line::clock;
    const int frameEnd = clockLow | line::frame;
    // D6 high resets converters that a cut-short reading left mid-sample.
    if (frameOpen && !portOut(unit.dataPort, frameEnd)) return false;
    frameOpen = true;
    std::uint16_t c0 = 0;
    std::uint16_t c1 = 0;
    if (!portOut(unit.dataPort, clockLow)) return false;
    for (unsigned bit = 0; bit < unit.resolution; ++bit) {
        std::uint8_t s1 = 0;
        std::uint8_t s2 = 0;
        if (!portOut(unit.dataPort, clockHigh)) return false;
        if (!portIn(unit.statusPort, s1)) return false;
        if (!portIn(unit.statusPort, s2)) return false;  // channel 0 settles later: a second read
        c1 = static_cast<std::uint16_t>(c1 << 1);
        c0 = static_cast<std::uint16_t>(c0 << 1);
        if (!(s1 & line::busyInverted)) ++c1;
        if (s2 & line::ack) ++c0;
        if (!portOut(unit.dataPort, clockLow)) return false;
    }
    if (!portOut(unit.dataPort, frameEnd)) return false;
    frameOpen = false;
    ch0 = c0;
    ch1 = c1;
    return true;
}

bool writeRelays() {
    std::uint8_t v = 0;
    if (!portIn(unit.dataPort, v)) return false;
    v &= line::converterHigh;
    for (unsigned k = 0; k < 4; ++k)
        if (unit.relayLines[k] != 0) v |= static_cast<std::uint8_t>(1u << k);
    return portOut(unit.dataPort, v);
}

}  // namespace kolm
