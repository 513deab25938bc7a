// When the readings of a capture are taken: at start + k x period, k = 0, 1, 2, ...
// A reading that cannot start before the next slot's time gives its slot up, and the
// slot is counted as missed: the schedule itself never moves, so a capture of N
// readings at 10 ms ends at N x 10 ms whatever the machine did meanwhile.
#pragma once

#include <optional>
#include <string>

namespace kolmctl {

// What a capture's schedule may be, which the read command's options are held to.
constexpr double kDefaultPeriod = 0.5;                // seconds from one slot to the next
constexpr double kFastestRate = 10000.0;              // Hz: a reading of a real box takes about 0.1 ms
constexpr double kSlowestRate = 0.001;                // Hz
constexpr double kShortestPeriod = 1e-4;              // seconds, but for 0: readings back to back
constexpr double kLongestPeriod = 1000.0;             // seconds
constexpr double kLongestDuration = 1000.0 * 3600.0;  // seconds
// The most readings one capture takes: within a 32-bit long (Windows), as every count is.
constexpr long kMostReadings = 1000000000;

class Schedule {
public:
    // `period` in seconds (more than 0); `slots` 0: no end.
    Schedule(double start, double period, long slots) : start_(start), period_(period), slots_(slots) {}

    struct Slot {
        long index;
        double at;  // when it is due; earlier than now when the reading is late
    };
    // The slot to take at `now`: the next one, or the latest whose time has come if
    // the next one's whole period went by (the ones between are missed). nullopt
    // when the schedule has no slot left.
    std::optional<Slot> next(double now);
    long missed() const { return missed_; }
    double period() const { return period_; }

private:
    double start_;
    double period_;
    long slots_;
    long next_ = 0;
    long missed_ = 0;
};

// A time as the user writes it: "500ms", "10s", "5min", "1.5h", or a bare number in
// `bareUnit` ("ms" or "s"). Seconds; nullopt when it is not one (or is negative).
std::optional<double> parseTime(const std::string& text, const char* bareUnit);
// A rate in hertz, "10" or "10Hz"; nullopt when it is not one or is not above 0.
std::optional<double> parseRate(const std::string& text);
// "100 ms", "2 s", "1.5 min": a period or a length for a person.
std::string timeText(double seconds);
// "10 Hz", "0.5 Hz".
std::string rateText(double hertz);

}  // namespace kolmctl
