#include "signals.h"

namespace kolmsim {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = kPi / 2.0;
constexpr double kTwoPi = 2.0 * kPi;
constexpr double kLn2 = 0.6931471805599453;

double floorOf(double x) {
    constexpr double kWhole = 4503599627370496.0;  // 2^52: every double beyond is a whole number
    if (!(x > -kWhole && x < kWhole)) return x;
    const auto whole = static_cast<double>(static_cast<std::int64_t>(x));
    return whole > x ? whole - 1.0 : whole;
}

// Where x stands in its period, from 0 up to (not including) 1.
double phase(double x) {
    const double p = x - floorOf(x);
    return p < 1.0 ? p : 0.0;
}

// The Taylor series to the 17th power after folding into [-pi/2, pi/2]: below 1e-13.
double sine(double x) {
    double r = x - kTwoPi * floorOf(x / kTwoPi + 0.5);
    if (r > kHalfPi) r = kPi - r;
    else if (r < -kHalfPi) r = -kPi - r;
    const double r2 = r * r;
    double term = r;
    double sum = r;
    for (int n = 1; n <= 8; ++n) {
        term *= -r2 / static_cast<double>((2 * n) * (2 * n + 1));
        sum += term;
    }
    return sum;
}

// exp(-y) for y >= 0: 2^-k times exp(-r), |r| <= ln 2 / 2, whose series to the 13th
// power is exact to the last place.
double expMinus(double y) {
    if (!(y > 0.0)) return 1.0;
    if (y > 745.2) return 0.0;  // below the smallest double
    const int k = static_cast<int>(floorOf(y / kLn2 + 0.5));
    const double r = y - k * kLn2;
    double term = 1.0;
    double sum = 1.0;
    for (int n = 1; n <= 13; ++n) {
        term *= -r / n;
        sum += term;
    }
    for (int left = k; left > 0;) {
        const int step = left > 60 ? 60 : left;
        sum /= static_cast<double>(std::uint64_t{1} << step);
        left -= step;
    }
    return sum;
}

// The recording at time t of its loop, straight between its points.
double replayed(const Recording* r, double t) {
    if (r == nullptr || r->points == 0) return 0.0;
    const double start = r->time[0];
    const double length = r->time[r->points - 1] - start;
    if (r->points == 1 || !(length > 0.0)) return r->volts[0];
    const double at = start + length * phase(t / length);
    int lo = 0;  // r->time[lo] <= at < r->time[hi]
    int hi = r->points - 1;
    while (hi - lo > 1) {
        const int mid = (lo + hi) / 2;
        if (r->time[mid] <= at) lo = mid;
        else hi = mid;
    }
    const double along = (at - r->time[lo]) / (r->time[hi] - r->time[lo]);
    return r->volts[lo] + along * (r->volts[hi] - r->volts[lo]);
}

void set(Signal& s, Shape shape, double offset, double amplitude, double frequency) {
    s = Signal{};
    s.shape = shape;
    s.offset = offset;
    s.amplitude = amplitude;
    s.frequency = frequency;
}

}  // namespace

void Inputs::restart(double t) {
    for (Circuit& c : circuit_) {
        c.charging = false;
        c.from = 0.0;
        c.since = t;
    }
    noiseState_ = 0x2545F491u;
}

void Inputs::relays(std::uint8_t lines, double t) {
    for (int ch = 0; ch < kInputs; ++ch) {
        const Signal& s = signal_[ch];
        Circuit& c = circuit_[ch];
        const bool on = ((lines >> s.relay) & 1u) != 0;
        if (s.shape != Shape::Circuit || on == c.charging) continue;
        c.from = clean(s, c, t);
        c.since = t;
        c.charging = on;
    }
}

double Inputs::volts(int channel, double t) {
    const Signal& s = signal_[channel];
    const double v = clean(s, circuit_[channel], t);
    return s.noise > 0.0 ? v + s.noise * gaussian() : v;
}

double Inputs::clean(const Signal& s, const Circuit& c, double t) {
    const double p = phase(s.frequency * t);
    switch (s.shape) {
    case Shape::Constant: return s.offset;
    case Shape::Sine: return s.offset + s.amplitude * sine(kTwoPi * p);
    case Shape::Square: return s.offset + (p < 0.5 ? s.amplitude : -s.amplitude);
    case Shape::Triangle:  // from the middle up to the peak, down to the trough, back
        return s.offset + s.amplitude * (p < 0.25 ? 4.0 * p : p < 0.75 ? 2.0 - 4.0 * p : 4.0 * p - 4.0);
    case Shape::Ramp: return s.offset + s.amplitude * (2.0 * p - 1.0);
    case Shape::Recording: return replayed(s.recording, t);
    case Shape::Circuit: {
        const double decay = expMinus((t - c.since) / s.tau);
        return c.charging ? s.supply + (c.from - s.supply) * decay : c.from * decay;
    }
    }
    return 0.0;
}

// The sum of 12 uniform values less 6: close to a normal law of deviation 1, and
// never beyond 6. xorshift32 makes them.
double Inputs::gaussian() {
    double sum = 0.0;
    for (int k = 0; k < 12; ++k) {
        std::uint32_t x = noiseState_;
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        noiseState_ = x;
        sum += static_cast<double>(x) / 4294967296.0;
    }
    return sum - 6.0;
}

void demoSignals(Signal (&signals)[kInputs]) {
    set(signals[0], Shape::Sine, 2.5, 2.0, 0.1);
    set(signals[1], Shape::Ramp, 2.5, 2.5, 0.05);
}

}  // namespace kolmsim
