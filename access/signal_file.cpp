// Reading kolmsim.ini and its recordings, byte by byte and without the C library.
#include "signal_file.h"

#include <cstddef>

#include "ini_text.h"

namespace kolm {

namespace {

using ini::Span;
using kolmsim::Shape;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The digits of a decimal number, with at most one point (or comma, where `comma`):
// up to 17 significant ones into `mantissa`, and the power of ten to scale it by.
struct Digits {
    double mantissa = 0.0;
    int scale = 0;
    bool any = false;
};
const char* readDigits(const char* p, const char* end, bool comma, Digits& d) {
    int kept = 0;  // significant digits kept: 17 are all a double holds
    bool point = false;
    for (; p < end; ++p) {
        if (!point && (*p == '.' || (comma && *p == ','))) {
            point = true;
            continue;
        }
        if (!isDigit(*p)) break;
        d.any = true;
        if (kept == 17) {
            if (!point) ++d.scale;
            continue;
        }
        d.mantissa = d.mantissa * 10.0 + (*p - '0');
        if (d.mantissa > 0.0) ++kept;
        if (point) --d.scale;
    }
    return p;
}

// An exponent "e-3" at p, added to `scale`; nullptr when it has no digits.
const char* readExponent(const char* p, const char* end, int& scale) {
    const bool down = p < end && *p == '-';
    if (p < end && (*p == '-' || *p == '+')) ++p;
    if (p == end || !isDigit(*p)) return nullptr;
    int exponent = 0;
    for (; p < end && isDigit(*p); ++p)
        if (exponent < 1000) exponent = exponent * 10 + (*p - '0');
    scale += down ? -exponent : exponent;
    return p;
}

// A decimal number, "2.5", "-0,25" (where `comma` is a decimal point), "1e-3".
bool decimal(Span s, bool comma, double& out) {
    const char* p = s.begin;
    const bool negative = p < s.end && *p == '-';
    if (p < s.end && (*p == '-' || *p == '+')) ++p;
    Digits d;
    p = readDigits(p, s.end, comma, d);
    if (!d.any) return false;
    if (p < s.end && (*p == 'e' || *p == 'E')) p = readExponent(p + 1, s.end, d.scale);
    if (p != s.end) return false;
    // Every power of ten to 10^22 is exact, so a short number divides once, exactly rounded.
    // Past the largest double the power is infinite, and so is the number: no range
    // holds it, so "1e400" is refused rather than read as a smaller number.
    double power = 1.0;
    for (int k = d.scale < 0 ? -d.scale : d.scale; k > 0 && power - power == 0.0; --k) power *= 10.0;
    out = d.mantissa == 0.0 ? 0.0 : d.scale < 0 ? d.mantissa / power : d.mantissa * power;
    if (negative) out = -out;
    return true;
}

// What a recording's points may be: seconds from the start, and volts as the settings'.
bool pointInRange(double time, double volts) {
    return time >= 0.0 && time <= kSecondsMax && volts >= -kVoltsLimit && volts <= kVoltsLimit;
}

// 0 for [channel0], 1 for [channel1], otherwise -1.
int channelOf(Span section) {
    if (ini::sameWord(section, "channel0")) return 0;
    if (ini::sameWord(section, "channel1")) return 1;
    return -1;
}

int settingOf(Span name) {
    for (int k = 0; k < kSettings; ++k)
        if (ini::sameWord(name, kSettingNames[k])) return k;
    return -1;
}

SignalVerdict at(SignalProblem problem, int line, int channel = 0, Setting setting = Setting::signal) {
    SignalVerdict v;
    v.problem = problem;
    v.line = line;
    v.channel = channel;
    v.setting = setting;
    return v;
}

// A name Windows keeps for a device in every folder (CON, PRN, AUX, NUL, COM1 to COM9,
// LPT1 to LPT9), with any extension and in any case: opening it would reach the
// device. Refused everywhere, so that a lesson's files work on every system.
constexpr const char* kDeviceWords[] = {"con", "prn", "aux", "nul"};
bool deviceName(Span value) {
    const char* stem = value.begin;
    while (stem < value.end && *stem != '.') ++stem;
    const Span s = ini::trimmed({value.begin, stem});
    for (const char* word : kDeviceWords)
        if (ini::sameWord(s, word)) return true;
    if (s.end - s.begin != 4 || s.end[-1] < '1' || s.end[-1] > '9') return false;
    const Span three{s.begin, s.end - 1};
    return ini::sameWord(three, "com") || ini::sameWord(three, "lpt");
}

// A name of a file in the same folder: no folder part, no drive, not "." or "..", no device.
bool copyName(Span value, char* name) {
    const auto length = value.end - value.begin;
    if (length == 0 || length > kRecordingNameMax || deviceName(value)) return false;
    bool dotsOnly = true;
    for (const char* p = value.begin; p < value.end; ++p) {
        if (*p == '/' || *p == '\\' || *p == ':') return false;
        dotsOnly = dotsOnly && *p == '.';
    }
    if (dotsOnly) return false;
    for (std::ptrdiff_t k = 0; k < length; ++k) name[k] = value.begin[k];
    name[length] = '\0';
    return true;
}

SignalVerdict apply(Setting setting, const ini::Line& line, int channel, Signal& s, char* name) {
    if (setting == Setting::signal) {
        for (int k = 0; k < kShapeCount; ++k)
            if (ini::sameWord(line.value, kShapeNames[k])) {
                s.shape = static_cast<Shape>(k);
                return {};
            }
        return at(SignalProblem::unknownSignal, line.number, channel);
    }
    if (setting == Setting::file)
        return copyName(line.value, name) ? SignalVerdict{}
                                          : at(SignalProblem::recordingNotBeside, line.number, channel);
    double v = 0.0;
    if (!decimal(line.value, true, v)) return at(SignalProblem::notANumber, line.number, channel, setting);
    const SettingRange r = settingRange(setting);
    if (!(r.lowAllowed ? v >= r.low : v > r.low) || v > r.high ||
        (setting == Setting::relay && v != static_cast<double>(static_cast<int>(v))))
        return at(SignalProblem::outOfRange, line.number, channel, setting);
    switch (setting) {
    case Setting::offset: s.offset = v; break;
    case Setting::amplitude: s.amplitude = v; break;
    case Setting::frequency: s.frequency = v; break;
    case Setting::noise: s.noise = v; break;
    case Setting::tau: s.tau = v; break;
    case Setting::supply: s.supply = v; break;
    default: s.relay = static_cast<int>(v); break;
    }
    return {};
}

// "time,volts", "time;volts" or "time<tab>volts"; with ';' or a tab between them the
// numbers may have a decimal comma.
bool timeVolts(Span line, double& time, double& volts) {
    char separator = ',';
    for (const char* p = line.begin; p < line.end; ++p)
        if (*p == ';' || (*p == '\t' && separator == ',')) separator = *p;
    const char* cut = line.begin;
    while (cut < line.end && *cut != separator) ++cut;
    if (cut == line.end) return false;
    const Span first = ini::trimmed({line.begin, cut});
    const Span second = ini::trimmed({cut + 1, line.end});
    for (const char* p = second.begin; p < second.end; ++p)
        if (*p == separator) return false;
    const bool comma = separator != ',';
    return decimal(first, comma, time) && decimal(second, comma, volts);
}

bool hasLetter(Span s) {
    for (const char* p = s.begin; p < s.end; ++p)
        if ((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z')) return true;
    return false;
}

// What kolmsim.ini has said so far: the sections met and the settings given in each.
struct Sections {
    int current = -1;  // the channel of the section being read; -1 before the first
    bool seen[kInputs] = {};
    int line[kInputs] = {};
    bool given[kInputs][kSettings] = {};

    SignalVerdict open(const ini::Line& l) {
        current = channelOf(l.section);
        if (current < 0) return at(SignalProblem::unknownSection, l.number);
        if (seen[current]) return at(SignalProblem::sectionTwice, l.number, current);
        seen[current] = true;
        line[current] = l.number;
        return {};
    }

    // The setting of line `l` given once in the current section: its index, or a verdict.
    int settingOfLine(const ini::Line& l, SignalVerdict& v) {
        const int ch = current < 0 ? 0 : current;
        const int k = settingOf(l.name);
        if (l.name.empty()) v = at(SignalProblem::notASetting, l.number, ch);
        else if (current < 0) v = at(SignalProblem::outsideSection, l.number);
        else if (k < 0) v = at(SignalProblem::unknownSetting, l.number, ch);
        else if (given[ch][k]) v = at(SignalProblem::settingTwice, l.number, ch, static_cast<Setting>(k));
        else given[ch][k] = true;
        return v.problem == SignalProblem::none ? k : -1;
    }

    // Each section names its signal, and a recording's its file.
    SignalVerdict complete(const Signal (&signals)[kInputs]) const {
        for (int ch = 0; ch < kInputs; ++ch) {
            if (!seen[ch]) continue;
            if (!given[ch][static_cast<int>(Setting::signal)])
                return at(SignalProblem::noSignal, line[ch], ch);
            if (signals[ch].shape == Shape::Recording && !given[ch][static_cast<int>(Setting::file)])
                return at(SignalProblem::noRecording, line[ch], ch);
        }
        return {};
    }
};

}  // namespace

const char* settingName(Setting s) { return kSettingNames[static_cast<int>(s)]; }

SignalVerdict parseSignalFile(const char* text, int length, Signal (&signals)[kInputs],
                              RecordingNames& names) {
    for (int ch = 0; ch < kInputs; ++ch) {
        signals[ch] = Signal{};
        names[ch][0] = '\0';
    }
    Sections sections;
    ini::Lines lines(text, length);
    for (ini::Line line; lines.next(line);) {
        if (line.text.empty()) continue;
        SignalVerdict v = line.isSection ? sections.open(line) : SignalVerdict{};
        if (!line.isSection) {
            const int k = sections.settingOfLine(line, v);
            if (k >= 0)
                v = apply(static_cast<Setting>(k), line, sections.current, signals[sections.current],
                          names[sections.current]);
        }
        if (v.problem != SignalProblem::none) return v;
    }
    for (int ch = 0; ch < kInputs; ++ch)
        if (signals[ch].shape != Shape::Recording) names[ch][0] = '\0';
    return sections.complete(signals);
}

SignalVerdict parseRecording(const char* text, int length, Recording& out) {
    out.points = 0;
    ini::skipByteOrderMark(text, length);
    const char* const end = text + length;
    bool first = true;  // the first line with something on it may name the columns
    int number = 0;
    for (const char* p = text; p < end;) {
        const char* eol = p;
        while (eol < end && *eol != '\n') ++eol;
        const Span line = ini::trimmed({p, eol});
        p = eol + 1;
        ++number;
        if (line.empty() || *line.begin == '#') continue;
        double time = 0.0;
        double volts = 0.0;
        const bool read = timeVolts(line, time, volts);
        if (!read && first && hasLetter(line)) {
            first = false;
            continue;
        }
        first = false;
        if (!read) return at(SignalProblem::recordingNotTimeVolts, number);
        if (!pointInRange(time, volts)) return at(SignalProblem::recordingOutOfRange, number);
        if (out.points == kolmsim::kMaxRecordingPoints) return at(SignalProblem::recordingTooLong, number);
        if (out.points > 0 && !(time > out.time[out.points - 1]))
            return at(SignalProblem::recordingNotLater, number);
        out.time[out.points] = time;
        out.volts[out.points] = volts;
        ++out.points;
    }
    return out.points == 0 ? at(SignalProblem::recordingEmpty, 0) : SignalVerdict{};
}

SignalSource loadSignals(ReadBeside read, void* context, char* buffer, Signal (&signals)[kInputs],
                         RecordingNames& names, Recording (&recordings)[kInputs]) {
    SignalSource source;
    const int length = read(context, kSignalFileName, buffer, kSignalFileMax);
    if (length == kNoSuchFile) {
        kolmsim::demoSignals(signals);
        for (auto& name : names) name[0] = '\0';
        return source;
    }
    source.fromFile = true;
    if (length < 0) {
        source.verdict = at(SignalProblem::unreadable, 0);
        source.verdict.reading = length;
        return source;
    }
    source.verdict = parseSignalFile(buffer, length, signals, names);
    for (int ch = 0; ch < kInputs && source.verdict.problem == SignalProblem::none; ++ch) {
        if (signals[ch].shape != Shape::Recording) continue;
        const int n = read(context, names[ch], buffer, kRecordingFileMax);
        if (n < 0) {
            const bool missing = n == kNoSuchFile;
            source.verdict =
                at(missing ? SignalProblem::recordingMissing : SignalProblem::recordingUnreadable, 0, ch);
            source.verdict.reading = n;
            break;
        }
        source.verdict = parseRecording(buffer, n, recordings[ch]);
        source.verdict.channel = ch;
        signals[ch].recording = &recordings[ch];
    }
    return source;
}

}  // namespace kolm
