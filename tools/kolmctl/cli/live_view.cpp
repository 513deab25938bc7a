#include "live_view.h"

#include <algorithm>
#include <cmath>

namespace kolmctl {

namespace {
constexpr int kBarWidth = 40;
constexpr const char* kEraseLine = "\x1b[K";
}  // namespace

std::string bar(double fraction, int width) {
    const int filled = static_cast<int>(std::lround(std::clamp(fraction, 0.0, 1.0) * width));
    return "[" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(width - filled), '.') + "]";
}

void LiveView::draw(const std::string& status, const std::vector<Gauge>& gauges) {
    if (drawnLines_ > 0) out_ << "\x1b[" << drawnLines_ << "F";  // back to the first line drawn
    std::size_t width = 0;
    for (const Gauge& g : gauges) width = std::max(width, g.label.size());
    for (const Gauge& g : gauges) {
        out_ << g.label << std::string(width - g.label.size() + 2, ' ') << g.value << "  "
             << bar(g.fraction, kBarWidth) << kEraseLine << "\n";
    }
    out_ << status << kEraseLine << "\n";
    out_.flush();
    drawnLines_ = gauges.size() + 1;
}

}  // namespace kolmctl
