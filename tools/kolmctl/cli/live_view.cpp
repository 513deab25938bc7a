#include "live_view.h"

#include <algorithm>
#include <cmath>

#include "capture_text.h"

namespace kolmctl {

namespace {
constexpr int kMaxBar = 40;
constexpr int kMinBar = 10;
constexpr const char* kEraseLine = "\x1b[K";

struct Widths {
    std::size_t label = 0, value = 0, range = 0;
};

Widths widthsOf(const std::vector<Gauge>& gauges) {
    Widths w;
    for (const Gauge& g : gauges) {
        w.label = std::max(w.label, textColumns(g.label));
        w.value = std::max(w.value, textColumns(g.value));
        w.range = std::max(w.range, textColumns(g.range));
    }
    return w;
}

// The bar's width in `columns`, leaving the last column free so that no line wraps:
// label, 2 spaces, value, 2 spaces, [bar], 2 spaces, range.
int barWidth(const Widths& w, int columns) {
    const auto rest = static_cast<int>(w.label + 2 + w.value + 2 + 2 + 2 + w.range);
    return std::min(kMaxBar, columns - 1 - rest);
}

}  // namespace

std::string bar(double fraction, int width) {
    const int filled = static_cast<int>(std::lround(std::clamp(fraction, 0.0, 1.0) * width));
    return "[" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(width - filled), '.') + "]";
}

bool LiveView::fits(const std::vector<Gauge>& gauges, int columns) {
    return barWidth(widthsOf(gauges), columns) >= kMinBar;
}

void LiveView::draw(const std::string& status, const std::vector<Gauge>& gauges, int columns) {
    if (drawnLines_ > 0) out_ << "\x1b[" << drawnLines_ << "F";  // back to the first line drawn
    const Widths w = widthsOf(gauges);
    const int width = barWidth(w, columns);
    for (const Gauge& g : gauges) {
        out_ << g.label << std::string(w.label - textColumns(g.label) + 2, ' ') << g.value
             << std::string(w.value - textColumns(g.value) + 2, ' ') << bar(g.fraction, width) << "  "
             << g.range << kEraseLine << "\n";
    }
    out_ << status << kEraseLine << "\n";
    out_.flush();
    drawnLines_ = gauges.size() + 1;
}

}  // namespace kolmctl
