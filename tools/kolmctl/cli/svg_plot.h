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

// The chart: `title` above, `caption` (date and settings) under it, volts against
// seconds from the start of the capture, one series per channel of `channels`, each
// in its channel's own colour; a boxed legend right of the plot area; ticks on the
// time axis at round values in the unit that fits its span (ms, s, min, h). A
// reading with no neighbour in its series (a lone reading, or one between gaps) is
// drawn as a point.
std::string svgPlot(const std::string& title, const std::string& caption, const std::vector<int>& channels,
                    const std::vector<double>& seconds, const std::vector<Series>& series);

// Round tick values for an axis from 0 to `span` (in its unit): steps of 1, 2 or 5
// times a power of ten, at most about `most` of them.
std::vector<double> ticks(double span, int most);

}  // namespace kolmctl
