// The read command on a terminal: one line per channel with its value, a bar and the
// running range, redrawn in place at every reading, as wide as the terminal allows.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kolmctl {

struct Gauge {
    std::string label;  // UTF-8 channel name
    std::string value;  // e.g. " 512  2.500 V"
    double fraction;    // of full scale, 0 to 1
    std::string range;  // e.g. "min 498 max 530"; empty before the first value
};

class LiveView {
public:
    explicit LiveView(std::ostream& out) : out_(out) {}
    // Whether the gauges fit `columns` with a bar of a useful width.
    static bool fits(const std::vector<Gauge>& gauges, int columns);
    void draw(const std::string& status, const std::vector<Gauge>& gauges, int columns);
    // Lines are written below the view now: the next draw starts a new one under them.
    void release() { drawnLines_ = 0; }

private:
    std::ostream& out_;
    std::size_t drawnLines_ = 0;
};

// "[#########...........]"
std::string bar(double fraction, int width);

}  // namespace kolmctl
