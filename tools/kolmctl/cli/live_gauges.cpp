// A capture on a terminal: the live view's gauges, redrawn at every reading.
#include "capture_outputs.h"
#include "console.h"
#include "live_view.h"

namespace kolmctl {

namespace {

constexpr double kFullScaleVolts = 5.0;

std::string padLeft(const std::string& s, std::size_t width) {
    return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

// "min 498 max 530" (or in volts), the running range a gauge shows.
std::string rangeText(Values values, const ChannelRange& r) {
    if (r.n == 0) return {};
    if (values != Values::Volts)
        return "min " + std::to_string(r.minCount) + " max " + std::to_string(r.maxCount);
    return "min " + shownVolts(r.minVolts, 3) + " max " + shownVolts(r.maxVolts, 3);
}

std::vector<Gauge> gaugesOf(const Capture& c, const Row& r) {
    const Values values = c.plan.values;
    std::vector<Gauge> gauges;
    for (std::size_t k = 0; k < r.readings.size(); ++k) {
        const Reading& v = r.readings[k];
        const std::string range = rangeText(values, c.tally.ranges[k]);
        if (v.gap) {
            gauges.push_back({c.plan.names[k], "no value", 0.0, range});
            continue;
        }
        std::string value;
        if (values != Values::Volts) value += padLeft(std::to_string(v.count), 4);
        if (values != Values::Counts && (v.valid || values == Values::Volts)) {
            if (!value.empty()) value += "  ";
            value += shownVolts(v.volts, 3);
        }
        if (!v.valid) value += "  INVALID";
        gauges.push_back({c.plan.names[k], value, v.valid ? v.volts / kFullScaleVolts : 0.0, range});
    }
    return gauges;
}

// The live view where it fits the terminal's width, else one plain line per reading.
class LiveGauges : public CaptureOutput {
public:
    LiveGauges(const RowsTo& to, int columns) : view_(to.out), columns_(columns), lines_(plainLines(to)) {}
    void begin(const Capture& c) override { lines_->begin(c); }
    void row(const Capture& c, const Row& r) override {
        const std::vector<Gauge> gauges = gaugesOf(c, r);
        const int columns = columns_ > 0 ? columns_ : terminalColumns();
        if (!LiveView::fits(gauges, columns)) {
            view_.release();
            lines_->row(c, r);
            return;
        }
        const long count = c.plan.count;
        std::string heading = "reading " + std::to_string(r.slot + 1);
        if (count != 0) heading += " of " + std::to_string(count);
        heading += ", " + fixed(r.seconds, 1) + " s";
        if (c.tally.missed > 0) heading += ", " + counted(c.tally.missed, "slot") + " missed";
        if (count == 0) heading += "  (Ctrl-C stops)";
        view_.draw(heading, gauges, columns);
    }
    void flush(const Capture& c, bool last) override { lines_->flush(c, last); }
    void end(const Capture& c, Ending how) override { lines_->end(c, how); }

private:
    LiveView view_;
    int columns_;
    std::unique_ptr<CaptureOutput> lines_;
};

}  // namespace

std::unique_ptr<CaptureOutput> liveGauges(const RowsTo& to, int columns) {
    return std::make_unique<LiveGauges>(to, columns);
}

}  // namespace kolmctl
