#include "kolm_box.h"

namespace kolmsim {

namespace {
constexpr std::uint8_t kFrame = 0x40;         // D6
constexpr std::uint8_t kClock = 0x80;         // D7
constexpr std::uint8_t kAck = 0x40;           // status bit 6: channel 0's data bit
constexpr std::uint8_t kBusyInverted = 0x80;  // status bit 7, channel 1's: reads 0 while BUSY is high
// Status bits 0-5 are not wired to the box: reserved bits and ERROR/SELECT read high,
// PAPER OUT low, on the ports we model.
constexpr std::uint8_t kUnwiredStatus = 0x1F;
constexpr double kVoltsFullScale = 5.0;  // 1024 counts
}  // namespace

void Box::setLatch(std::uint8_t value) {
    data_ = value;
    resetConverters();
}

void Box::resetConverters() {
    edges_ = 0;
    line_[0] = line_[1] = false;
    ackShown_ = false;
}

void Box::writeData(std::uint8_t value) {
    const std::uint8_t old = data_;
    data_ = value;
    if (!powered(value) || (value & kFrame)) {
        resetConverters();
        return;
    }
    // A write that powers the converters up, or lowers D6 to release them, finds them
    // in reset: no edge counts, even with the clock rising in the same write (as
    // initInterface's 0xB0 after a reading's closing 0x70).
    if (!powered(old) || (old & kFrame)) return;
    if ((old & kClock) || !(value & kClock)) return;  // not a rising clock edge
    if (edges_ == 0) {  // first edge after reset: both converters take their sample
        sample_[0] = input(0);
        sample_[1] = input(1);
    }
    ackShown_ = line_[0];
    for (int ch = 0; ch < 2; ++ch) {
        // Most significant bit first; past the last bit the outputs stay low.
        line_[ch] = edges_ < bits && ((sample_[ch] >> (bits - 1 - edges_)) & 1u) != 0;
    }
    ++edges_;
    statusReadsSinceEdge_ = 0;
}

std::uint8_t Box::readStatus() {
    if (!connected_ || !powered(data_)) {
        // Nothing drives the lines: ACK floats high, BUSY floats low (reads as bit 7 = 0).
        return kUnwiredStatus | kAck;
    }
    ++statusReadsSinceEdge_;
    // Channel 1's output is valid at once; channel 0's converter is slower and has
    // settled only by the second status read after the clock rose.
    if (statusReadsSinceEdge_ >= 2) ackShown_ = line_[0];
    std::uint8_t status = kUnwiredStatus;
    if (ackShown_) status |= kAck;
    if (!line_[1]) status |= kBusyInverted;
    return status;
}

void Box::setCount(int channel, std::uint16_t count) {
    fixed_[channel] = count > fullScale ? fullScale : count;
    isFixed_[channel] = true;
}

void Box::setInputs(InputVolts inputs) {
    inputs_ = inputs;
    isFixed_[0] = isFixed_[1] = false;
}

// A converter's count is the whole number of 5/1024 V steps below its input, from 0 up
// to 1023 at the top of the scale: an input outside 0 to 5 V (or none) reads at the end.
std::uint16_t Box::countOf(double volts) {
    const double steps = volts * (fullScale + 1) / kVoltsFullScale;
    if (!(steps > 0.0)) return 0;
    return steps >= fullScale ? fullScale : static_cast<std::uint16_t>(steps);
}

std::uint16_t Box::input(int channel) const {
    if (isFixed_[channel]) return fixed_[channel];
    return inputs_.volts ? countOf(inputs_.volts(inputs_.context, channel)) : 0;
}

}  // namespace kolmsim
