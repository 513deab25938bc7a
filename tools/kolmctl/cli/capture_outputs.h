// The forms a capture's readings take (acquisition.h feeds them), and the words they share.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "acquisition.h"
#include "calibration.h"
#include "capture_text.h"
#include "svg_plot.h"

namespace kolmctl {

// Where the rows go: standard output or the --output file, and its name for an error.
struct RowsTo {
    std::ostream& out;
    std::string name;
};

// A line a reading: "0.000012 s  channel 0: 512 (2.500 V)  ..." (text_rows.cpp).
std::unique_ptr<CaptureOutput> plainLines(const RowsTo& to);
// Something that happened during a capture (a relay switched), at its time from the start.
struct CaptureEvent {
    double seconds;
    std::string text;
};
// What a CSV holds besides the readings: each channel's calibration (by its number) and
// the file it came from, a column of values in its unit; the events, as # lines among the rows.
struct CsvExtras {
    Calibrations calibrations{};
    std::string calibrationFile;
    std::vector<CaptureEvent> events;
};
// A CSV row a reading under a header, with the lines that say when and how the
// capture was taken above it where it takes more than one; `file` and `title` the plug-in's.
std::unique_ptr<CaptureOutput> csvRows(const RowsTo& to, CsvStyle style, const std::string& file,
                                       const std::string& title, const CsvExtras& extras = {});
// The gauges of live_view.h redrawn at every reading, plain lines where the terminal
// is too narrow; `columns` its width, 0: asked of the terminal at each reading.
std::unique_ptr<CaptureOutput> liveGauges(const RowsTo& to, int columns);
// The --plot chart of svg_plot.h at `path`, put in place when the capture ends;
// whether it can be written is known when it is made (Error kOutputFailed).
std::unique_ptr<CaptureOutput> chartFile(const std::string& path, const std::string& title,
                                         std::ostream& err);
// The points a chart keeps, and the chart of a capture from them (chart_file.cpp).
constexpr std::size_t kPlotPoints = 4096;  // a chart is 720 pixels wide; more points show nothing
void chartPoint(PlotSeries& series, std::vector<double>& volts, const Row& r);
// `title` above, the start, the schedule and the values under it.
std::string chartOf(const Capture& c, const std::string& title, const PlotSeries& series);
// On the error stream at the end: the readings, gaps and missed slots, each channel's
// range, and what stopped the capture.
std::unique_ptr<CaptureOutput> captureSummary(std::ostream& err);

// The words the outputs share (capture_words.cpp).
// "every 100 ms (10 Hz)", "back to back": the pace of a capture.
std::string paceText(const CapturePlan& plan);
// "every 100 ms (10 Hz) for 10 min: 6000 readings": the schedule a capture keeps,
// without a comma or a semicolon, so that it stays one cell of either CSV style.
std::string scheduleText(const CapturePlan& plan);
// "counts through EA and volts = counts x 5 / 1024": where the values come from.
std::string valuesText(const CapturePlan& plan);
// `v` with `decimals` digits after a decimal point.
std::string fixed(double v, int decimals);
// "2.500 V".
std::string shownVolts(double volts, int decimals);

}  // namespace kolmctl
