#include "svg_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "capture_text.h"

namespace kolmctl {

namespace {

constexpr double kWidth = 800, kHeight = 440;
constexpr double kLeft = 60, kTop = 56, kBottom = 56, kGap = 16;
constexpr double kFullScale = 5.0;  // volts
constexpr double kCharWidth = 7.0;  // of the 12-pixel sans-serif, about
// One colour per channel, whichever channels a chart holds: channel 0 is always blue.
const char* const kColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#9467bd"};

std::string num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

// A tick value as a person writes it: 0, 0.5, 250, 1.25.
std::string label(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", std::abs(v) < 1e-12 ? 0.0 : v);
    return buf;
}

std::string escaped(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

const char* colourOf(int channel) { return kColours[static_cast<unsigned>(channel) % 4]; }

struct TimeUnit {
    const char* name;
    double seconds;
};

// The unit in which a span reads best: under 2 s in ms, under 2 min in s, under 2 h in min.
TimeUnit unitFor(double span) {
    if (span < 2.0) return {"ms", 0.001};
    if (span < 120.0) return {"s", 1.0};
    if (span < 7200.0) return {"min", 60.0};
    return {"h", 3600.0};
}

struct Point {
    double x, y;  // y NaN: the reading had no value
};

// A channel's readings in its colour: a line for each run of values, broken where a
// reading has no value, and a run of one reading drawn as a point.
void drawTrace(std::string& s, const std::vector<Point>& at, int channel) {
    const std::string colour = colourOf(channel);
    const std::string cls = "trace ch" + std::to_string(channel);
    std::size_t begin = 0;
    while (begin < at.size()) {
        std::size_t end = begin;
        while (end < at.size() && !std::isnan(at[end].y)) ++end;
        if (end == begin + 1) {
            s += "<circle class=\"" + cls + "\" cx=\"" + num(at[begin].x) + "\" cy=\"" + num(at[begin].y);
            s += "\" r=\"3\" fill=\"" + colour + "\"/>\n";
        } else if (end > begin + 1) {
            s += "<polyline class=\"" + cls;
            s += "\" fill=\"none\" stroke-width=\"1.5\" stroke=\"" + colour;
            s += "\" points=\"";
            for (std::size_t i = begin; i < end; ++i) {
                if (i != begin) s += ' ';
                s += num(at[i].x);
                s += ',';
                s += num(at[i].y);
            }
            s += "\"/>\n";
        }
        begin = end + 1;
    }
}

// Where a chart's parts go: the plot area from the volts axis to the legend, right of
// it the legend as wide as the longest name, and the time span the plot area shows.
struct Layout {
    double legendX, legendW;
    double plotW, plotH;
    double span;  // seconds, from the start of the capture to its last reading

    double x(double t) const { return kLeft + std::clamp(t / span, 0.0, 1.0) * plotW; }
    double y(double v) const { return kTop + (1.0 - std::clamp(v, 0.0, kFullScale) / kFullScale) * plotH; }
};

Layout layoutOf(const std::vector<double>& seconds, const std::vector<Series>& series) {
    std::size_t longest = 0;
    for (const Series& s : series) longest = std::max(longest, textColumns(s.name));
    Layout at{};
    at.legendW = 48 + kCharWidth * static_cast<double>(longest);
    at.legendX = kWidth - kGap - at.legendW;
    at.plotW = at.legendX - kGap - kLeft;
    at.plotH = kHeight - kTop - kBottom;
    // A lone reading on an axis of 1 s.
    at.span = seconds.size() > 1 && seconds.back() > 0 ? seconds.back() : 1.0;
    return at;
}

// A grid line and a label a volt; the time axis with a tick, a faint grid line and a
// label at each round value; the plot area's frame.
void drawAxes(std::string& s, const Layout& at) {
    for (int v = 0; v <= 5; ++v) {
        s += "<line x1=\"" + num(kLeft) + "\" y1=\"" + num(at.y(v)) + "\" x2=\"" + num(kLeft + at.plotW) +
             "\" y2=\"" + num(at.y(v)) + "\" stroke=\"#ddd\"/>\n";
        s += "<text x=\"" + num(kLeft - 8) + "\" y=\"" + num(at.y(v) + 4) + "\" text-anchor=\"end\">" +
             std::to_string(v) + " V</text>\n";
    }
    const TimeUnit unit = unitFor(at.span);
    const double bottom = kTop + at.plotH;
    s += "<g id=\"time-axis\">\n";
    for (const double t : ticks(at.span / unit.seconds, 8)) {
        const double x = at.x(t * unit.seconds);
        s += "<line x1=\"" + num(x) + "\" y1=\"" + num(kTop) + "\" x2=\"" + num(x) + "\" y2=\"" +
             num(bottom) + "\" stroke=\"#eee\"/>\n";
        s += "<line class=\"tick\" x1=\"" + num(x) + "\" y1=\"" + num(bottom) + "\" x2=\"" + num(x) +
             "\" y2=\"" + num(bottom + 5) + "\" stroke=\"#444\"/>\n";
        s += "<text class=\"tick-label\" x=\"" + num(x) + "\" y=\"" + num(bottom + 18) +
             "\" text-anchor=\"middle\">" + label(t) + "</text>\n";
    }
    s += "<text x=\"" + num(kLeft + at.plotW / 2) + "\" y=\"" + num(kHeight - 12) +
         "\" text-anchor=\"middle\">time (" + unit.name + ")</text>\n</g>\n";
    s += "<rect x=\"" + num(kLeft) + "\" y=\"" + num(kTop) + "\" width=\"" + num(at.plotW) + "\" height=\"" +
         num(at.plotH) + "\" fill=\"none\" stroke=\"#444\"/>\n";
}

// The channel the chart's series `c` is of: its colour and its class.
int channelAt(const std::vector<int>& channels, std::size_t c) {
    return c < channels.size() ? channels[c] : static_cast<int>(c);
}

void drawTraces(std::string& s, const Layout& at, const std::vector<int>& channels,
                const std::vector<double>& seconds, const std::vector<Series>& series) {
    for (std::size_t c = 0; c < series.size(); ++c) {
        std::vector<Point> points;
        for (std::size_t i = 0; i < series[c].volts.size() && i < seconds.size(); ++i)
            points.push_back(
                {at.x(seconds[i]), std::isnan(series[c].volts[i]) ? NAN : at.y(series[c].volts[i])});
        drawTrace(s, points, channelAt(channels, c));
    }
}

// The legend, boxed, beside the plot area where no trace can run through it.
void drawLegend(std::string& s, const Layout& at, const std::vector<int>& channels,
                const std::vector<Series>& series) {
    const double legendH = 12 + 20 * static_cast<double>(series.size());
    s += "<g id=\"legend\">\n<rect x=\"" + num(at.legendX) + "\" y=\"" + num(kTop) + "\" width=\"" +
         num(at.legendW) + "\" height=\"" + num(legendH) + "\" fill=\"white\" stroke=\"#444\"/>\n";
    for (std::size_t c = 0; c < series.size(); ++c) {
        const char* colour = colourOf(channelAt(channels, c));
        const double ly = kTop + 16 + 20 * static_cast<double>(c);
        s += "<line x1=\"" + num(at.legendX + 10) + "\" y1=\"" + num(ly) + "\" x2=\"" + num(at.legendX + 34) +
             "\" y2=\"" + num(ly) + "\" stroke-width=\"3\" stroke=\"" + colour + "\"/>\n";
        s += "<text x=\"" + num(at.legendX + 40) + "\" y=\"" + num(ly + 4) + "\">" + escaped(series[c].name) +
             "</text>\n";
    }
    s += "</g>\n";
}

}  // namespace

PlotSeries::PlotSeries(std::vector<std::string> names, std::size_t maxPoints) : maxPoints_(maxPoints) {
    for (std::string& n : names) series_.push_back({std::move(n), {}});
}

void PlotSeries::add(double seconds, const std::vector<double>& volts) {
    if (added_++ % stride_ != 0) return;
    seconds_.push_back(seconds);
    for (std::size_t k = 0; k < series_.size() && k < volts.size(); ++k) series_[k].volts.push_back(volts[k]);
    if (seconds_.size() <= maxPoints_) return;
    auto halve = [](std::vector<double>& v) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < v.size(); i += 2) v[kept++] = v[i];
        v.resize(kept);
    };
    halve(seconds_);
    for (Series& s : series_) halve(s.volts);
    stride_ *= 2;
}

std::vector<double> ticks(double span, int most) {
    std::vector<double> out;
    if (!(span > 0) || most < 1) return {0.0};
    const double rough = span / most;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = 10 * power;
    for (double m : {1.0, 2.0, 5.0}) {
        if (m * power >= rough) {
            step = m * power;
            break;
        }
    }
    for (long k = 0; static_cast<double>(k) * step <= span * (1 + 1e-9); ++k)
        out.push_back(static_cast<double>(k) * step);
    return out;
}

std::string svgPlot(const std::string& title, const std::string& caption, const std::vector<int>& channels,
                    const std::vector<double>& seconds, const std::vector<Series>& series) {
    const Layout at = layoutOf(seconds, series);
    std::string s =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
        num(kWidth) + "\" height=\"" + num(kHeight) +
        "\" font-family=\"sans-serif\" font-size=\"12\">\n"
        "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    s += "<text id=\"title\" x=\"" + num(kLeft) + "\" y=\"22\" font-size=\"15\">" + escaped(title) +
         "</text>\n";
    s += "<text id=\"caption\" x=\"" + num(kLeft) + "\" y=\"42\" font-size=\"11\" fill=\"#555\">" +
         escaped(caption) + "</text>\n";
    drawAxes(s, at);
    drawTraces(s, at, channels, seconds, series);
    drawLegend(s, at, channels, series);
    return s + "</svg>\n";
}

}  // namespace kolmctl
