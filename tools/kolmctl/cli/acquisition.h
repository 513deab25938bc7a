// One capture of the analog channels and the outputs it feeds. The acquisition keeps
// the schedule (a slot every period, or readings back to back), takes the readings
// from the plug-in, counts the gaps, the invalid values and the missed slots, keeps
// each channel's range, and stops when its slots are done, at a signal, or when its
// rows cannot be written. It hands every reading to each output as a row; the outputs
// (capture_outputs.h: plain lines, CSV, the live view, the chart, the summary) only
// write, each in its own form.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "commands.h"
#include "schedule.h"

namespace kolmctl {

// The values a capture shows. Volts alone are read through EAD; otherwise the counts
// are read through EA and the volts scaled from them (counts x 5 / 1024).
enum class Values { Both, Counts, Volts };

// What a capture is asked to take, fixed before its first reading.
struct CapturePlan {
    std::vector<std::int32_t> channels;
    std::vector<std::string> names;  // each channel's, as the plug-in gives it (UTF-8)
    Values values = Values::Both;
    long count = 0;         // readings (slots of the schedule); 0: until stopped
    double period = 0.0;    // seconds from one slot to the next; 0: back to back
    double duration = 0.0;  // seconds the capture was asked to last; 0: none given
};

// One channel's value in one reading.
struct Reading {
    std::int32_t count = 0;
    double volts = 0.0;
    bool valid = true;  // a count of 0 to 1023 and finite volts: a value the interface can give
    bool gap = false;   // the plug-in answered "no value": the port did not answer this reading
};

// The lowest, highest and mean value of one channel over its valid readings so far.
struct ChannelRange {
    long n = 0;
    std::int32_t minCount = 0, maxCount = 0;
    double countSum = 0.0;
    double minVolts = 0.0, maxVolts = 0.0, voltSum = 0.0;

    void add(const Reading& v);
};

// What the capture has taken so far.
struct CaptureTally {
    long taken = 0;                    // readings handed to the outputs
    long gaps = 0;                     // readings with a channel that had no value
    long invalid = 0;                  // readings with a value the interface cannot give
    long missed = 0;                   // slots given up: their reading could not start before the next slot
    double last = 0.0;                 // seconds from the start to the last reading
    std::vector<ChannelRange> ranges;  // one per channel of the plan
};

struct Capture {
    CapturePlan plan;
    std::chrono::system_clock::time_point started{};  // the wall-clock time of slot 0
    CaptureTally tally{};
};

// One reading of every channel of the plan; the tally counts it already.
struct Row {
    long slot;                             // its slot of the schedule, from 0
    double seconds;                        // from slot 0 to when the reading was taken
    const std::vector<Reading>& readings;  // one a channel, in the plan's order
};

enum class Ending {
    Done,          // every slot was taken
    Signalled,     // Ctrl-C or another watched signal stopped it (interrupts.h)
    ReaderGone,    // the program reading the rows went away
    OutputFailed,  // the rows could not be written: the capture throws that error after end()
    Stopped,       // the program that runs it asked it to stop (CapturePause)
};

// One form of a capture's readings. The acquisition calls begin once, before the first
// reading; row at every reading; flush after each exchange with the plug-in (one
// reading on a schedule, up to 256 back to back) and, with `last`, after the last
// reading unless a signal stopped the capture; end once, with how the capture ended.
// Where the plug-in or the port fails, the capture throws without calling end.
// An output that cannot pass its rows on throws Error kOutputFailed, or kReaderGone
// where their reader went away, from row or flush.
class CaptureOutput {
public:
    virtual ~CaptureOutput() = default;
    virtual void begin(const Capture&) {}
    virtual void row(const Capture& c, const Row& r) = 0;
    virtual void flush(const Capture&, bool /*last*/) {}
    virtual void end(const Capture&, Ending) {}
};

using CaptureOutputs = std::span<const std::unique_ptr<CaptureOutput>>;

// What the capture's thread does while it waits for its next slot, and after each
// exchange with the plug-in (for up to 0 s): a program that serves others runs their
// commands there (kolmctl serve switches a relay during a capture). It waits up to
// the seconds it is given and says whether the capture is to stop. None: it sleeps.
using CapturePause = std::function<bool(double seconds)>;

// Takes `c.plan`'s readings through `entry` (EAD for volts alone, else EA; one call a
// channel) and hands them to `outputs` in their order; how the capture ended.
// Error kNoPortAccess where the port has not answered once in this load (`box`).
Ending acquire(Plugin& p, const Listed& entry, Capture& c, CaptureOutputs outputs, BoxState& box,
               const CapturePause& pause = {});

}  // namespace kolmctl
