// Relays 0 to 3 on data lines D0 to D3.
#include "relays.h"

#include "entry_points.h"
#include "kolmunit.h"
#include "name_buffer.h"

namespace kolm {
std::uint8_t relayState;
}

namespace {
constexpr std::uint8_t kBitMask[8] = {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80};
constexpr std::uint32_t kRelayCount = 4;

kolm::NameBuffer nsbName;

// Taken as unsigned, so every negative number is out of range too.
bool isRelay(std::int32_t relay) { return static_cast<std::uint32_t>(relay) < kRelayCount; }
}  // namespace

KOLM_ENTRY std::int32_t SB(std::int32_t relay, std::int32_t value) {
    // No port, or an access failed: nothing was switched, so nothing is recorded,
    // and the next switch will not drive this request either.
    if (!isRelay(relay) || !kolm::portReady()) return kolm::NO_VALUE;
    const bool on = value == 1;  // exactly 1 is on, anything else off
    const std::uint8_t previous = kolm::unit.relayLines[relay];
    kolm::unit.relayLines[relay] = on ? 1 : 0;
    if (!kolm::writeRelays()) {
        kolm::unit.relayLines[relay] = previous;
        return kolm::NO_VALUE;
    }
    if (on) kolm::relayState |= kBitMask[relay];
    else kolm::relayState &= static_cast<std::uint8_t>(~kBitMask[relay]);
    // relay * 100 + value as a 32-bit host computes it: wrapping, never overflowing.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(relay) * 100u +
                                     static_cast<std::uint32_t>(value));
}

KOLM_ENTRY std::int32_t RSB(std::int32_t relay) {
    if (!isRelay(relay)) return kolm::NO_VALUE;
    return (kolm::relayState & kBitMask[relay]) ? 1 : 0;
}

KOLM_ENTRY const char* nsb(std::int32_t relay) {
    if (!isRelay(relay)) return nsbName.set("");
    return nsbName.set("relais ", static_cast<char>('0' + relay));
}
