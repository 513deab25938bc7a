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

constexpr std::size_t kPlotPoints = 4096;  // a chart is 720 pixels wide; more points show nothing

class ChartFile : public CaptureOutput {
public:
    ChartFile(std::string path, std::string title, std::ostream& err)
        : path_(std::move(path)), title_(std::move(title)), err_(err) {
        ReplacedFile(path_).discard();
    }
    void begin(const Capture& c) override {
        series_.emplace(c.plan.names, kPlotPoints);
        volts_.resize(c.plan.names.size());
    }
    // A reading the interface cannot give is left out; a gap breaks the channel's line.
    void row(const Capture&, const Row& r) override {
        for (std::size_t k = 0; k < r.readings.size(); ++k) {
            if (!r.readings[k].valid) return;
            volts_[k] = r.readings[k].gap ? std::nan("") : r.readings[k].volts;
        }
        series_->add(r.seconds, volts_);
    }
    void end(const Capture& c, Ending how) override {
        if (!series_ || (how == Ending::Signalled && c.tally.taken == 0)) return;
        const std::string caption = "started " + isoLocalTime(c.started, false) + ", " +
                                    scheduleText(c.plan) + "; " + valuesText(c.plan);
        ReplacedFile file(path_);
        file.stream() << svgPlot(title_, caption, c.plan.channels, series_->seconds(), series_->series());
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

std::unique_ptr<CaptureOutput> chartFile(const std::string& path, const std::string& title,
                                         std::ostream& err) {
    return std::make_unique<ChartFile>(path, title, err);
}

}  // namespace kolmctl
