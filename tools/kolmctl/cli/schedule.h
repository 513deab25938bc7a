// When the readings of a capture are taken: at start + k x period, k = 0, 1, 2, ...
// A reading that cannot start before the next slot's time gives its slot up, and the
// slot is counted as missed: the schedule itself never moves, so a capture of N
// readings at 10 ms ends at N x 10 ms whatever the machine did meanwhile.
#pragma once

#include <optional>
#include <string>

namespace kolmctl {

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
