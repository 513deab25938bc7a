// read: one or many readings of the analog channels, as plain lines, CSV, a live
// view on a terminal, and optionally an SVG chart.
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <thread>

#include "commands.h"
#include "interrupts.h"
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

Options parse(const Args& args) {
    Options o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](const char* what) -> const std::string& {
            if (i + 1 >= args.size()) throw Error{kUsage, a + " needs " + what};
            return args[++i];
        };
        if (a == "--count") {
            o.count = parseInt(value("a number"), "--count");
            if (o.count < 0) throw Error{kUsage, "--count must be 0 (until Ctrl-C) or more"};
        } else if (a == "--interval") {
            o.intervalMs = parseInt(value("milliseconds"), "--interval");
            if (o.intervalMs < 0) throw Error{kUsage, "--interval cannot be negative"};
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
            throw Error{kUsage, "unknown option " + a};
        } else {
            const std::int32_t ch = parseInt(a, "a channel");
            if (ch != 0 && ch != 1)
                throw Error{kOutOfRange, "channel " + a +
                                             " is out of range: the interface reads channels 0 and 1 "
                                             "(use restore and reinit for the port actions)"};
            o.channels.push_back(ch);
        }
    }
    if (o.channels.empty()) o.channels = {0, 1};
    return o;
}

constexpr std::size_t kPlotPoints = 4096;   // a chart is 720 pixels wide; more points show nothing
constexpr double kFlushSeconds = 0.1;       // back-to-back readings reach a pipe this often
constexpr long kSleepSliceMs = 100;         // Ctrl-C is looked at this often while waiting
constexpr long kReadingsPerExchange = 256;  // back-to-back readings asked of the plug-in at once

constexpr std::int32_t kMaxCount = 1023;

struct Sample {
    std::int32_t count = 0;
    double volts = 0.0;
    bool valid = true;  // a count of 0 to 1023 and finite volts: a reading the interface can give
    bool gap = false;   // the plug-in answered "no value": the port did not answer this reading
};

// Formats into `out` without allocating once `out` has grown to a line's size.
void appendFixed(std::string& out, double v, int decimals) {
    char buf[48];
    const int n = std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    out.append(buf, static_cast<std::size_t>(std::max(n, 0)));
}

void appendInt(std::string& out, std::int32_t v) {
    char buf[16];
    const int n = std::snprintf(buf, sizeof buf, "%d", static_cast<int>(v));
    out.append(buf, static_cast<std::size_t>(std::max(n, 0)));
}

std::string fixed(double v, int decimals) {
    std::string s;
    appendFixed(s, v, decimals);
    return s;
}

std::string padLeft(const std::string& s, std::size_t width) {
    return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

}  // namespace

namespace {

// What one read command needs at every reading.
struct Capture {
    Plugin& plugin;
    const Options& options;
    Context& cx;
    bool countsShown;         // counts through EA (volts scaled from them); otherwise volts through EAD
    std::vector<Call> calls;  // a call a channel, for as many readings as one exchange takes
    std::vector<std::string> names;
    long count;
    bool live;
    std::string line;  // reused for every line written
    long invalid = 0;
    long gaps = 0;   // readings with a channel that had no value
    long taken = 0;  // readings shown so far
};

// The next `n` readings in one exchange: an answer a channel, reading after reading.
void takeReadings(const Capture& s, std::size_t n, std::vector<Answer>& answers) {
    const std::size_t channels = s.options.channels.size();
    std::vector<Call> calls(s.calls.begin(), s.calls.begin() + static_cast<std::ptrdiff_t>(n * channels));
    answers = s.plugin.callAll(calls);
}

// One reading's values. A value the port did not give is a gap; but where the port
// has not answered once yet in this load, there is nothing to capture: no port.
void sample(const Capture& s, const Answer* answers, std::vector<Sample>& values) {
    bool answered = false;
    for (std::size_t k = 0; k < values.size(); ++k) {
        Sample& v = values[k];
        if (!s.countsShown) {
            v.volts = answers[k].result.value.d;
            v.gap = v.volts == kNoValueDouble;
            v.valid = v.gap || std::isfinite(v.volts);
        } else {
            v.count = answers[k].result.value.i;
            v.gap = v.count == kNoValue;
            v.volts = v.count * kVoltsPerCount;
            v.valid = v.gap || (v.count >= 0 && v.count <= kMaxCount);
        }
        answered = answered || !v.gap;
    }
    if (!answered && !s.cx.box.reached) noPortAccess(s.plugin);
    s.cx.box.reached = s.cx.box.reached || answered;
}

void printCsvHeader(Capture& s) {
    s.line = "time_s";
    for (std::int32_t ch : s.options.channels) {
        if (s.options.show != Show::Volts) s.line += ",ch" + std::to_string(ch) + "_counts";
        if (s.options.show != Show::Counts) s.line += ",ch" + std::to_string(ch) + "_volts";
    }
    s.line += "\n";
    s.cx.out << s.line;
}

// A value the interface cannot give is written as "invalid(<what came>)", never as a number.
void appendCsvCount(std::string& out, const Sample& v) {
    if (!v.valid) out += "invalid(";
    appendInt(out, v.count);
    if (!v.valid) out += ")";
}

void appendCsvVolts(std::string& out, const Sample& v, bool counts) {
    if (v.valid) return appendFixed(out, v.volts, 4);
    out += "invalid(";
    if (counts) appendInt(out, v.count);
    else appendFixed(out, v.volts, 4);
    out += ")";
}

// A gap is an empty cell: a spreadsheet leaves it out of sums and charts.
void printCsv(Capture& s, double seconds, const std::vector<Sample>& values) {
    std::string& l = s.line;
    l.clear();
    appendFixed(l, seconds, 3);
    for (const Sample& v : values) {
        if (s.options.show != Show::Volts) l += ",";
        if (s.options.show != Show::Volts && !v.gap) appendCsvCount(l, v);
        if (s.options.show != Show::Counts) l += ",";
        if (s.options.show != Show::Counts && !v.gap) appendCsvVolts(l, v, s.countsShown);
    }
    l += "\n";
    s.cx.out.write(l.data(), static_cast<std::streamsize>(l.size()));
}

std::string shownVolts(const Sample& v, int decimals) { return fixed(v.volts, decimals) + " V"; }

void drawLive(const Capture& s, LiveView& view, double seconds, const std::vector<Sample>& values,
              long index) {
    std::vector<Gauge> gauges;
    for (std::size_t k = 0; k < values.size(); ++k) {
        const Sample& v = values[k];
        std::string value;
        if (v.gap) {
            gauges.push_back({s.names[k], "no value", 0.0});
            continue;
        }
        if (s.options.show != Show::Volts) value += padLeft(std::to_string(v.count), 4);
        if (s.options.show != Show::Counts && (v.valid || !s.countsShown)) {
            if (!value.empty()) value += "  ";
            value += shownVolts(v, 3);
        }
        if (!v.valid) value += "  INVALID";
        gauges.push_back({s.names[k], value, v.valid ? v.volts / kFullScaleVolts : 0.0});
    }
    std::string heading = "reading " + std::to_string(index + 1);
    if (s.count != 0) heading += " of " + std::to_string(s.count);
    heading += ", " + fixed(seconds, 1) + " s";
    if (s.count == 0) heading += "  (Ctrl-C stops)";
    view.draw(heading, gauges);
}

void printPlain(Capture& s, double seconds, const std::vector<Sample>& values) {
    std::string& l = s.line;
    l.clear();
    appendFixed(l, seconds, 3);
    l += " s";
    for (std::size_t k = 0; k < values.size(); ++k) {
        const Sample& v = values[k];
        l += "  " + s.names[k] + ": ";
        if (v.gap) {
            l += "no value";
            continue;
        }
        switch (s.options.show) {
        case Show::Both:
            appendInt(l, v.count);
            if (v.valid) l += " (" + shownVolts(v, 3) + ")";
            break;
        case Show::Counts: appendInt(l, v.count); break;
        case Show::Volts: l += shownVolts(v, 3); break;
        }
        if (!v.valid)
            l += s.countsShown ? " (invalid: not a count from 0 to 1023)" : " (invalid: not a number)";
    }
    l += "\n";
    s.cx.out.write(l.data(), static_cast<std::streamsize>(l.size()));
}

// Waits between readings, looking at Ctrl-C so that it stops the tool at once.
void pause(long ms) {
    for (long left = ms; left > 0 && !interrupted(); left -= kSleepSliceMs)
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(left, kSleepSliceMs)));
}

void show(Capture& s, LiveView& view, double seconds, const std::vector<Sample>& values, long index,
          PlotSeries* plot, std::vector<double>& volts) {
    if (s.options.csv) printCsv(s, seconds, values);
    else if (s.live) drawLive(s, view, seconds, values, index);
    else printPlain(s, seconds, values);
    bool allValid = true;
    bool gap = false;
    for (std::size_t k = 0; k < values.size(); ++k) {
        allValid = allValid && values[k].valid;
        gap = gap || values[k].gap;
        // A gap breaks the channel's line in the chart.
        volts[k] = values[k].gap ? std::nan("") : values[k].volts;
    }
    ++s.taken;
    if (gap) ++s.gaps;
    if (!allValid) ++s.invalid;
    else if (plot != nullptr) plot->add(seconds, volts);
}

// Readings are written as they come and kept only as the chart's bounded series.
// Back-to-back readings (no interval) are taken many to an exchange with the
// plug-in's side, each stamped with the time its call returned.
void readUntilDone(Capture& s, PlotSeries* plot) {
    LiveView view(s.cx.out);
    const std::size_t channels = s.options.channels.size();
    std::vector<Sample> values(channels);
    std::vector<double> volts(channels);
    std::vector<Answer> answers;
    const double start = steadySeconds();
    double flushed = 0.0;
    for (long i = 0; (s.count == 0 || i < s.count) && !interrupted();) {
        if (i > 0) pause(s.options.intervalMs);
        if (interrupted()) break;
        long n = s.options.intervalMs == 0 ? kReadingsPerExchange : 1;
        if (s.count != 0) n = std::min(n, s.count - i);
        takeReadings(s, static_cast<std::size_t>(n), answers);
        for (long r = 0; r < n; ++r, ++i) {
            const Answer* reading = &answers[static_cast<std::size_t>(r) * channels];
            sample(s, reading, values);
            show(s, view, reading[0].at - start, values, i, plot, volts);
        }
        // Each reading reaches a pipe as it is taken, unless they come back to back.
        const double now = steadySeconds() - start;
        if (s.options.intervalMs > 0 || now - flushed >= kFlushSeconds) {
            checkOutput(s.cx.out, "the output");
            flushed = now;
        }
        if (!s.cx.out) checkOutput(s.cx.out, "the output");
    }
}

// The --plot chart: its file opened before the first reading, so that a path that
// cannot be written fails at once with the system's reason; its points kept as the
// capture goes; written once, from what was read, however the capture ended.
class Chart {
public:
    Chart(const Capture& s, Plugin& p) {
        if (s.options.plot.empty()) return;
        path_ = s.options.plot;
        errno = 0;
        file_.open(path_, std::ios::binary);
        if (!file_)
            throw Error{kOutputFailed, "cannot write " + path_ +
                                           (errno != 0 ? std::string(": ") + std::strerror(errno) : "")};
        series_.emplace(s.names, kPlotPoints);
        // Asked before the readings: after Ctrl-C the plug-in is not called again.
        title_ = titleText(p, "titre");
    }
    PlotSeries* series() { return series_ ? &*series_ : nullptr; }

    void write(const Capture& s) {
        if (!series_ || written_ || (interrupted() && s.taken == 0)) return;
        written_ = true;
        file_ << svgPlot(title_, series_->seconds(), series_->series());
        file_.close();
        if (!file_) throw Error{kOutputFailed, "cannot write " + path_};
        std::string said = std::to_string(series_->added()) + " readings plotted in " + path_;
        if (static_cast<std::size_t>(series_->added()) > series_->seconds().size())
            said += " (" + std::to_string(series_->seconds().size()) + " points, evenly spaced)";
        remark(s.cx.err, said);
    }

private:
    std::string path_;
    std::ofstream file_;
    std::optional<PlotSeries> series_;
    std::string title_;
    bool written_ = false;
};

// What the capture ends with: how far a stopped one got, the readings without a
// value, and the exit code that says so.
int finish(const Capture& s) {
    Context& cx = s.cx;
    if (s.invalid > 0)
        remark(cx.err, std::to_string(s.invalid) +
                           " readings held a value the interface cannot give (marked invalid)");
    if (interrupted()) {
        cx.out.flush();
        remark(cx.err, "stopped by " + interruptName() + " after " + std::to_string(s.taken) +
                           (s.count != 0 ? " of " + std::to_string(s.count) : std::string()) + " readings");
        return interruptedExit();
    }
    if (s.gaps == 0) return kOk;
    remark(cx.err, std::to_string(s.gaps) + " of " + std::to_string(s.taken) +
                       " readings had no value where the port did not answer (left empty)");
    return kNoPortAccess;
}

}  // namespace

int cmdRead(Plugin& p, const Args& args, Context& cx) {
    const Options o = parse(args);
    const bool live = cx.terminal && !o.csv;
    const bool voltsOnly = o.show == Show::Volts;
    const Listed& entry = voltsOnly ? require(p, "EAD", {Type::Int}) : require(p, "EA", {Type::Int});
    if (entry.sig->result != (voltsOnly ? Type::Double : Type::Int))
        throw Error{kNotListed, describe(*entry.sig) +
                                    (voltsOnly ? " does not answer a double" : " does not answer an int")};
    Capture s{p, o, cx, !voltsOnly, {}, {}, o.count >= 0 ? o.count : (live ? 0 : 1), live, {}, 0};
    for (long r = 0; r < kReadingsPerExchange; ++r)
        for (std::int32_t ch : o.channels) s.calls.push_back(Plugin::callOf(entry, {intArg(ch)}));
    for (std::int32_t ch : o.channels) {
        std::string n = nameText(p, voltsOnly ? "NEAD" : "NEA", ch);
        s.names.push_back(n.empty() ? "channel " + std::to_string(ch) : n);
    }
    if (o.csv) printCsvHeader(s);

    Chart chart(s, p);
    // A stop by a signal, or an output that fails, still leaves the chart of what was read.
    try {
        readUntilDone(s, chart.series());
        if (!interrupted()) checkOutput(cx.out, "the output");
    } catch (const Error& e) {
        if (interrupted() || e.code == kOutputFailed) chart.write(s);
        if (!interrupted()) throw;
    }
    chart.write(s);
    return finish(s);
}

}  // namespace kolmctl
