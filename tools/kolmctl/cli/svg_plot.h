// Readings as an SVG chart: time against volts, one line per channel. Plain text
// out, so no plotting library is needed.
#pragma once

#include <string>
#include <vector>

namespace kolmctl {

struct Series {
    std::string name;           // UTF-8
    std::vector<double> volts;  // one per time; NaN where the reading had no value
};

// The points of a capture of any length in bounded memory: when `maxPoints` are
// held, every other one is dropped and from then on only every other reading is
// kept, so a day-long capture is charted at an even, coarser spacing.
class PlotSeries {
public:
    PlotSeries(std::vector<std::string> names, std::size_t maxPoints);
    void add(double seconds, const std::vector<double>& volts);
    const std::vector<double>& seconds() const { return seconds_; }
    const std::vector<Series>& series() const { return series_; }
    long added() const { return added_; }

private:
    std::size_t maxPoints_;
    long stride_ = 1;  // readings per point kept
    long added_ = 0;
    std::vector<double> seconds_;
    std::vector<Series> series_;
};

std::string svgPlot(const std::string& title, const std::vector<double>& seconds,
                    const std::vector<Series>& series);

}  // namespace kolmctl
