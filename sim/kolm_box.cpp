#include "kolm_box.h"

#include <chrono>
#include <cmath>

namespace kolmsim {

namespace {
constexpr std::uint8_t kFrame = 0x40;         // D6
constexpr std::uint8_t kClock = 0x80;         // D7
constexpr std::uint8_t kAck = 0x40;           // status bit 6: channel 0's data bit
constexpr std::uint8_t kBusyInverted = 0x80;  // status bit 7, channel 1's: reads 0 while BUSY is high
// Status bits 0-5 are not wired to the box: reserved bits and ERROR/SELECT read high,
// PAPER OUT low, on the ports we model.
constexpr std::uint8_t kUnwiredStatus = 0x1F;

double secondsNow() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}
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
    source_[channel] = Source::Fixed;
}

void Box::setSource(int channel, Source source) { source_[channel] = source; }

std::uint16_t Box::input(int channel) const {
    switch (source_[channel]) {
    case Source::Fixed: return fixed_[channel];
    case Source::Sine: {  // 2.5 V +/- 2 V, period 10 s
        const double volts = 2.5 + 2.0 * std::sin(2.0 * M_PI * secondsNow() / 10.0);
        return static_cast<std::uint16_t>(std::lround(volts * 1024.0 / 5.0));
    }
    case Source::Ramp:  // 0 to full scale every 20 s
        return static_cast<std::uint16_t>(std::fmod(secondsNow(), 20.0) / 20.0 * fullScale);
    }
    return 0;
}

}  // namespace kolmsim
