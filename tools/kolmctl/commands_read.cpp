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
        } else if (!a.empty() && a[0] == '-' && a.size() > 1 &&
                   !std::isdigit(static_cast<unsigned char>(a[1]))) {
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
    double seconds = 0.0;
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

namespace {

// What one read command needs at every reading.
struct Session {
    const Plugin& plugin;
    const Options& options;
    Context& cx;
    const Listed* ea;   // counts (and volts from them), unless only volts are shown
    const Listed* ead;  // volts straight from the plug-in
    std::vector<std::string> names;
    long count;
    bool live;
};

Reading takeReading(const Session& s, double seconds) {
    Reading r{seconds, {}, {}};
    for (std::int32_t ch : s.options.channels) {
        if (s.ead != nullptr) {
            const double v = callDouble(*s.ead, {intArg(ch)});
            if (v == kNoValueDouble) noPortAccess(s.plugin);
            r.volts.push_back(v);
        } else {
            const std::int32_t c = callInt(*s.ea, {intArg(ch)});
            if (c == kNoValue) noPortAccess(s.plugin);
            r.counts.push_back(c);
            r.volts.push_back(c * kVoltsPerCount);
        }
    }
    return r;
}

void printCsvHeader(const Session& s) {
    s.cx.out << "time_s";
    for (std::int32_t ch : s.options.channels) {
        if (s.options.show != Show::Volts) s.cx.out << ",ch" << ch << "_counts";
        if (s.options.show != Show::Counts) s.cx.out << ",ch" << ch << "_volts";
    }
    s.cx.out << "\n";
}

void printCsv(const Session& s, const Reading& r) {
    s.cx.out << fixed(r.seconds, 3);
    for (std::size_t k = 0; k < s.options.channels.size(); ++k) {
        if (s.options.show != Show::Volts) s.cx.out << "," << r.counts[k];
        if (s.options.show != Show::Counts) s.cx.out << "," << fixed(r.volts[k], 4);
    }
    s.cx.out << "\n";
}

void drawLive(const Session& s, LiveView& view, const Reading& r, long index) {
    std::vector<Gauge> gauges;
    for (std::size_t k = 0; k < s.options.channels.size(); ++k) {
        std::string value;
        if (s.options.show != Show::Volts) value += padLeft(std::to_string(r.counts[k]), 4);
        if (s.options.show != Show::Counts) {
            if (!value.empty()) value += "  ";
            value += fixed(r.volts[k], 3);
            value += " V";
        }
        gauges.push_back({s.names[k], value, r.volts[k] / kFullScaleVolts});
    }
    std::string heading = "reading " + std::to_string(index + 1);
    if (s.count != 0) heading += " of " + std::to_string(s.count);
    heading += ", " + fixed(r.seconds, 1) + " s";
    if (s.count == 0) heading += "  (Ctrl-C stops)";
    view.draw(heading, gauges);
}

void printPlain(const Session& s, const Reading& r) {
    s.cx.out << fixed(r.seconds, 3) << " s";
    for (std::size_t k = 0; k < s.options.channels.size(); ++k) {
        s.cx.out << "  " << s.names[k] << ": ";
        switch (s.options.show) {
        case Show::Both: s.cx.out << r.counts[k] << " (" << fixed(r.volts[k], 3) << " V)"; break;
        case Show::Counts: s.cx.out << r.counts[k]; break;
        case Show::Volts: s.cx.out << fixed(r.volts[k], 3) << " V"; break;
        }
    }
    s.cx.out << "\n";
}

std::vector<Reading> readUntilDone(const Session& s) {
    LiveView view(s.cx.out);
    std::vector<Reading> readings;
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; (s.count == 0 || i < s.count) && interrupted == 0; ++i) {
        if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(s.options.intervalMs));
        if (interrupted != 0) break;
        Reading r =
            takeReading(s, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (s.options.csv) printCsv(s, r);
        else if (s.live) drawLive(s, view, r, i);
        else printPlain(s, r);
        s.cx.out.flush();
        readings.push_back(std::move(r));
    }
    return readings;
}

void writePlot(const Session& s, const std::vector<Reading>& readings) {
    std::vector<double> seconds;
    std::vector<Series> series(s.options.channels.size());
    for (std::size_t k = 0; k < series.size(); ++k) series[k].name = s.names[k];
    for (const Reading& r : readings) {
        seconds.push_back(r.seconds);
        for (std::size_t k = 0; k < series.size(); ++k) series[k].volts.push_back(r.volts[k]);
    }
    std::ofstream file(s.options.plot, std::ios::binary);
    file << svgPlot(titleText(s.plugin, "titre"), seconds, series);
    if (!file.flush()) throw CommandError{kOutputFailed, "cannot write " + s.options.plot};
    s.cx.err << "kolmctl: " << readings.size() << " readings plotted in " << s.options.plot << "\n";
}

}  // namespace

int cmdRead(const Plugin& p, const Args& args, Context& cx) {
    const Options o = parse(args);
    const bool live = cx.terminal && !o.csv;
    const bool voltsOnly = o.show == Show::Volts;
    Session s{p,
              o,
              cx,
              voltsOnly ? nullptr : &require(p, "EA", {Type::Int}),
              voltsOnly ? &require(p, "EAD", {Type::Int}) : nullptr,
              {},
              o.count >= 0 ? o.count : (live ? 0 : 1),
              live};
    for (std::int32_t ch : o.channels) {
        std::string n = nameText(p, voltsOnly ? "NEAD" : "NEA", ch);
        s.names.push_back(n.empty() ? "channel " + std::to_string(ch) : n);
    }
    if (o.csv) printCsvHeader(s);

    interrupted = 0;
    auto previous = std::signal(SIGINT, onInterrupt);
    std::vector<Reading> readings;
    try {
        readings = readUntilDone(s);
    } catch (...) {
        std::signal(SIGINT, previous);
        throw;
    }
    std::signal(SIGINT, previous);

    if (!o.plot.empty()) writePlot(s, readings);
    return kOk;
}

}  // namespace kolmctl
