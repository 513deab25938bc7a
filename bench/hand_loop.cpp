#include "hand_loop.h"

namespace bench {

std::uint16_t handReading(const kolm::PortAccess& a, std::uint16_t dataPort) {
    const std::uint16_t statusPort = static_cast<std::uint16_t>(dataPort + 1);
    const std::uint8_t low =
        static_cast<std::uint8_t>((a.in(dataPort)&0x0F) | 0x30);      // relays kept, supply on
    const std::uint8_t high = static_cast<std::uint8_t>(low | 0x80);  // clock high
    unsigned ch0 = 0;
    unsigned ch1 = 0;
    a.out(dataPort, low);
    for (int bit = 0; bit < 10; ++bit) {
        a.out(dataPort, high);
        ch1 = (ch1 << 1) | (~a.in(statusPort) >> 7 & 1u);  // BUSY, inverted
        ch0 = (ch0 << 1) | (a.in(statusPort) >> 6 & 1u);   // ACK, on the second read
        a.out(dataPort, low);
    }
    a.out(dataPort, static_cast<std::uint8_t>(low | 0x40));
    return static_cast<std::uint16_t>(ch0 ^ ch1);  // both channels assembled, as a reading does
}

}  // namespace bench
