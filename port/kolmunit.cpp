#include "kolmunit.h"

#include "port_access.h"

namespace kolm {

std::uint16_t dataPort;
std::uint16_t statusPort;
std::uint32_t savedData;
std::uint8_t resolution;
std::uint8_t relayLines[4];

namespace {

std::uint8_t floatingIn(std::uint16_t) { return 0xFF; }
void discardOut(std::uint16_t, std::uint8_t) {}
const PortAccess noAccess = {floatingIn, discardOut};

// Always a valid table, so a port access is one indirect call and no test. Held
// by value: the call goes straight through the entry, with no pointer to load first.
PortAccess access = noAccess;

}  // namespace

std::uint8_t portIn(std::uint16_t port) { return access.in(port); }

void portOut(std::uint16_t port, int value) { access.out(port, static_cast<std::uint8_t>(value)); }

void selectPort(std::uint16_t base) {
    dataPort = base;
    statusPort = static_cast<std::uint16_t>(base + 1);
}

bool openPort() {
    const PortAccess* granted = openPortAccess(dataPort);
    access = granted ? *granted : noAccess;
    return granted != nullptr;
}

bool portOpen() { return access.in != noAccess.in; }

void initInterface() {
    savedData = portIn(dataPort);
    // Relays as they were; clock high, D6 low, supply on.
    portOut(dataPort, static_cast<int>((savedData & line::relays) | line::clock | line::supply));
}

void restorePort() { portOut(dataPort, static_cast<int>(savedData)); }

void readChannels(std::uint16_t& ch0, std::uint16_t& ch1) {
    const std::uint8_t low = portIn(dataPort) & line::relays;
    const int clockLow = low | line::supply;
    const int clockHigh = clockLow | line::clock;
    std::uint16_t c0 = 0;
    std::uint16_t c1 = 0;
    portOut(dataPort, clockLow);
    for (unsigned bit = 0; bit < resolution; ++bit) {
        portOut(dataPort, clockHigh);
        const std::uint8_t s1 = portIn(statusPort);
        const std::uint8_t s2 = portIn(statusPort);  // channel 0 settles later: a second read
        c1 = static_cast<std::uint16_t>(c1 << 1);
        c0 = static_cast<std::uint16_t>(c0 << 1);
        if (!(s1 & line::channel1Inverted)) ++c1;
        if (s2 & line::channel0) ++c0;
        portOut(dataPort, clockLow);
    }
    portOut(dataPort, clockLow | line::endOfReading);
    ch0 = c0;
    ch1 = c1;
}

void writeRelays() {
    std::uint8_t v = portIn(dataPort) & line::converterHigh;
    for (unsigned k = 0; k < 4; ++k)
        if (relayLines[k] != 0) v |= static_cast<std::uint8_t>(1u << k);
    portOut(dataPort, v);
}

}  // namespace kolm
