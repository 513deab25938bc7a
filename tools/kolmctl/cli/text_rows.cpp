// A capture's rows as text on a stream: plain lines, or CSV.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "capture_outputs.h"
#include "kolm_version.h"

namespace kolmctl {

namespace {

constexpr double kFlushSeconds = 0.1;  // back-to-back readings reach a pipe this often

void appendInt(std::string& out, std::int32_t v) {
    char buf[16];
    const int n = std::snprintf(buf, sizeof buf, "%d", static_cast<int>(v));
    out.append(buf, static_cast<std::size_t>(std::max(n, 0)));
}

// Rows written to a stream as they come, and passed on: at each reading on a
// schedule, every kFlushSeconds back to back, and whole at the end.
class StreamRows : public CaptureOutput {
public:
    explicit StreamRows(const RowsTo& to) : out_(to.out), name_(to.name) {}
    void begin(const Capture&) override { flushed_ = steadySeconds(); }
    void flush(const Capture& c, bool last) override {
        const double now = steadySeconds();
        if (last || c.plan.period > 0 || now - flushed_ >= kFlushSeconds) {
            checkOutput(out_, name_.c_str());
            flushed_ = now;
        }
        if (!out_) checkOutput(out_, name_.c_str());
    }
    void end(const Capture&, Ending how) override {
        if (how != Ending::OutputFailed) out_.flush();
    }

protected:
    std::ostream& out() { return out_; }
    std::string& line() { return line_; }  // reused for every row
    void write(const std::string& l) { out_.write(l.data(), static_cast<std::streamsize>(l.size())); }

private:
    std::ostream& out_;
    std::string line_;
    std::string name_;
    double flushed_ = 0.0;
};

class PlainLines : public StreamRows {
public:
    using StreamRows::StreamRows;
    void row(const Capture& c, const Row& r) override {
        std::string& l = line();
        l.clear();
        appendNumber(l, r.seconds, 6, kCsvRfc);
        l += " s";
        const Values values = c.plan.values;
        for (std::size_t k = 0; k < r.readings.size(); ++k) {
            const Reading& v = r.readings[k];
            l += "  " + c.plan.names[k] + ": ";
            if (v.gap) {
                l += "no value";
                continue;
            }
            switch (values) {
            case Values::Both:
                appendInt(l, v.count);
                if (v.valid) l += " (" + shownVolts(v.volts, 3) + ")";
                break;
            case Values::Counts: appendInt(l, v.count); break;
            case Values::Volts: l += shownVolts(v.volts, 3); break;
            }
            if (!v.valid)
                l += values == Values::Volts ? " (invalid: not a number)"
                                             : " (invalid: not a count from 0 to 1023)";
        }
        l += "\n";
        write(l);
    }
};

// A value the interface cannot give is written as "invalid(<what came>)", never as a number.
void appendCsvCount(std::string& out, const Reading& v) {
    if (!v.valid) out += "invalid(";
    appendInt(out, v.count);
    if (!v.valid) out += ")";
}

void appendCsvVolts(std::string& out, const Reading& v, Values values, CsvStyle style) {
    if (v.valid) return appendNumber(out, v.volts, 4, style);
    out += "invalid(";
    if (values != Values::Volts) appendInt(out, v.count);
    else appendNumber(out, v.volts, 4, style);
    out += ")";
}

class CsvRows : public StreamRows {
public:
    CsvRows(const RowsTo& to, CsvStyle style, const std::string& file, const std::string& title,
            CsvExtras extras)
        : StreamRows(to),
          style_(style),
          about_("# kolmctl " KOLM_VERSION " capture of " + file),
          extras_(std::move(extras)) {
        if (!title.empty()) about_ += " (" + title + ")";
    }

    // The lines before the header of a capture (more than one reading), each one field:
    // when it started and how it was taken. A spreadsheet shows them above the columns;
    // scripts skip lines with '#'. One reading is a header and a row, as scripts that
    // ask for one value read it.
    void begin(const Capture& c) override {
        StreamRows::begin(c);
        const CapturePlan& plan = c.plan;
        for (const std::string& text : {about_, "# start: " + isoLocalTime(c.started),
                                        "# schedule: " + scheduleText(plan), "# values: " + valuesText(plan)})
            if (plan.count != 1) out() << csvField(text, style_) << "\n";
        for (std::int32_t ch : plan.channels)
            if (const auto& cal = calibrationOf(ch); cal && plan.count != 1)
                out() << csvField("# calibration of channel " + std::to_string(ch) + ": " +
                                      calibrationText(*cal) + " (" + extras_.calibrationFile + ")",
                                  style_)
                      << "\n";
        std::string& l = line();
        l = "time_s";
        for (std::int32_t ch : plan.channels) {
            if (plan.values != Values::Volts) l += style_.separator + ("ch" + std::to_string(ch) + "_counts");
            if (plan.values != Values::Counts) l += style_.separator + ("ch" + std::to_string(ch) + "_volts");
            if (const auto& cal = calibrationOf(ch))
                l += style_.separator +
                     csvField("ch" + std::to_string(ch) + "_" + cal->name + " (" + cal->unit + ")", style_);
        }
        l += "\n";
        out() << l;
    }

    // A gap is an empty cell: a spreadsheet leaves it out of sums and charts.
    void row(const Capture& c, const Row& r) override {
        const Values values = c.plan.values;
        std::string& l = line();
        l.clear();
        eventsUntil(r.seconds, l);
        appendNumber(l, r.seconds, 6, style_);
        for (std::size_t k = 0; k < r.readings.size(); ++k) {
            const Reading& v = r.readings[k];
            if (values != Values::Volts) l += style_.separator;
            if (values != Values::Volts && !v.gap) appendCsvCount(l, v);
            if (values != Values::Counts) l += style_.separator;
            if (values != Values::Counts && !v.gap) appendCsvVolts(l, v, values, style_);
            if (const auto& cal = calibrationOf(c.plan.channels[k])) {
                l += style_.separator;
                if (!v.gap && v.valid) appendNumber(l, cal->value(v.volts), 4, style_);
            }
        }
        l += "\n";
        write(l);
    }
    void end(const Capture& c, Ending how) override {
        std::string& l = line();
        l.clear();
        eventsUntil(INFINITY, l);
        write(l);
        StreamRows::end(c, how);
    }

private:
    const std::optional<Calibration>& calibrationOf(std::int32_t channel) const {
        return extras_.calibrations[static_cast<std::size_t>(channel) % extras_.calibrations.size()];
    }
    // The events up to `seconds` that are not written yet, a # line each.
    void eventsUntil(double seconds, std::string& l) {
        for (; event_ < extras_.events.size() && extras_.events[event_].seconds <= seconds; ++event_) {
            const CaptureEvent& e = extras_.events[event_];
            std::string said = "# event at ";
            appendNumber(said, e.seconds, 6, style_);
            l += csvField(said + " s: " + e.text, style_) + "\n";
        }
    }

    CsvStyle style_;
    std::string about_;
    CsvExtras extras_;
    std::size_t event_ = 0;  // the first event not written yet
};

}  // namespace

std::unique_ptr<CaptureOutput> plainLines(const RowsTo& to) { return std::make_unique<PlainLines>(to); }

std::unique_ptr<CaptureOutput> csvRows(const RowsTo& to, CsvStyle style, const std::string& file,
                                       const std::string& title, const CsvExtras& extras) {
    return std::make_unique<CsvRows>(to, style, std::filesystem::path(file).filename().string(), title,
                                     extras);
}

}  // namespace kolmctl
