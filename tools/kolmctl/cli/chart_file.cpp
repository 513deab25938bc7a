// The --plot chart: a file beside it made before the first reading, so that a path that
// cannot be written fails at once with the system's reason; its points kept as the
// capture goes; written once, from what was read, however the capture ended (but for
// a failing plug-in or port), and put in place of an earlier chart only when whole.
#include <cmath>
#include <optional>

#include "capture_outputs.h"
#include "replaced_file.h"
#include "svg_plot.h"

namespace kolmctl {

namespace {

class ChartFile : public CaptureOutput {
public:
    ChartFile(std::string path, std::string title, std::ostream& err)
        : path_(std::move(path)), title_(std::move(title)), err_(err) {
        ReplacedFile(path_).discard();
    }
    void begin(const Capture& c) override { series_.emplace(c.plan.names, kPlotPoints); }
    void row(const Capture&, const Row& r) override { chartPoint(*series_, volts_, r); }
    void end(const Capture& c, Ending how) override {
        if (!series_ || (how == Ending::Signalled && c.tally.taken == 0)) return;
        ReplacedFile file(path_);
        file.stream() << chartOf(c, title_, *series_);
        file.commit(false);
        std::string said = counted(series_->added(), "reading") + " plotted in " + path_;
        if (static_cast<std::size_t>(series_->added()) > series_->seconds().size())
            said += " (" + std::to_string(series_->seconds().size()) + " points, evenly spaced)";
        remark(err_, said);
    }

private:
    std::string path_;
    std::string title_;
    std::ostream& err_;
    std::optional<PlotSeries> series_;
    std::vector<double> volts_;
};

}  // namespace

// A reading the interface cannot give is left out; a gap breaks the channel's line.
void chartPoint(PlotSeries& series, std::vector<double>& volts, const Row& r) {
    volts.resize(r.readings.size());
    for (std::size_t k = 0; k < r.readings.size(); ++k) {
        if (!r.readings[k].valid) return;
        volts[k] = r.readings[k].gap ? std::nan("") : r.readings[k].volts;
    }
    series.add(r.seconds, volts);
}

std::string chartOf(const Capture& c, const std::string& title, const PlotSeries& series) {
    const std::string caption =
        "started " + isoLocalTime(c.started, false) + ", " + scheduleText(c.plan) + "; " + valuesText(c.plan);
    return svgPlot(title, caption, c.plan.channels, series.seconds(), series.series());
}

std::unique_ptr<CaptureOutput> chartFile(const std::string& path, const std::string& title,
                                         std::ostream& err) {
    return std::make_unique<ChartFile>(path, title, err);
}

}  // namespace kolmctl
