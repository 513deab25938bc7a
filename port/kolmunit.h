// kolmunit: every access to the parallel port that carries the KOLM interface.
//
// Data register (dataPort):
//   D0-D3  relays 0-3 (1 = on)
//   D4,D5  high in every byte the converter procedures write (they supply the box)
//   D6     low from the start of a reading until its last write
//   D7     converter clock: high while the status lines are sampled
// Status register (statusPort = dataPort + 1):
//   bit 6  ACK: channel 0's data bit, 1 reads as 1
//   bit 7  BUSY, inverted by the port hardware: channel 1's data bit, 0 reads as 1
//
// The converter procedures and the relay procedure share the data register: each
// reads it back first and keeps the other's nibble.
#pragma once

#include <cstdint>

namespace kolm {

namespace line {
constexpr std::uint8_t relays = 0x0F;            // D0-D3
constexpr std::uint8_t converterHigh = 0xF0;     // D4-D7, the converter's nibble
constexpr std::uint8_t supply = 0x30;            // D4, D5
constexpr std::uint8_t endOfReading = 0x40;      // D6
constexpr std::uint8_t clock = 0x80;             // D7
constexpr std::uint8_t channel0 = 0x40;          // status: ACK
constexpr std::uint8_t channel1Inverted = 0x80;  // status: BUSY, read inverted
}  // namespace line

// Module state: plain statics, zero at load.
extern std::uint16_t dataPort;
extern std::uint16_t statusPort;
extern std::uint32_t savedData;
extern std::uint8_t resolution;     // bits clocked out per reading; 10 after start-up
extern std::uint8_t relayLines[4];  // requested relay states, non-zero is on

std::uint8_t portIn(std::uint16_t port);
void portOut(std::uint16_t port, int value);

void selectPort(std::uint16_t base);
// Asks the platform for access to the selected port. Until it has been granted,
// portIn reads 0xFF and portOut does nothing; callers check portOpen() first.
bool openPort();
bool portOpen();

void initInterface();
void restorePort();
void readChannels(std::uint16_t& ch0, std::uint16_t& ch1);
void writeRelays();

}  // namespace kolm
