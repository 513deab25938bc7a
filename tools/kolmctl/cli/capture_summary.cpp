// What a capture ends with on the error stream: the readings it held that the
// interface cannot give, how many readings in how long, the gaps and the missed
// slots, each channel's range, and what stopped it.
#include "capture_outputs.h"
#include "interrupts.h"

namespace kolmctl {

namespace {

// "min 298 (1.455 V), mean 300.2 (1.466 V), max 302 (1.475 V)" for one channel.
std::string rangeSummary(Values values, const ChannelRange& r) {
    if (r.n == 0) return "no value";
    const auto n = static_cast<double>(r.n);
    if (values == Values::Volts)
        return "min " + shownVolts(r.minVolts, 4) + ", mean " + shownVolts(r.voltSum / n, 4) + ", max " +
               shownVolts(r.maxVolts, 4);
    return "min " + std::to_string(r.minCount) + " (" + shownVolts(r.minVolts, 3) + "), mean " +
           fixed(r.countSum / n, 1) + " (" + shownVolts(r.voltSum / n, 3) + "), max " +
           std::to_string(r.maxCount) + " (" + shownVolts(r.maxVolts, 3) + ")";
}

// Of a capture of more than one reading: how many readings in how long, the gaps and
// the missed slots, and each channel's range.
void summarise(std::ostream& err, const Capture& c) {
    const CaptureTally& t = c.tally;
    std::string head =
        counted(t.taken, "reading") + " in " + fixed(t.last, 3) + " s, " + paceText(c.plan) + ": ";
    head +=
        t.gaps == 0 ? "no gap" : counted(t.gaps, "gap") + " (no value: the port did not answer; left empty)";
    head += t.missed == 0
                ? ", no missed slot"
                : ", " + counted(t.missed, "missed slot") + " (a reading could not start in its period)";
    remark(err, head);
    for (std::size_t k = 0; k < t.ranges.size(); ++k)
        remark(err, "  " + c.plan.names[k] + ": " + rangeSummary(c.plan.values, t.ranges[k]));
}

class CaptureSummary : public CaptureOutput {
public:
    explicit CaptureSummary(std::ostream& err) : err_(err) {}
    void row(const Capture&, const Row&) override {}
    void end(const Capture& c, Ending how) override {
        if (how == Ending::OutputFailed) return;
        const CaptureTally& t = c.tally;
        const long count = c.plan.count;
        if (t.invalid > 0)
            remark(err_, counted(t.invalid, "reading") +
                             " held a value the interface cannot give (marked invalid)");
        if (count == 0 && t.taken >= kMostReadings)
            remark(err_, "stopped at " + counted(kMostReadings, "reading") + ", the most a capture takes");
        if (count != 1) summarise(err_, c);
        else if (t.gaps > 0)
            remark(err_, "the reading had no value where the port did not answer (left empty)");
        if (how == Ending::Done) return;
        const std::string by = how == Ending::ReaderGone ? std::string("the reader of the output going away")
                               : how == Ending::Stopped  ? std::string("a stop asked for")
                                                         : interruptName();
        remark(err_, "stopped by " + by + " after " +
                         (count != 0 ? std::to_string(t.taken) + " of " + counted(count, "reading")
                                     : counted(t.taken, "reading")));
    }

private:
    std::ostream& err_;
};

}  // namespace

std::unique_ptr<CaptureOutput> captureSummary(std::ostream& err) {
    return std::make_unique<CaptureSummary>(err);
}

}  // namespace kolmctl
