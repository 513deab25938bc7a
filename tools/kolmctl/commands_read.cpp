// read: one or many readings of the analog channels, as plain lines, CSV, a live
// view on a terminal, and optionally an SVG chart.
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <thread>

#include "commands.h"
#include "live_view.h"
#include "svg_plot.h"

namespace kolmctl {

namespace {

constexpr double kVoltsPerCount = 5.0 / 1024.0;  // 10 bits over 5 V, as the plug-in scales
constexpr double kFullScaleVolts = 5.0;

enum class Show { Both, Counts, Volts };

struct Options {
    std::vector<std::int32_t> channels;
    long count = -1;  // -1: the default; 0: until interrupted
    long intervalMs = 500;
    Show show = Show::Both;
    bool csv = false;
    std::string plot;
};

volatile std::sig_atomic_t interrupted = 0;
extern "C" void onInterrupt(int) { interrupted = 1; }

Options parse(const Args& args) {
    Options o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](const char* what) -> const std::string& {
            if (i + 1 >= args.size()) throw CommandError{kUsage, a + " needs " + what};
            return args[++i];
        };
        if (a == "--count") {
            o.count = parseInt(value("a number"), "--count");
            if (o.count < 0) throw CommandError{kUsage, "--count must be 0 (until Ctrl-C) or more"};
        } else if (a == "--interval") {
            o.intervalMs = parseInt(value("milliseconds"), "--interval");
            if (o.intervalMs < 0) throw CommandError{kUsage, "--interval cannot be negative"};
        } else if (a == "--counts") {
            o.show = Show::Counts;
        } else if (a == "--volts") {
            o.show = Show::Volts;
        } else if (a == "--csv") {
            o.csv = true;
        } else if (a == "--plot") {
            o.plot = value("a file name");
        } else if (!a.empty() && a[0] == '-' && a.size() > 1 && !std::isdigit(static_cast<unsigned char>(a[1]))) {
            throw CommandError{kUsage, "unknown option " + a};
        } else {
            const std::int32_t ch = parseInt(a, "a channel");
            if (ch != 0 && ch != 1)
                throw CommandError{kOutOfRange, "channel " + a +
                                                    " is out of range: the interface reads channels 0 and 1 "
                                                    "(use restore and reinit for the port actions)"};
            o.channels.push_back(ch);
        }
    }
    if (o.channels.empty()) o.channels = {0, 1};
    return o;
}

struct Reading {
    double seconds;
    std::vector<std::int32_t> counts;  // empty when shown in volts only
    std::vector<double> volts;
};

std::string fixed(double v, int decimals) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

std::string padLeft(const std::string& s, std::size_t width) {
    return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

}  // namespace

int cmdRead(const Plugin& p, const Args& args, Context& cx) {
    const Options o = parse(args);
    const bool live = cx.terminal && !o.csv;
    const long count = o.count >= 0 ? o.count : (live ? 0 : 1);
    const Listed* ea = o.show == Show::Volts ? nullptr : &require(p, "EA", {Type::Int});
    const Listed* ead = o.show == Show::Volts ? &require(p, "EAD", {Type::Int}) : nullptr;
    std::vector<std::string> names;
    for (std::int32_t ch : o.channels) {
        std::string n = nameText(p, o.show == Show::Volts ? "NEAD" : "NEA", ch);
        names.push_back(n.empty() ? "channel " + std::to_string(ch) : n);
    }

    if (o.csv) {
        cx.out << "time_s";
        for (std::int32_t ch : o.channels) {
            if (o.show != Show::Volts) cx.out << ",ch" << ch << "_counts";
            if (o.show != Show::Counts) cx.out << ",ch" << ch << "_volts";
        }
        cx.out << "\n";
    }

    interrupted = 0;
    auto previous = std::signal(SIGINT, onInterrupt);
    LiveView view(cx.out);
    std::vector<Reading> readings;
    const auto start = std::chrono::steady_clock::now();
    try {
        for (long i = 0; (count == 0 || i < count) && !interrupted; ++i) {
            if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(o.intervalMs));
            if (interrupted) break;
            Reading r;
            r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            for (std::int32_t ch : o.channels) {
                if (ead) {
                    const double v = callDouble(*ead, {intArg(ch)});
                    if (v == kNoValueDouble) noPortAccess(p);
                    r.volts.push_back(v);
                } else {
                    const std::int32_t c = callInt(*ea, {intArg(ch)});
                    if (c == kNoValue) noPortAccess(p);
                    r.counts.push_back(c);
                    r.volts.push_back(c * kVoltsPerCount);
                }
            }
            if (o.csv) {
                cx.out << fixed(r.seconds, 3);
                for (std::size_t k = 0; k < o.channels.size(); ++k) {
                    if (o.show != Show::Volts) cx.out << "," << r.counts[k];
                    if (o.show != Show::Counts) cx.out << "," << fixed(r.volts[k], 4);
                }
                cx.out << "\n";
            } else if (live) {
                std::vector<Gauge> gauges;
                for (std::size_t k = 0; k < o.channels.size(); ++k) {
                    std::string value;
                    if (o.show != Show::Volts) value += padLeft(std::to_string(r.counts[k]), 4);
                    if (o.show != Show::Counts) value += (value.empty() ? "" : "  ") + fixed(r.volts[k], 3) + " V";
                    gauges.push_back({names[k], value, r.volts[k] / kFullScaleVolts});
                }
                view.draw("reading " + std::to_string(i + 1) + (count ? " of " + std::to_string(count) : "") + ", " +
                              fixed(r.seconds, 1) + " s" + (count ? "" : "  (Ctrl-C stops)"),
                          gauges);
            } else {
                cx.out << fixed(r.seconds, 3) << " s";
                for (std::size_t k = 0; k < o.channels.size(); ++k) {
                    cx.out << "  " << names[k] << ": ";
                    if (o.show == Show::Both) cx.out << r.counts[k] << " (" << fixed(r.volts[k], 3) << " V)";
                    if (o.show == Show::Counts) cx.out << r.counts[k];
                    if (o.show == Show::Volts) cx.out << fixed(r.volts[k], 3) << " V";
                }
                cx.out << "\n";
            }
            cx.out.flush();
            readings.push_back(std::move(r));
        }
    } catch (...) {
        std::signal(SIGINT, previous);
        throw;
    }
    std::signal(SIGINT, previous);

    if (!o.plot.empty()) {
        std::vector<double> seconds;
        std::vector<Series> series(o.channels.size());
        for (std::size_t k = 0; k < o.channels.size(); ++k) series[k].name = names[k];
        for (const Reading& r : readings) {
            seconds.push_back(r.seconds);
            for (std::size_t k = 0; k < o.channels.size(); ++k) series[k].volts.push_back(r.volts[k]);
        }
        std::ofstream file(o.plot, std::ios::binary);
        file << svgPlot(titleText(p, "titre"), seconds, series);
        if (!file.flush()) throw CommandError{kOutputFailed, "cannot write " + o.plot};
        cx.err << "kolmctl: " << readings.size() << " readings plotted in " << o.plot << "\n";
    }
    return kOk;
}

}  // namespace kolmctl
