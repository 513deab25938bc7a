#include "hand_loop.h"

namespace bench {

// Each access is checked as the plug-in checks it; a failure ends the reading.
std::uint16_t handReading(const kolm::PortAccess& a, std::uint16_t dataPort) {
    const auto statusPort = static_cast<std::uint16_t>(dataPort + 1);
    std::uint8_t data = 0;
    if (!a.in(dataPort, data)) return 0xFFFF;
    const auto low = static_cast<std::uint8_t>((data & 0x0F) | 0x30);  // relays kept, supply on
    const auto high = static_cast<std::uint8_t>(low | 0x80);           // clock high
    unsigned ch0 = 0;
    unsigned ch1 = 0;
    if (!a.out(dataPort, low)) return 0xFFFF;
    for (int bit = 0; bit < 10; ++bit) {
        std::uint8_t s1 = 0;
        std::uint8_t s2 = 0;
        if (!a.out(dataPort, high) || !a.in(statusPort, s1) || !a.in(statusPort, s2)) return 0xFFFF;
        ch1 = (ch1 << 1) | (~s1 >> 7 & 1u);  // BUSY, inverted
        ch0 = (ch0 << 1) | (s2 >> 6 & 1u);   // ACK, on the second read
        if (!a.out(dataPort, low)) return 0xFFFF;
    }
    if (!a.out(dataPort, static_cast<std::uint8_t>(low | 0x40))) return 0xFFFF;
    return static_cast<std::uint16_t>(ch0 ^ ch1);  // both channels assembled, as a reading does
}

}  // namespace bench
