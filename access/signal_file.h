// The signal file of the virtual box: an optional text file kolmsim.ini beside the
// plug-in that says what each analog input shows:
//     [channel0]
//     signal=sine          ; constant, sine, square, triangle, ramp, csv or rc
//     offset=2.5           ; volts: the constant's level, the middle of a waveform
//     amplitude=2          ; volts from the middle to a peak
//     frequency=0.5        ; hertz
//     noise=0.01           ; volts RMS added to every reading
//     [channel1]
//     signal=rc            ; the capacitor of an RC circuit: relay= connects supply=
//     tau=2                ; R x C in seconds
//     relay=0
// signal=csv replays file=NAME, a file beside kolmsim.ini of "time,volts" lines (a
// first line of names and lines starting with '#' are skipped; ';' or a tab may part
// the fields, and then a decimal comma is read as a point).
// Read as the port file is: ';' and '#' start comments, CRLF or LF, names in any case,
// numbers with a decimal point or comma, a UTF-8 byte-order mark ignored. A file that is there but not clear
// answers no signals at all, with the line at fault, and the plug-in then has no box.
//
// Freestanding, like signals.h: the virtual box and kolmctl read the files with this
// code, each through its own way of opening a file.
#pragma once

#include <cstdint>

#include "module_file.h"
#include "signals.h"

namespace kolm {

using kolmsim::Inputs;
using kolmsim::kInputs;
using kolmsim::Recording;
using kolmsim::Signal;

inline constexpr char kSignalFileName[] = "kolmsim.ini";
// The largest signal file and recording read whole.
constexpr int kSignalFileMax = 8192;
constexpr int kRecordingFileMax = 131072;
// A recording's name: a file in the same folder, at most this long.
constexpr int kRecordingNameMax = 64;

enum class SignalProblem : std::uint8_t {
    none,
    unreadable,          // there, but not readable whole (or too large)
    unknownSection,      // a section other than [channel0] and [channel1]
    sectionTwice,        // the same channel's section twice
    outsideSection,      // a setting before the first section
    notASetting,         // a line that is neither [section] nor name=value
    unknownSetting,      // a name that is none of the settings
    settingTwice,        // the same setting twice in a section
    noSignal,            // a channel's section without signal=
    unknownSignal,       // signal= names no kind of signal
    notANumber,          // a value that is not a number
    outOfRange,          // a number outside what its setting allows (see `setting`)
    noRecording,         // signal=csv without file=
    recordingNotBeside,  // file= names a folder, a Windows device (CON, COM1...), or a name too long
    // The recording of `channel`:
    recordingMissing,       // no such file beside kolmsim.ini
    recordingUnreadable,    // not readable whole, or larger than kRecordingFileMax
    recordingNotTimeVolts,  // a line that is not two numbers, time and volts
    recordingOutOfRange,    // a time outside 0 to 1000000 s, or volts outside -100 to 100
    recordingNotLater,      // a time not later than the one before
    recordingTooLong,       // more than kMaxRecordingPoints points
    recordingEmpty,         // no point at all
};

// The settings of a channel's section, in the order a message may name them.
enum class Setting : std::uint8_t { signal, offset, amplitude, frequency, noise, file, tau, supply, relay };
constexpr int kSettings = 9;
inline constexpr const char* kSettingNames[kSettings] = {
    "signal", "offset", "amplitude", "frequency", "noise", "file", "tau", "supply", "relay"};
const char* settingName(Setting s);
// signal= words, in the order of kolmsim::Shape.
constexpr int kShapeCount = 7;
inline constexpr const char* kShapeNames[kShapeCount] = {"constant", "sine", "square", "triangle",
                                                         "ramp",     "csv",  "rc"};
static_assert(static_cast<int>(kolmsim::Shape::Circuit) + 1 == kShapeCount);

// The volts of any level or recorded point, from -kVoltsLimit to kVoltsLimit; a time
// (tau, a recorded point's) at most kSecondsMax; a frequency at most kFrequencyMax.
constexpr double kVoltsLimit = 100.0;
constexpr double kSecondsMax = 1e6;
constexpr double kFrequencyMax = 10000.0;
// What a setting's number may be: from `low` (or just above it) up to `high`; a relay's
// is also whole.
struct SettingRange {
    double low;
    bool lowAllowed;
    double high;
};
constexpr SettingRange settingRange(Setting s) {
    switch (s) {
    case Setting::amplitude:
    case Setting::noise: return {0.0, true, kVoltsLimit};
    case Setting::frequency: return {0.0, false, kFrequencyMax};
    case Setting::tau: return {0.0, false, kSecondsMax};
    case Setting::relay: return {0.0, true, 3.0};
    default: return {-kVoltsLimit, true, kVoltsLimit};
    }
}

struct SignalVerdict {
    SignalProblem problem = SignalProblem::none;
    int line = 0;                       // the line at fault, from 1, in kolmsim.ini or in the recording
    int channel = 0;                    // the channel whose section or recording is at fault
    Setting setting = Setting::signal;  // for outOfRange
    int reading = 0;                    // for unreadable and recordingUnreadable: why (settings_file.h)
};

// The file= of each channel whose signal is csv; "" for the others.
using RecordingNames = char[kInputs][kRecordingNameMax + 1];

// Parses `length` bytes of kolmsim.ini into `signals`; a channel without a section
// shows 0 V. The recordings are named, not read.
SignalVerdict parseSignalFile(const char* text, int length, Signal (&signals)[kInputs],
                              RecordingNames& names);
// Parses `length` bytes of a recording into `out`; the verdict's channel is left 0.
SignalVerdict parseRecording(const char* text, int length, Recording& out);

// Reads the file `name` beside kolmsim.ini into `text`, NUL-terminated, as
// readSettingsFile does (settings_file.h): its length, or why not.
using ReadBeside = int (*)(void* context, const char* name, char* text, int capacity);

struct SignalSource {
    SignalVerdict verdict;
    bool fromFile = false;  // kolmsim.ini was there
};
// The signals of a box: those of kolmsim.ini, with the recordings it names read into
// `recordings`, or the demo signals when there is no kolmsim.ini. `buffer` holds one
// file at a time (kRecordingFileMax bytes). After a verdict other than none the
// signals are not to be used.
SignalSource loadSignals(ReadBeside read, void* context, char* buffer, Signal (&signals)[kInputs],
                         RecordingNames& names, Recording (&recordings)[kInputs]);

}  // namespace kolm
