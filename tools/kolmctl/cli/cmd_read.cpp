// read: one or many readings of the analog channels, as plain lines, CSV, a live
// view on a terminal, and optionally an SVG chart: its options, and the outputs that
// the acquisition (acquisition.h) feeds.
#include <cmath>
#include <cstdlib>
#include <optional>

#include "capture_outputs.h"
#include "interrupts.h"
#include "options.h"
#include "replaced_file.h"
#include "schedule.h"

namespace kolmctl {

namespace {

struct ReadOptions {
    std::vector<std::int32_t> channels;
    long count = -1;        // readings (slots of the schedule); -1: the default; 0: until interrupted
    double duration = 0.0;  // seconds, instead of a count; 0: none given
    double period = kDefaultPeriod;  // seconds between the slots; 0: back to back
    Values values = Values::Both;
    std::optional<CsvStyle> csv;  // none: plain lines or the live view
    bool calibrated = false;      // the calibrated channels' values in their unit too
    std::string plot;
    std::string output;  // the file the rows go to; empty: standard output
};

const OptionRule kReadOptions[] = {
    {"--count", "a number of readings", "length"},
    {"--duration", "a time (10s, 5min, 1h)", "length"},
    {"--rate", "a rate in Hz", "pace"},
    {"--interval", "milliseconds", "pace"},
    {"--counts", nullptr, "values"},
    {"--volts", nullptr, "values"},
    {"--csv", nullptr, "format"},
    {"--csv-fr", nullptr, "format"},
    {"--calibrated", nullptr, nullptr},
    {"--plot", "a file name", nullptr},
    {"--output", "a file name", nullptr},
};

// The period --rate or --interval gives; none where neither is given.
std::optional<double> periodOf(const Options& o) {
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
    return std::nullopt;
}

// --count, the pace, and --duration at that pace: how many readings and how often.
void scheduleOf(const Options& o, ReadOptions& r) {
    if (o.has("--count")) {
        r.count = parseInt(o.value("--count", ""), "--count");
        if (r.count < 0) throw Error{kUsage, "--count must be 0 (until Ctrl-C) or more"};
        if (r.count > kMostReadings)
            throw Error{kUsage, "--count can be at most " + std::to_string(kMostReadings)};
    }
    r.period = periodOf(o).value_or(r.period);
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
}

ReadOptions parse(const Args& args) {
    Args spelled = args;
    for (std::string& a : spelled)
        if (a == "-o") a = "--output";
    const Options o = parseOptions(spelled, kReadOptions);
    ReadOptions r;
    scheduleOf(o, r);
    if (o.has("--counts")) r.values = Values::Counts;
    if (o.has("--volts")) r.values = Values::Volts;
    if (o.has("--csv-fr")) r.csv = kCsvFrench;
    if (o.has("--csv")) {
        const char* chosen = std::getenv("KOLMCTL_CSV");
        r.csv = csvStyleNamed(chosen);
        if (!r.csv)
            throw Error{kUsage, "KOLMCTL_CSV is \"" + std::string(chosen == nullptr ? "" : chosen) +
                                    "\": write fr (';' and a decimal "
                                    "comma) or rfc (',' and a decimal point)"};
    }
    r.calibrated = o.has("--calibrated");
    if (r.calibrated && !r.csv) throw Error{kUsage, "--calibrated goes with --csv or --csv-fr"};
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

// The entry point a capture calls: EAD for volts alone, else EA.
const Listed& entryFor(const Plugin& p, Values values) {
    const bool volts = values == Values::Volts;
    const Listed& entry = volts ? require(p, "EAD", {Type::Int}) : require(p, "EA", {Type::Int});
    if (entry.sig->result != (volts ? Type::Double : Type::Int))
        throw Error{kNotListed,
                    describe(*entry.sig) + (volts ? " does not answer a double" : " does not answer an int")};
    return entry;
}

// Each channel's name as the plug-in gives it, "channel 1" where it gives none.
std::vector<std::string> channelNames(Plugin& p, const ReadOptions& o) {
    std::vector<std::string> names;
    for (std::int32_t ch : o.channels) {
        std::string n = nameText(p, o.values == Values::Volts ? "NEAD" : "NEA", ch);
        names.push_back(n.empty() ? "channel " + std::to_string(ch) : n);
    }
    return names;
}

// The exit code that says how the capture ended and whether every reading had its value.
int exitCode(const Capture& c, Ending how) {
    switch (how) {
    case Ending::ReaderGone: return kReaderGone;
    case Ending::Signalled: return interruptedExit();
    case Ending::Done:
    case Ending::Stopped:
    case Ending::OutputFailed: break;
    }
    return c.tally.gaps == 0 ? kOk : kNoPortAccess;
}

// One capture to `rows`: the readings, the chart, the summary; its exit code.
int capture(Plugin& p, const ReadOptions& o, const RowsTo& rows, Context& cx) {
    const bool live = cx.terminal && !o.csv && o.output.empty();
    const Listed& entry = entryFor(p, o.values);
    const long count = o.count >= 0 ? o.count : (live || o.duration > 0 ? 0 : 1);
    Capture c;
    c.plan = {o.channels, channelNames(p, o), o.values, count, o.period, o.duration};
    // Asked before the readings: after Ctrl-C the plug-in is not called again.
    const std::string title = o.csv || !o.plot.empty() ? titleText(p, "titre") : std::string();
    // The chart ends first, so that it is written before the rows' stream is checked
    // whole and the summary said.
    std::vector<std::unique_ptr<CaptureOutput>> outputs;
    if (!o.plot.empty()) outputs.push_back(chartFile(o.plot, title, cx.err));
    CsvExtras extras;
    if (o.calibrated) {
        extras.calibrationFile = calibrationFile(p.path());
        extras.calibrations = readCalibrations(extras.calibrationFile);
    }
    if (o.csv) outputs.push_back(csvRows(rows, *o.csv, p.path(), title, extras));
    else if (live) outputs.push_back(liveGauges(rows, cx.columns));
    else outputs.push_back(plainLines(rows));
    outputs.push_back(captureSummary(cx.err));
    return exitCode(c, acquire(p, entry, c, outputs, cx.box));
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
        const int code =
            capture(p, o, {rows ? rows->stream() : cx.out, rows ? rows->temporary() : "the output"}, cx);
        if (rows) rows->commit(true);
        return code;
    } catch (const Error&) {
        if (rows) remark(cx.err, "the readings taken are kept in " + rows->temporary());
        throw;
    }
}

}  // namespace kolmctl
