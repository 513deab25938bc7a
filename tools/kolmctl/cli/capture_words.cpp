#include "capture_outputs.h"
#include "schedule.h"

namespace kolmctl {

std::string paceText(const CapturePlan& plan) {
    return plan.period > 0 ? "every " + timeText(plan.period) + " (" + rateText(1.0 / plan.period) + ")"
                           : std::string("back to back");
}

std::string scheduleText(const CapturePlan& plan) {
    std::string t = paceText(plan);
    if (plan.duration > 0) t += " for " + timeText(plan.duration);
    if (plan.count > 0) t += ": " + counted(plan.count, "reading");
    else if (plan.duration <= 0) t += " until stopped";
    return t;
}

std::string valuesText(const CapturePlan& plan) {
    switch (plan.values) {
    case Values::Counts: return "counts through EA";
    case Values::Volts: return "volts through EAD";
    case Values::Both: break;
    }
    return "counts through EA and volts = counts x 5 / 1024";
}

std::string fixed(double v, int decimals) {
    std::string s;
    appendNumber(s, v, decimals, kCsvRfc);
    return s;
}

std::string shownVolts(double volts, int decimals) { return fixed(volts, decimals) + " V"; }

}  // namespace kolmctl
