// The read command on a terminal: one line per channel with its value and a bar,
// redrawn in place at every reading.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kolmctl {

struct Gauge {
    std::string label;  // UTF-8 channel name
    std::string value;  // e.g. " 512  2.500 V"
    double fraction;    // of full scale, 0 to 1
};

class LiveView {
public:
    explicit LiveView(std::ostream& out) : out_(out) {}
    void draw(const std::string& status, const std::vector<Gauge>& gauges);

private:
    std::ostream& out_;
    std::size_t drawnLines_ = 0;
};

// "[#########...........]"
std::string bar(double fraction, int width);

}  // namespace kolmctl
