#include "svg_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kolmctl {

namespace {

constexpr double kWidth = 800, kHeight = 420;
constexpr double kLeft = 60, kRight = 20, kTop = 40, kBottom = 50;
constexpr double kFullScale = 5.0;  // volts
const char* const kColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#9467bd"};

std::string num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
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

std::string svgPlot(const std::string& title, const std::vector<double>& seconds,
                    const std::vector<Series>& series) {
    const double plotW = kWidth - kLeft - kRight, plotH = kHeight - kTop - kBottom;
    const double span = seconds.size() > 1 ? std::max(seconds.back() - seconds.front(), 1e-9) : 1.0;
    const double t0 = seconds.empty() ? 0.0 : seconds.front();
    auto x = [&](double t) { return kLeft + (t - t0) / span * plotW; };
    auto y = [&](double v) { return kTop + (1.0 - std::clamp(v, 0.0, kFullScale) / kFullScale) * plotH; };

    std::string s =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
        num(kWidth) + "\" height=\"" + num(kHeight) +
        "\" font-family=\"sans-serif\" font-size=\"12\">\n"
        "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    s += "<text x=\"" + num(kLeft) + "\" y=\"24\" font-size=\"15\">" + escaped(title) + "</text>\n";
    for (int v = 0; v <= 5; ++v) {  // a grid line a volt
        s += "<line x1=\"" + num(kLeft) + "\" y1=\"" + num(y(v)) + "\" x2=\"" + num(kLeft + plotW) +
             "\" y2=\"" + num(y(v)) + "\" stroke=\"#ddd\"/>\n";
        s += "<text x=\"" + num(kLeft - 8) + "\" y=\"" + num(y(v) + 4) + "\" text-anchor=\"end\">" +
             std::to_string(v) + " V</text>\n";
    }
    s += "<rect x=\"" + num(kLeft) + "\" y=\"" + num(kTop) + "\" width=\"" + num(plotW) + "\" height=\"" +
         num(plotH) + "\" fill=\"none\" stroke=\"#444\"/>\n";
    s += "<text x=\"" + num(kLeft) + "\" y=\"" + num(kHeight - 18) + "\">0 s</text>\n";
    s += "<text x=\"" + num(kLeft + plotW) + "\" y=\"" + num(kHeight - 18) + "\" text-anchor=\"end\">" +
         num(span) + " s</text>\n";
    s += "<text x=\"" + num(kLeft + plotW / 2) + "\" y=\"" + num(kHeight - 18) +
         "\" text-anchor=\"middle\">time</text>\n";
    for (std::size_t c = 0; c < series.size(); ++c) {
        const char* colour = kColours[c % 4];
        // One line for each run of values; a reading without a value (NaN) breaks it.
        std::string points;
        const auto line = [&] {
            if (!points.empty())
                s += "<polyline fill=\"none\" stroke-width=\"1.5\" stroke=\"" + std::string(colour) +
                     "\" points=\"" + points + "\"/>\n";
            points.clear();
        };
        for (std::size_t i = 0; i < series[c].volts.size() && i < seconds.size(); ++i) {
            if (std::isnan(series[c].volts[i])) line();
            else
                points += (points.empty() ? "" : " ") + num(x(seconds[i])) + "," + num(y(series[c].volts[i]));
        }
        line();
        const double ly = kTop + 16 + 16 * static_cast<double>(c);
        s += "<text x=\"" + num(kLeft + plotW - 8) + "\" y=\"" + num(ly) + "\" text-anchor=\"end\" fill=\"" +
             colour + "\">" + escaped(series[c].name) + "</text>\n";
    }
    return s + "</svg>\n";
}

}  // namespace kolmctl
