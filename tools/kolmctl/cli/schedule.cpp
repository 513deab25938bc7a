#include "schedule.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace kolmctl {

namespace {

// A number written with a point or, as in France, a comma; nullopt if not one.
std::optional<double> number(std::string text) {
    for (char& c : text)
        if (c == ',') c = '.';
    double v = 0.0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (ec != std::errc() || ptr != end || text.empty() || !std::isfinite(v)) return std::nullopt;
    return v;
}

struct Unit {
    const char* name;
    double seconds;
};
constexpr Unit kUnits[] = {{"ms", 0.001}, {"s", 1.0}, {"min", 60.0}, {"h", 3600.0}};

std::string trimmed(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", v);
    std::string s = buf;
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.') s.pop_back();
    return s;
}

}  // namespace

std::optional<Schedule::Slot> Schedule::next(double now) {
    if (slots_ != 0 && next_ >= slots_) return std::nullopt;
    // The latest slot whose time has come; the next one if it is still to come.
    const double due = std::floor((now - start_) / period_);
    long slot = next_;
    // Converted only once known to fit a long, of 32 bits on Windows.
    const auto end = static_cast<double>(slots_ != 0 ? slots_ : std::numeric_limits<long>::max() / 2);
    if (due > static_cast<double>(next_)) slot = due >= end ? static_cast<long>(end) : static_cast<long>(due);
    const long last = slots_ == 0 ? slot : std::min(slot, slots_);
    missed_ += last - next_;
    next_ = slot + 1;
    if (slots_ != 0 && slot >= slots_) return std::nullopt;
    return Slot{slot, start_ + static_cast<double>(slot) * period_};
}

std::optional<double> parseTime(const std::string& text, const char* bareUnit) {
    const std::size_t digits = text.find_first_not_of("0123456789.,");
    std::string unit = digits == std::string::npos ? bareUnit : text.substr(digits);
    if (!unit.empty() && unit.front() == ' ') unit.erase(0, 1);
    for (const Unit& u : kUnits) {
        if (unit != u.name) continue;
        const auto v = number(text.substr(0, digits));
        if (!v || *v < 0) return std::nullopt;
        return *v * u.seconds;
    }
    return std::nullopt;
}

std::optional<double> parseRate(const std::string& text) {
    std::string digits = text;
    if (digits.ends_with("Hz") || digits.ends_with("hz")) digits.resize(digits.size() - 2);
    if (digits.ends_with(' ')) digits.pop_back();
    const auto v = number(digits);
    if (!v || *v <= 0) return std::nullopt;
    return v;
}

std::string timeText(double seconds) {
    if (seconds < 1.0) return trimmed(seconds * 1000.0) + " ms";
    if (seconds < 120.0) return trimmed(seconds) + " s";
    if (seconds < 7200.0) return trimmed(seconds / 60.0) + " min";
    return trimmed(seconds / 3600.0) + " h";
}

std::string rateText(double hertz) { return trimmed(hertz) + " Hz"; }

}  // namespace kolmctl
