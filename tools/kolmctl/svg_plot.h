// Readings as an SVG chart: time against volts, one line per channel. Plain text
// out, so no plotting library is needed.
#pragma once

#include <string>
#include <vector>

namespace kolmctl {

struct Series {
    std::string name;           // UTF-8
    std::vector<double> volts;  // one per time
};

std::string svgPlot(const std::string& title, const std::vector<double>& seconds,
                    const std::vector<Series>& series);

}  // namespace kolmctl
