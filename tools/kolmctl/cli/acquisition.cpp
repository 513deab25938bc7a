#include "acquisition.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <thread>

#include "interrupts.h"

namespace kolmctl {

namespace {

constexpr double kVoltsPerCount = 5.0 / 1024.0;  // 10 bits over 5 V, as the plug-in scales
constexpr std::int32_t kMaxCount = 1023;
constexpr double kSleepSlice = 0.1;         // Ctrl-C is looked at this often while waiting
constexpr long kReadingsPerExchange = 256;  // back-to-back readings asked of the plug-in at once

// What the loop asks of the plug-in, and when.
struct Loop {
    Plugin& plugin;
    Capture& c;
    BoxState& box;
    std::vector<Call> calls{};  // a call a channel, for as many readings as one exchange takes
    double start = 0.0;         // steadySeconds() of slot 0
    std::optional<Schedule> schedule{};
    const CapturePause& pause;
    bool stopped = false;  // the pause asked the capture to stop
};

// The next `n` readings in one exchange: an answer a channel, reading after reading.
void takeReadings(const Loop& l, std::size_t n, std::vector<Answer>& answers) {
    const std::size_t channels = l.c.plan.channels.size();
    std::vector<Call> calls(l.calls.begin(), l.calls.begin() + static_cast<std::ptrdiff_t>(n * channels));
    answers = l.plugin.callAll(calls);
}

// One reading's values. A value the port did not give is a gap; but where the port
// has not answered once yet in this load, there is nothing to capture: no port.
void sample(Loop& l, const Answer* answers, std::vector<Reading>& values) {
    bool answered = false;
    for (std::size_t k = 0; k < values.size(); ++k) {
        Reading& v = values[k];
        if (l.c.plan.values == Values::Volts) {
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
    if (!answered && !l.box.reached) noPortAccess(l.plugin);
    l.box.reached = l.box.reached || answered;
}

void tally(CaptureTally& t, double seconds, const std::vector<Reading>& values) {
    bool allValid = true;
    bool gap = false;
    for (std::size_t k = 0; k < values.size(); ++k) {
        t.ranges[k].add(values[k]);
        allValid = allValid && values[k].valid;
        gap = gap || values[k].gap;
    }
    ++t.taken;
    t.last = seconds;
    if (gap) ++t.gaps;
    if (!allValid) ++t.invalid;
}

// Waits until `at` (steadySeconds), looking at Ctrl-C so that it stops the tool at
// once, and pausing (where the loop has a pause) until the pause stops the capture.
void waitUntil(Loop& l, double at) {
    while (!interrupted() && !l.stopped) {
        const double left = at - steadySeconds();
        if (left <= 0) return;
        if (l.pause) l.stopped = l.pause(std::min(left, kSleepSlice));
        else std::this_thread::sleep_for(std::chrono::duration<double>(std::min(left, kSleepSlice)));
    }
}

// How many readings to take now (0: the capture is done), and the slot of the first:
// on a schedule one, at its slot's time; back to back as many as one exchange takes.
long nextReadings(Loop& l, long taken, long& slot) {
    const CapturePlan& plan = l.c.plan;
    if (l.schedule) {
        const auto next = l.schedule->next(steadySeconds());
        l.c.tally.missed = l.schedule->missed();
        if (!next) return 0;
        waitUntil(l, next->at);
        slot = next->index;
        return interrupted() || l.stopped ? 0 : 1;
    }
    const long most = plan.count != 0 ? plan.count : kMostReadings;
    if (taken >= most) return 0;
    if (plan.duration > 0 && steadySeconds() - l.start >= plan.duration) return 0;
    slot = taken;
    return std::min(kReadingsPerExchange, most - taken);
}

// Readings are handed on as they come and kept nowhere. On a schedule each reading is
// asked for at its slot's time; back-to-back readings are taken many to an exchange
// with the plug-in's side. Each is stamped with the time its call returned.
void readUntilDone(Loop& l, CaptureOutputs outputs) {
    const std::size_t channels = l.c.plan.channels.size();
    std::vector<Reading> values(channels);
    std::vector<Answer> answers;
    long slot = 0;
    for (long i = 0, n = 0; !interrupted() && !l.stopped && (n = nextReadings(l, i, slot)) > 0;) {
        takeReadings(l, static_cast<std::size_t>(n), answers);
        for (long r = 0; r < n; ++r, ++i) {
            const Answer* reading = &answers[static_cast<std::size_t>(r) * channels];
            sample(l, reading, values);
            const Row row{slot + r, reading[0].at - l.start, values};
            tally(l.c.tally, row.seconds, values);
            for (const auto& o : outputs) o->row(l.c, row);
        }
        for (const auto& o : outputs) o->flush(l.c, false);
        if (l.pause && !l.schedule) l.stopped = l.pause(0.0);
    }
}

}  // namespace

void ChannelRange::add(const Reading& v) {
    if (v.gap || !v.valid) return;
    if (n == 0 || v.count < minCount) minCount = v.count;
    if (n == 0 || v.count > maxCount) maxCount = v.count;
    if (n == 0 || v.volts < minVolts) minVolts = v.volts;
    if (n == 0 || v.volts > maxVolts) maxVolts = v.volts;
    countSum += v.count;
    voltSum += v.volts;
    ++n;
}

Ending acquire(Plugin& p, const Listed& entry, Capture& c, CaptureOutputs outputs, BoxState& box,
               const CapturePause& pause) {
    Loop l{p, c, box, {}, 0.0, {}, pause};
    for (long r = 0; r < kReadingsPerExchange; ++r)
        for (std::int32_t ch : c.plan.channels) l.calls.push_back(Plugin::callOf(entry, {intArg(ch)}));
    c.tally.ranges.assign(c.plan.channels.size(), ChannelRange{});
    l.start = steadySeconds();
    c.started = std::chrono::system_clock::now();
    if (c.plan.period > 0)
        l.schedule.emplace(l.start, c.plan.period, c.plan.count != 0 ? c.plan.count : kMostReadings);
    for (const auto& o : outputs) o->begin(c);

    // A stop by a signal or a reader that went away ends the capture as a stop; an
    // output that fails ends it too, so that the others keep what was read, and fails it.
    Ending how = Ending::Done;
    try {
        readUntilDone(l, outputs);
        if (!interrupted())
            for (const auto& o : outputs) o->flush(c, true);
        if (interrupted()) how = Ending::Signalled;
        else if (l.stopped) how = Ending::Stopped;
    } catch (const Error& e) {
        if (e.code == kReaderGone) how = Ending::ReaderGone;
        else if (interrupted()) how = Ending::Signalled;
        else if (e.code != kOutputFailed) throw;
        else {
            for (const auto& o : outputs) o->end(c, Ending::OutputFailed);
            throw;
        }
    }
    for (const auto& o : outputs) o->end(c, how);
    return how;
}

}  // namespace kolmctl
