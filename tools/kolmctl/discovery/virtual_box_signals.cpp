#include "virtual_box_signals.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "file_beside.h"

namespace kolmctl {

namespace {

namespace fs = std::filesystem;
using kolm::SignalProblem;
using kolmsim::Shape;

int readInFolder(void* folder, const char* name, char* text, int capacity) {
    return readWholeFile(*static_cast<const fs::path*>(folder) / name, text, capacity);
}

// A number as a person writes it: 2.5, 0.1, 10000, 1e-06.
std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

std::string volts(double v) { return number(v) + " V"; }

const char* problemText(SignalProblem p) {
    switch (p) {
    case SignalProblem::unknownSection: return "is no section of it: write [channel0] or [channel1]";
    case SignalProblem::sectionTwice: return "gives this channel's section a second time";
    case SignalProblem::outsideSection: return "is a setting before any [channel0] or [channel1]";
    case SignalProblem::notASetting: return "is neither a [section] nor a name=value setting";
    case SignalProblem::unknownSetting:
        return "names no setting (signal, offset, amplitude, frequency, noise, file, tau, supply, relay)";
    case SignalProblem::settingTwice: return "gives the same setting a second time";
    case SignalProblem::noSignal: return "starts a section without a signal= line";
    case SignalProblem::unknownSignal:
        return "names no signal: write constant, sine, square, triangle, ramp, csv or rc";
    case SignalProblem::notANumber: return "gives a value that is not a number (write 2.5 or 2,5)";
    case SignalProblem::noRecording: return "starts a csv section without a file= line";
    case SignalProblem::recordingNotBeside:
        return "gives file= a folder, a device name (CON, COM1...) or a name longer than 64 characters: name "
               "a file beside kolmsim.ini";
    case SignalProblem::recordingMissing: return "is not there";
    case SignalProblem::recordingNotTimeVolts: return "is not two numbers, time and volts (0.02,3.3)";
    case SignalProblem::recordingOutOfRange:
        return "gives a time outside 0 to 1000000 (seconds) or volts outside -100 to 100";
    case SignalProblem::recordingNotLater: return "gives a time that is not later than the one before";
    case SignalProblem::recordingTooLong: return "goes past the 4096 points a recording may have";
    case SignalProblem::recordingEmpty: return "holds no time,volts line";
    default: return "";
    }
}

std::string outOfRange(kolm::Setting s) {
    const std::string name = std::string(kolm::settingName(s)) + "= must be ";
    switch (s) {
    case kolm::Setting::amplitude:
    case kolm::Setting::noise: return name + "from 0 to 100 (volts)";
    case kolm::Setting::frequency: return name + "above 0 and at most 10000 (hertz)";
    case kolm::Setting::tau: return name + "above 0 and at most 1000000 (seconds)";
    case kolm::Setting::relay: return name + "0, 1, 2 or 3";
    default: return name + "from -100 to 100 (volts)";
    }
}

bool aboutRecording(SignalProblem p) { return p >= SignalProblem::recordingMissing; }

// What is wrong, after the file's name and line.
std::string problemOf(const kolm::SignalVerdict& v) {
    if (v.problem == SignalProblem::unreadable) return fileProblem(v.reading, kolm::kSignalFileMax);
    if (v.problem == SignalProblem::recordingUnreadable)
        return fileProblem(v.reading, kolm::kRecordingFileMax);
    return problemText(v.problem);
}

}  // namespace

SignalSetting signalSettingOf(const fs::path& folder) {
    SignalSetting s;
    s.file = (folder / kolm::kSignalFileName).string();
    std::vector<char> buffer(kolm::kRecordingFileMax);
    struct Recordings {
        kolmsim::Recording r[kolmsim::kInputs];
    };
    const auto recordings = std::make_unique<Recordings>();
    fs::path where = folder;
    s.source = kolm::loadSignals(readInFolder, &where, buffer.data(), s.signal, s.recordings, recordings->r);
    return s;
}

std::string signalProblem(const SignalSetting& s) {
    const kolm::SignalVerdict& v = s.source.verdict;
    if (v.problem == SignalProblem::none) return {};
    if (aboutRecording(v.problem)) {
        const fs::path recording = fs::path(s.file).parent_path() / s.recordings[v.channel];
        return recording.string() + " (channel " + std::to_string(v.channel) + ")" +
               (v.line > 0 ? " line " + std::to_string(v.line) : "") + " " + problemOf(v);
    }
    const std::string where = s.file + (v.line > 0 ? " line " + std::to_string(v.line) : "");
    if (v.problem == SignalProblem::outOfRange) return where + ": " + outOfRange(v.setting);
    return where + " " + problemOf(v);
}

std::string signalSummary(const SignalSetting& s, int channel) {
    const kolmsim::Signal& g = s.signal[channel];
    const std::string wave =
        volts(g.offset) + " +/- " + volts(g.amplitude) + " at " + number(g.frequency) + " Hz";
    std::string text;
    switch (g.shape) {
    case Shape::Constant: text = "constant " + volts(g.offset); break;
    case Shape::Sine: text = "sine " + wave; break;
    case Shape::Square: text = "square " + wave; break;
    case Shape::Triangle: text = "triangle " + wave; break;
    case Shape::Ramp: text = "ramp " + wave; break;
    case Shape::Recording: text = std::string("csv ") + s.recordings[channel] + " in a loop"; break;
    case Shape::Circuit:
        text = "rc on relay " + std::to_string(g.relay) + ", tau " + number(g.tau) + " s, supply " +
               volts(g.supply);
        break;
    }
    if (g.noise > 0.0) text += ", noise " + volts(g.noise) + " RMS";
    return text;
}

std::string virtualBoxAdvice(const std::string& plugin) {
    const SignalSetting s = signalSettingOf(fs::path(plugin).parent_path());
    const std::string problem = signalProblem(s);
    if (!problem.empty())
        return "  The virtual box has no signals: " + problem + ".\n  Mend it, or remove " + s.file +
               " for the demo signals.";
    return "  The virtual box did not start in the plug-in, though its signal files read well here.";
}

}  // namespace kolmctl
