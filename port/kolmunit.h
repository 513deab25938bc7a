// kolmunit: every access to the parallel port that carries the KOLM interface.
//
// Data register (dataPort):
//   D0-D3  relays 0-3 (1 = on)
//   D4,D5  high in every byte the converter procedures write (they supply the box)
//   D6     frame: low from the start of a reading until its last write
//   D7     converter clock: high while the status lines are sampled
// Status register (statusPort = dataPort + 1):
//   bit 6  ACK: channel 0's data bit, 1 reads as 1
//   bit 7  BUSY, inverted by the port hardware: channel 1's data bit, 0 reads as 1
//
// The converter procedures and the relay procedure share the data register: each
// reads it back first and keeps the other's nibble.
#pragma once

#include <cstdint>

#include "interface_facts.h"

namespace kolm {

namespace line {
// D0-D3, the relays (relay k on bit k).
constexpr auto relays = static_cast<std::uint8_t>(facts::kRelayMask);
constexpr std::uint8_t converterHigh = 0xF0;  // D4-D7, the converter's nibble
constexpr std::uint8_t supply = 0x30;         // D4, D5
constexpr std::uint8_t frame = 0x40;          // D6: low for a whole reading
constexpr std::uint8_t clock = 0x80;          // D7
constexpr std::uint8_t ack = 0x40;            // status: channel 0's data bit
constexpr std::uint8_t busyInverted = 0x80;   // status: channel 1's data bit, BUSY read inverted
}  // namespace line

// The module's state, in one place: plain static storage, zero at load, written by
// this module except `resolution` and `relayLines`, which the library sets.
struct UnitState {
    std::uint16_t dataPort;      // the parallel port's data register
    std::uint16_t statusPort;    // its status register: always dataPort + 1
    std::uint32_t savedData;     // the data byte the last initInterface read (0 to 255)
    std::uint8_t resolution;     // bits clocked out per reading; 10 after start-up
    std::uint8_t relayLines[4];  // requested relay states, non-zero is on
};
extern UnitState unit;

// Each access says whether it happened. A read that failed leaves `value` as it
// was; a procedure stops at its first failed access and writes nothing built from it.
bool portIn(std::uint16_t port, std::uint8_t& value);
bool portOut(std::uint16_t port, int value);

void selectPort(std::uint16_t base);
// Asks the platform for access to the selected port; false when it refuses. Until
// access is granted every port access fails without reaching a port.
bool openPort();
// Makes the port usable for one call: takes it if another program held it until
// now, and completes the start-up (initInterface) if that has not succeeded yet.
// False: no port for this call, and nothing was written.
bool portReady();
// Whether the interface has been initialised since the port was granted.
bool portStarted();
// The module's state as at load, access dropped (resetLibrary() resets the library's
// records with it).
void resetModule();

bool initInterface();  // a failure keeps the last good savedData
bool restorePort();
bool readChannels(std::uint16_t& ch0, std::uint16_t& ch1);  // false: no reading, ch0/ch1 untouched
bool writeRelays();
// The host's re-initialisation: a port not yet started is started, which
// initialises it once; otherwise initInterface.
bool reinitInterface();

}  // namespace kolm
