// read: one or many readings of the analog channels, as plain lines, CSV, a live
// view on a terminal, and optionally an SVG chart.
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "capture_text.h"
#include "commands.h"
#include "console.h"
#include "interrupts.h"
#include "kolm_version.h"
#include "live_view.h"
#include "options.h"
#include "replaced_file.h"
#include "schedule.h"
#include "svg_plot.h"

namespace kolmctl {

namespace {

constexpr double kVoltsPerCount = 5.0 / 1024.0;  // 10 bits over 5 V, as the plug-in scales
constexpr double kFullScaleVolts = 5.0;

enum class Show { Both, Counts, Volts };

struct ReadOptions {
    std::vector<std::int32_t> channels;
    long count = -1;        // readings (slots of the schedule); -1: the default; 0: until interrupted
    double duration = 0.0;  // seconds, instead of a count; 0: none given
    double period = 0.5;    // seconds between the slots; 0: back to back
    Show show = Show::Both;
    std::optional<CsvStyle> csv;  // none: plain lines or the live view
    std::string plot;
    std::string output;  // the file the rows go to; empty: standard output
};

constexpr double kFastestRate = 10000.0;  // Hz: a reading of a real box takes about 0.1 ms
constexpr double kSlowestRate = 0.001;
constexpr double kShortestPeriod = 1e-4;
constexpr double kLongestPeriod = 1000.0;
constexpr double kLongestDuration = 1000.0 * 3600.0;
// The most readings one capture takes: within a 32-bit long (Windows), as every count is.
constexpr long kMostReadings = 1000000000;

const OptionRule kReadOptions[] = {
    {"--count", "a number of readings", "length"},
    {"--duration", "a time (10s, 5min, 1h)", "length"},
    {"--rate", "a rate in Hz", "pace"},
    {"--interval", "milliseconds", "pace"},
    {"--counts", nullptr, "values"},
    {"--volts", nullptr, "values"},
    {"--csv", nullptr, "format"},
    {"--csv-fr", nullptr, "format"},
    {"--plot", "a file name", nullptr},
    {"--output", "a file name", nullptr},
};

double periodOf(const Options& o) {
    if (o.has("--rate")) {
        const auto hz = parseRate(o.value("--rate", ""));
        if (!hz)
            throw Error{kUsage, "--rate must be a number of readings a second above 0, not \"" +
                                    o.value("--rate", "") + "\""};
        // The rate itself, as written: its inverse, in the x87's extended precision (i386),
        // would refuse 10000 Hz.
        if (*hz > kFastestRate)
            throw Error{kUsage, "--rate can be at most 10000 Hz (--interval 0: readings back to back)"};
        if (*hz < kSlowestRate) throw Error{kUsage, "--rate can be no less than 0.001 Hz"};
        return 1.0 / *hz;
    }
    if (o.has("--interval")) {
        const auto t = parseTime(o.value("--interval", ""), "ms");
        if (!t)
            throw Error{kUsage, "--interval must be milliseconds (or a time such as 2s), not \"" +
                                    o.value("--interval", "") + "\""};
        if (*t > 0 && *t < kShortestPeriod) throw Error{kUsage, "--interval can be 0 or at least 0.1 ms"};
        if (*t > kLongestPeriod) throw Error{kUsage, "--interval can be at most 1000 s"};
        return *t;
    }
    return 0.5;
}

ReadOptions parse(const Args& args) {
    Args spelled = args;
    for (std::string& a : spelled)
        if (a == "-o") a = "--output";
    const Options o = parseOptions(spelled, kReadOptions);
    ReadOptions r;
    if (o.has("--count")) {
        r.count = parseInt(o.value("--count", ""), "--count");
        if (r.count < 0) throw Error{kUsage, "--count must be 0 (until Ctrl-C) or more"};
        if (r.count > kMostReadings)
            throw Error{kUsage, "--count can be at most " + std::to_string(kMostReadings)};
    }
    r.period = periodOf(o);
    if (o.has("--duration")) {
        const auto t = parseTime(o.value("--duration", ""), "s");
        if (!t || *t <= 0)
            throw Error{kUsage, "--duration must be a time above 0 such as 10s, 5min or 1h, not \"" +
                                    o.value("--duration", "") + "\""};
        if (*t > kLongestDuration) throw Error{kUsage, "--duration can be at most 1000h"};
        r.duration = *t;
        // The slots that start within the duration.
        const double slots = r.period > 0 ? std::ceil(*t / r.period - 1e-9) : 0.0;
        if (slots > static_cast<double>(kMostReadings))
            throw Error{kUsage, "--duration " + o.value("--duration", "") + " at " +
                                    rateText(1.0 / r.period) + " makes more than " +
                                    counted(kMostReadings, "reading") + ", the most a capture takes"};
        if (r.period > 0) r.count = std::max(1L, static_cast<long>(slots));
    }
    if (o.has("--counts")) r.show = Show::Counts;
    if (o.has("--volts")) r.show = Show::Volts;
    if (o.has("--csv-fr")) r.csv = kCsvFrench;
    if (o.has("--csv")) {
        const char* chosen = std::getenv("KOLMCTL_CSV");
        r.csv = csvStyleNamed(chosen);
        if (!r.csv)
            throw Error{kUsage, "KOLMCTL_CSV is \"" + std::string(chosen == nullptr ? "" : chosen) +
                                    "\": write fr (';' and a decimal "
                                    "comma) or rfc (',' and a decimal point)"};
    }
    r.plot = o.value("--plot", "");
    r.output = o.value("--output", "");
    for (const std::string& a : o.operands) {
        const std::int32_t ch = parseInt(a, "a channel");
        if (ch != 0 && ch != 1)
            throw Error{kOutOfRange, "channel " + a +
                                         " is out of range: the interface reads channels 0 and 1 "
                                         "(use restore and reinit for the port actions)"};
        r.channels.push_back(ch);
    }
    if (r.channels.empty()) r.channels = {0, 1};
    return r;
}

constexpr std::size_t kPlotPoints = 4096;   // a chart is 720 pixels wide; more points show nothing
constexpr double kFlushSeconds = 0.1;       // back-to-back readings reach a pipe this often
constexpr double kSleepSlice = 0.1;         // Ctrl-C is looked at this often while waiting
constexpr long kReadingsPerExchange = 256;  // back-to-back readings asked of the plug-in at once

constexpr std::int32_t kMaxCount = 1023;

struct Sample {
    std::int32_t count = 0;
    double volts = 0.0;
    bool valid = true;  // a count of 0 to 1023 and finite volts: a reading the interface can give
    bool gap = false;   // the plug-in answered "no value": the port did not answer this reading
};

// The lowest, highest and mean value of one channel over the valid readings so far.
struct Range {
    long n = 0;
    std::int32_t minCount = 0, maxCount = 0;
    double countSum = 0.0;
    double minVolts = 0.0, maxVolts = 0.0, voltSum = 0.0;

    void add(const Sample& v) {
        if (v.gap || !v.valid) return;
        if (n == 0 || v.count < minCount) minCount = v.count;
        if (n == 0 || v.count > maxCount) maxCount = v.count;
        if (n == 0 || v.volts < minVolts) minVolts = v.volts;
        if (n == 0 || v.volts > maxVolts) maxVolts = v.volts;
        countSum += v.count;
        voltSum += v.volts;
        ++n;
    }
};

void appendInt(std::string& out, std::int32_t v) {
    char buf[16];
    const int n = std::snprintf(buf, sizeof buf, "%d", static_cast<int>(v));
    out.append(buf, static_cast<std::size_t>(std::max(n, 0)));
}

std::string fixed(double v, int decimals) {
    std::string s;
    appendNumber(s, v, decimals, kCsvRfc);
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
    const ReadOptions& options;
    Context& cx;
    std::ostream& out;        // where the rows go: standard output, or the --output file
    const char* outName;      // and its name, for an error
    bool countsShown;         // counts through EA (volts scaled from them); otherwise volts through EAD
    std::vector<Call> calls;  // a call a channel, for as many readings as one exchange takes
    std::vector<std::string> names;
    long count;  // readings asked for (slots of the schedule); 0: until stopped
    bool live;
    std::string title{};                           // the plug-in's, for the CSV and the chart
    double start = 0.0;                            // steadySeconds() of slot 0
    std::chrono::system_clock::time_point wall{};  // the same moment on the wall clock
    std::string line{};                            // reused for every line written
    std::vector<Range> ranges{};                   // one per channel
    long invalid = 0;
    long gaps = 0;      // readings with a channel that had no value
    long taken = 0;     // readings shown so far
    long missed = 0;    // slots given up: their reading could not start before the next slot
    double last = 0.0;  // seconds from the start to the last reading
};

// "every 100 ms (10 Hz)", "back to back": the pace of a capture.
std::string paceText(const ReadOptions& o) {
    return o.period > 0 ? "every " + timeText(o.period) + " (" + rateText(1.0 / o.period) + ")"
                        : std::string("back to back");
}

// "every 100 ms (10 Hz) for 10 min: 6000 readings": the schedule a capture keeps,
// without a comma or a semicolon, so that it stays one cell of either CSV style.
std::string scheduleText(const Capture& s) {
    const ReadOptions& o = s.options;
    std::string t = paceText(o);
    if (o.duration > 0) t += " for " + timeText(o.duration);
    if (s.count > 0) t += ": " + counted(s.count, "reading");
    else if (o.duration <= 0) t += " until stopped";
    return t;
}

std::string valuesText(const Capture& s) {
    switch (s.options.show) {
    case Show::Counts: return "counts through EA";
    case Show::Volts: return "volts through EAD";
    case Show::Both: break;
    }
    return "counts through EA and volts = counts x 5 / 1024";
}

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

// The lines before the header of a capture (more than one reading), each one field:
// when it started and how it was taken. A spreadsheet shows them above the columns;
// scripts skip lines with '#'. One reading is a header and a row, as scripts that ask
// for one value read it.
void printCsvHeader(Capture& s) {
    const CsvStyle style = *s.options.csv;
    const std::string file = std::filesystem::path(s.plugin.path()).filename().string();
    std::string about = "# kolmctl " KOLM_VERSION " capture of " + file;
    if (!s.title.empty()) about += " (" + s.title + ")";
    for (const std::string& line : {about, "# start: " + isoLocalTime(s.wall),
                                    "# schedule: " + scheduleText(s), "# values: " + valuesText(s)})
        if (s.count != 1) s.out << csvField(line, style) << "\n";
    const char sep = style.separator;
    s.line = "time_s";
    for (std::int32_t ch : s.options.channels) {
        if (s.options.show != Show::Volts) s.line += sep + ("ch" + std::to_string(ch) + "_counts");
        if (s.options.show != Show::Counts) s.line += sep + ("ch" + std::to_string(ch) + "_volts");
    }
    s.line += "\n";
    s.out << s.line;
}

// A value the interface cannot give is written as "invalid(<what came>)", never as a number.
void appendCsvCount(std::string& out, const Sample& v) {
    if (!v.valid) out += "invalid(";
    appendInt(out, v.count);
    if (!v.valid) out += ")";
}

void appendCsvVolts(std::string& out, const Sample& v, bool counts, CsvStyle style) {
    if (v.valid) return appendNumber(out, v.volts, 4, style);
    out += "invalid(";
    if (counts) appendInt(out, v.count);
    else appendNumber(out, v.volts, 4, style);
    out += ")";
}

// A gap is an empty cell: a spreadsheet leaves it out of sums and charts.
void printCsv(Capture& s, double seconds, const std::vector<Sample>& values) {
    const CsvStyle style = *s.options.csv;
    std::string& l = s.line;
    l.clear();
    appendNumber(l, seconds, 6, style);
    for (const Sample& v : values) {
        if (s.options.show != Show::Volts) l += style.separator;
        if (s.options.show != Show::Volts && !v.gap) appendCsvCount(l, v);
        if (s.options.show != Show::Counts) l += style.separator;
        if (s.options.show != Show::Counts && !v.gap) appendCsvVolts(l, v, s.countsShown, style);
    }
    l += "\n";
    s.out.write(l.data(), static_cast<std::streamsize>(l.size()));
}

std::string shownVolts(double volts, int decimals) { return fixed(volts, decimals) + " V"; }

// "min 498 max 530" (or in volts), the running range a live gauge shows.
std::string rangeText(const Capture& s, const Range& r) {
    if (r.n == 0) return {};
    if (s.countsShown) return "min " + std::to_string(r.minCount) + " max " + std::to_string(r.maxCount);
    return "min " + shownVolts(r.minVolts, 3) + " max " + shownVolts(r.maxVolts, 3);
}

std::vector<Gauge> gaugesOf(const Capture& s, const std::vector<Sample>& values) {
    std::vector<Gauge> gauges;
    for (std::size_t k = 0; k < values.size(); ++k) {
        const Sample& v = values[k];
        const std::string range = rangeText(s, s.ranges[k]);
        if (v.gap) {
            gauges.push_back({s.names[k], "no value", 0.0, range});
            continue;
        }
        std::string value;
        if (s.options.show != Show::Volts) value += padLeft(std::to_string(v.count), 4);
        if (s.options.show != Show::Counts && (v.valid || !s.countsShown)) {
            if (!value.empty()) value += "  ";
            value += shownVolts(v.volts, 3);
        }
        if (!v.valid) value += "  INVALID";
        gauges.push_back({s.names[k], value, v.valid ? v.volts / kFullScaleVolts : 0.0, range});
    }
    return gauges;
}

void printPlain(Capture& s, double seconds, const std::vector<Sample>& values) {
    std::string& l = s.line;
    l.clear();
    appendNumber(l, seconds, 6, kCsvRfc);
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
            if (v.valid) l += " (" + shownVolts(v.volts, 3) + ")";
            break;
        case Show::Counts: appendInt(l, v.count); break;
        case Show::Volts: l += shownVolts(v.volts, 3); break;
        }
        if (!v.valid)
            l += s.countsShown ? " (invalid: not a count from 0 to 1023)" : " (invalid: not a number)";
    }
    l += "\n";
    s.out.write(l.data(), static_cast<std::streamsize>(l.size()));
}

// The live view where it fits the terminal's width, else one line per reading.
void drawLive(Capture& s, LiveView& view, double seconds, const std::vector<Sample>& values, long slot) {
    const std::vector<Gauge> gauges = gaugesOf(s, values);
    const int columns = s.cx.columns > 0 ? s.cx.columns : terminalColumns();
    if (!LiveView::fits(gauges, columns)) {
        view.release();
        printPlain(s, seconds, values);
        return;
    }
    std::string heading = "reading " + std::to_string(slot + 1);
    if (s.count != 0) heading += " of " + std::to_string(s.count);
    heading += ", " + fixed(seconds, 1) + " s";
    if (s.missed > 0) heading += ", " + counted(s.missed, "slot") + " missed";
    if (s.count == 0) heading += "  (Ctrl-C stops)";
    view.draw(heading, gauges, columns);
}

// Waits until `at` (steadySeconds), looking at Ctrl-C so that it stops the tool at once.
void waitUntil(double at) {
    while (!interrupted()) {
        const double left = at - steadySeconds();
        if (left <= 0) return;
        std::this_thread::sleep_for(std::chrono::duration<double>(std::min(left, kSleepSlice)));
    }
}

void show(Capture& s, LiveView& view, double seconds, const std::vector<Sample>& values, long slot,
          PlotSeries* plot, std::vector<double>& volts) {
    for (std::size_t k = 0; k < values.size(); ++k) s.ranges[k].add(values[k]);
    if (s.options.csv) printCsv(s, seconds, values);
    else if (s.live) drawLive(s, view, seconds, values, slot);
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
    s.last = seconds;
    if (gap) ++s.gaps;
    if (!allValid) ++s.invalid;
    else if (plot != nullptr) plot->add(seconds, volts);
}

// Readings are written as they come and kept only as the chart's bounded series.
// On a schedule each reading is asked for at its slot's time; back-to-back readings
// are taken many to an exchange with the plug-in's side. Each is stamped with the
// time its call returned.
// How many readings to take now (0: the capture is done), and the slot of the first:
// on a schedule one, at its slot's time; back to back as many as one exchange takes.
long nextReadings(Capture& s, std::optional<Schedule>& schedule, long taken, long& slot) {
    if (schedule) {
        const auto next = schedule->next(steadySeconds());
        s.missed = schedule->missed();
        if (!next) return 0;
        waitUntil(next->at);
        slot = next->index;
        return interrupted() ? 0 : 1;
    }
    const long most = s.count != 0 ? s.count : kMostReadings;
    if (taken >= most) return 0;
    if (s.options.duration > 0 && steadySeconds() - s.start >= s.options.duration) return 0;
    slot = taken;
    return std::min(kReadingsPerExchange, most - taken);
}

void readUntilDone(Capture& s, PlotSeries* plot) {
    LiveView view(s.out);
    const std::size_t channels = s.options.channels.size();
    std::vector<Sample> values(channels);
    std::vector<double> volts(channels);
    std::vector<Answer> answers;
    std::optional<Schedule> schedule;
    if (s.options.period > 0)
        schedule.emplace(s.start, s.options.period, s.count != 0 ? s.count : kMostReadings);
    double flushed = 0.0;
    long slot = 0;
    for (long i = 0, n = 0; !interrupted() && (n = nextReadings(s, schedule, i, slot)) > 0;) {
        takeReadings(s, static_cast<std::size_t>(n), answers);
        for (long r = 0; r < n; ++r, ++i) {
            const Answer* reading = &answers[static_cast<std::size_t>(r) * channels];
            sample(s, reading, values);
            show(s, view, reading[0].at - s.start, values, slot + r, plot, volts);
        }
        // Each reading reaches a pipe as it is taken, unless they come back to back.
        const double now = steadySeconds() - s.start;
        if (schedule || now - flushed >= kFlushSeconds) {
            checkOutput(s.out, s.outName);
            flushed = now;
        }
        if (!s.out) checkOutput(s.out, s.outName);
    }
}

// The --plot chart: a file beside it made before the first reading, so that a path that
// cannot be written fails at once with the system's reason; its points kept as the
// capture goes; written once, from what was read, however the capture ended, and put
// in place of an earlier chart only when whole.
class Chart {
public:
    explicit Chart(const Capture& s) {
        if (s.options.plot.empty()) return;
        path_ = s.options.plot;
        ReplacedFile(path_).discard();
        std::vector<std::string> names = s.names;
        series_.emplace(names, kPlotPoints);
    }
    PlotSeries* series() { return series_ ? &*series_ : nullptr; }

    void write(const Capture& s) {
        if (!series_ || written_ || (interrupted() && s.taken == 0)) return;
        written_ = true;
        const std::string caption =
            "started " + isoLocalTime(s.wall, false) + ", " + scheduleText(s) + "; " + valuesText(s);
        ReplacedFile file(path_);
        file.stream() << svgPlot(s.title, caption, s.options.channels, series_->seconds(), series_->series());
        file.commit(false);
        std::string said = counted(series_->added(), "reading") + " plotted in " + path_;
        if (static_cast<std::size_t>(series_->added()) > series_->seconds().size())
            said += " (" + std::to_string(series_->seconds().size()) + " points, evenly spaced)";
        remark(s.cx.err, said);
    }

private:
    std::string path_;
    std::optional<PlotSeries> series_;
    bool written_ = false;
};

// "min 298 (1.455 V), mean 300.2 (1.466 V), max 302 (1.475 V)" for one channel.
std::string rangeSummary(const Capture& s, const Range& r) {
    if (r.n == 0) return "no value";
    const auto n = static_cast<double>(r.n);
    if (!s.countsShown)
        return "min " + shownVolts(r.minVolts, 4) + ", mean " + shownVolts(r.voltSum / n, 4) + ", max " +
               shownVolts(r.maxVolts, 4);
    return "min " + std::to_string(r.minCount) + " (" + shownVolts(r.minVolts, 3) + "), mean " +
           fixed(r.countSum / n, 1) + " (" + shownVolts(r.voltSum / n, 3) + "), max " +
           std::to_string(r.maxCount) + " (" + shownVolts(r.maxVolts, 3) + ")";
}

// The summary of a capture of more than one reading, on the error stream: how many
// readings in how long, the gaps and the missed slots, and each channel's range.
void summarise(const Capture& s) {
    Context& cx = s.cx;
    std::string head =
        counted(s.taken, "reading") + " in " + fixed(s.last, 3) + " s, " + paceText(s.options) + ": ";
    head +=
        s.gaps == 0 ? "no gap" : counted(s.gaps, "gap") + " (no value: the port did not answer; left empty)";
    head += s.missed == 0
                ? ", no missed slot"
                : ", " + counted(s.missed, "missed slot") + " (a reading could not start in its period)";
    remark(cx.err, head);
    for (std::size_t k = 0; k < s.ranges.size(); ++k)
        remark(cx.err, "  " + s.names[k] + ": " + rangeSummary(s, s.ranges[k]));
}

// What the capture ends with: its summary, how far a stopped one got, and the exit
// code that says whether every reading had its value.
int finish(const Capture& s, bool readerGone) {
    Context& cx = s.cx;
    s.out.flush();
    if (s.invalid > 0)
        remark(cx.err,
               counted(s.invalid, "reading") + " held a value the interface cannot give (marked invalid)");
    if (s.count == 0 && s.taken >= kMostReadings)
        remark(cx.err, "stopped at " + counted(kMostReadings, "reading") + ", the most a capture takes");
    if (s.count != 1) summarise(s);
    else if (s.gaps > 0)
        remark(cx.err, "the reading had no value where the port did not answer (left empty)");
    if (interrupted() || readerGone) {
        remark(cx.err,
               "stopped by " +
                   (readerGone ? std::string("the reader of the output going away") : interruptName()) +
                   " after " +
                   (s.count != 0 ? std::to_string(s.taken) + " of " + counted(s.count, "reading")
                                 : counted(s.taken, "reading")));
        return readerGone ? kReaderGone : interruptedExit();
    }
    return s.gaps == 0 ? kOk : kNoPortAccess;
}

// The entry point a capture calls: EAD for volts only, else EA.
const Listed& entryFor(const Plugin& p, bool voltsOnly) {
    const Listed& entry = voltsOnly ? require(p, "EAD", {Type::Int}) : require(p, "EA", {Type::Int});
    if (entry.sig->result != (voltsOnly ? Type::Double : Type::Int))
        throw Error{kNotListed, describe(*entry.sig) +
                                    (voltsOnly ? " does not answer a double" : " does not answer an int")};
    return entry;
}

// Each channel's name as the plug-in gives it, "channel 1" where it gives none.
std::vector<std::string> channelNames(Plugin& p, const ReadOptions& o) {
    std::vector<std::string> names;
    for (std::int32_t ch : o.channels) {
        std::string n = nameText(p, o.show == Show::Volts ? "NEAD" : "NEA", ch);
        names.push_back(n.empty() ? "channel " + std::to_string(ch) : n);
    }
    return names;
}

// One capture to `out`: the readings, the chart, the summary; its exit code.
int capture(Plugin& p, const ReadOptions& o, std::ostream& out, const char* outName, Context& cx) {
    const bool live = cx.terminal && !o.csv && o.output.empty();
    const bool voltsOnly = o.show == Show::Volts;
    const Listed& entry = entryFor(p, voltsOnly);
    const long count = o.count >= 0 ? o.count : (live || o.duration > 0 ? 0 : 1);
    Capture s{p, o, cx, out, outName, !voltsOnly, {}, {}, count, live};
    for (long r = 0; r < kReadingsPerExchange; ++r)
        for (std::int32_t ch : o.channels) s.calls.push_back(Plugin::callOf(entry, {intArg(ch)}));
    s.names = channelNames(p, o);
    s.ranges.resize(o.channels.size());
    // Asked before the readings: after Ctrl-C the plug-in is not called again.
    if (o.csv || !o.plot.empty()) s.title = titleText(p, "titre");
    Chart chart(s);
    s.start = steadySeconds();
    s.wall = std::chrono::system_clock::now();
    if (o.csv) printCsvHeader(s);

    // A stop by a signal, a reader that went away, or an output that fails, still
    // leaves the chart of what was read.
    bool readerGone = false;
    try {
        readUntilDone(s, chart.series());
        if (!interrupted()) checkOutput(out, outName);
    } catch (const Error& e) {
        readerGone = e.code == kReaderGone;
        if (interrupted() || readerGone || e.code == kOutputFailed) chart.write(s);
        if (!interrupted() && !readerGone) throw;
    }
    chart.write(s);
    return finish(s, readerGone);
}

}  // namespace

void checkRead(const Args& args) { parse(args); }

int cmdRead(Plugin& p, const Args& args, Context& cx) {
    const ReadOptions o = parse(args);
    // The rows of --output reach its file as they are read; it takes the name only at the end.
    std::optional<ReplacedFile> rows;
    if (!o.output.empty()) {
        rows.emplace(o.output);
        remark(cx.err, "the readings go to " + rows->temporary() + ", renamed " + o.output + " at the end");
    }
    try {
        const int code = capture(p, o, rows ? rows->stream() : cx.out,
                                 rows ? rows->temporary().c_str() : "the output", cx);
        if (rows) rows->commit(true);
        return code;
    } catch (const Error&) {
        if (rows) remark(cx.err, "the readings taken are kept in " + rows->temporary());
        throw;
    }
}

}  // namespace kolmctl
