// What a simulated box has on its two analog inputs, in volts, at a time in seconds:
// a constant, a periodic waveform, a recording replayed in a loop, or the capacitor of
// an RC circuit that one relay charges and lets discharge; noise may be added to any.
//
// Freestanding: no C library, no heap. It runs inside the Windows virtual-box plug-in,
// which imports nothing but KERNEL32, as well as in the bench and kolmctl.
#pragma once

#include <cstdint>

namespace kolmsim {

constexpr int kInputs = 2;
// The longest recording replayed: a minute at 50 readings a second, with room to spare.
constexpr int kMaxRecordingPoints = 4096;

enum class Shape : std::uint8_t { Constant, Sine, Square, Triangle, Ramp, Recording, Circuit };

// A recording: times in seconds, each later than the one before, and the volts then.
// It plays from its first point at time 0 and starts again after its last.
struct Recording {
    int points = 0;
    double time[kMaxRecordingPoints] = {};
    double volts[kMaxRecordingPoints] = {};
};

struct Signal {
    Shape shape = Shape::Constant;
    double offset = 0.0;     // volts: the constant's level, the middle of a waveform
    double amplitude = 0.0;  // volts from the middle to a peak
    double frequency = 1.0;  // hertz
    double noise = 0.0;      // volts RMS of the noise added to every sample
    double tau = 1.0;        // circuit: the time constant R x C, in seconds
    double supply = 5.0;     // circuit: the volts its relay connects
    int relay = 0;           // circuit: the relay (data line D0-D3) that connects the supply
    const Recording* recording = nullptr;
};

// The two inputs over time. The circuits follow the relay lines they are told of; the
// noise is a fixed pseudo-random sequence from each restart.
class Inputs {
public:
    Signal (&signals())[kInputs] { return signal_; }
    Signal& signal(int channel) { return signal_[channel]; }

    // Every circuit discharged, relays off, from time `t`; the noise from its first value.
    void restart(double t);
    // The relay lines (bit k for relay k) as they stand from time `t` on: a circuit
    // whose relay changed charges or discharges from the volts it has reached.
    void relays(std::uint8_t lines, double t);
    // The volts on input `channel` (0 or 1) at time `t`, never earlier than the last relays().
    double volts(int channel, double t);

private:
    struct Circuit {
        bool charging = false;
        double from = 0.0;   // volts when it last started charging or discharging
        double since = 0.0;  // and when
    };
    static double clean(const Signal& s, const Circuit& c, double t);
    double gaussian();

    Signal signal_[kInputs];
    Circuit circuit_[kInputs];
    std::uint32_t noiseState_ = 1;
};

// The signals a box shows without any setting: a sine on channel 0 (2.5 V +/- 2 V,
// every 10 s) and a ramp on channel 1 (0 to 5 V every 20 s).
void demoSignals(Signal (&signals)[kInputs]);

}  // namespace kolmsim
