// Behavioural model of one KOLM interface box on one parallel port.
//
// The box sees the port's data latch and drives two status lines:
//   D0-D3  relay 0-3 coils (1 = on)
//   D4,D5  supply of the converters: both must be high for them to run
//   D6     frame: low for a whole reading; while it is high (or the
//          supply is off) the converters are reset and wait for a new reading
//   D7     converter clock: each rising edge while selected presents the next bit,
//          the first one the most significant bit of a fresh sample
//   ACK    (status bit 6) channel 0's data line
//   BUSY   (status bit 7, inverted by the port) channel 1's data line
//
// This model is the test oracle for the plug-in, so it keeps its own pin
// definitions instead of sharing the plug-in's: a wrong mask on either side
// must show up as a wrong reading.
//
// Freestanding (no C library), like signals.h: the virtual-box plug-in carries it.
#pragma once

#include <cstdint>

namespace kolmsim {

// What the converters sample at the first clock edge of a reading, in volts.
struct InputVolts {
    double (*volts)(void* context, int channel);
    void* context;
};

class Box {
public:
    static constexpr int bits = 10;
    static constexpr std::uint16_t fullScale = (1u << bits) - 1;

    constexpr explicit Box(std::uint8_t latch = 0x00) : data_(latch) {}

    void writeData(std::uint8_t value);
    // Sets the latch as if the port had held `value` before anyone wrote it.
    void setLatch(std::uint8_t value);
    std::uint8_t readData() const { return data_; }
    std::uint8_t readStatus();

    // A channel held at a fixed count, until setInputs.
    void setCount(int channel, std::uint16_t count);
    // Both channels from `inputs` (none: 0 V), converted as the box's 10-bit
    // converters do over 5 V.
    void setInputs(InputVolts inputs);
    static std::uint16_t countOf(double volts);
    void setConnected(bool connected) { connected_ = connected; }
    std::uint8_t relays() const { return data_ & 0x0F; }

    // The count a converter would take as its sample now.
    std::uint16_t input(int channel) const;
    bool connected() const { return connected_; }
    // Reset, waiting for the first clock edge of a reading.
    bool convertersWaiting() const { return edges_ == 0; }

private:
    static bool powered(std::uint8_t data) { return (data & 0x30) == 0x30; }
    void resetConverters();

    std::uint8_t data_;
    bool connected_ = true;
    int edges_ = 0;  // clock rising edges since the converters were last reset
    std::uint16_t sample_[2] = {0, 0};
    bool line_[2] = {false, false};  // data line of each converter as it stands
    bool ackShown_ = false;          // what ACK shows until the channel-0 output has settled
    int statusReadsSinceEdge_ = 0;
    InputVolts inputs_ = {nullptr, nullptr};
    bool isFixed_[2] = {false, false};
    std::uint16_t fixed_[2] = {0, 0};
};

}  // namespace kolmsim
