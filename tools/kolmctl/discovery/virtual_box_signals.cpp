#include "virtual_box_signals.h"

#include <memory>

#include "signal_file.h"

namespace kolmctl {

namespace {

namespace fs = std::filesystem;
using kolm::SignalProblem;

int readInFolder(void* folder, const char* name, char* text, int capacity) {
    return readWholeFile(*static_cast<const fs::path*>(folder) / name, text, capacity);
}

const char* reasonOf(SignalProblem p) {
    switch (p) {
    case SignalProblem::none: return nullptr;
    case SignalProblem::unreadable: return "unreadable";
    case SignalProblem::unknownSection: return "unknownSection";
    case SignalProblem::sectionTwice: return "sectionTwice";
    case SignalProblem::outsideSection: return "outsideSection";
    case SignalProblem::notASetting: return "notASetting";
    case SignalProblem::unknownSetting: return "unknownSetting";
    case SignalProblem::settingTwice: return "settingTwice";
    case SignalProblem::noSignal: return "noSignal";
    case SignalProblem::unknownSignal: return "unknownSignal";
    case SignalProblem::notANumber: return "notANumber";
    case SignalProblem::outOfRange: return "outOfRange";
    case SignalProblem::noRecording: return "noRecording";
    case SignalProblem::recordingNotBeside: return "recordingNotBeside";
    case SignalProblem::recordingMissing: return "recordingMissing";
    case SignalProblem::recordingUnreadable: return "recordingUnreadable";
    case SignalProblem::recordingNotTimeVolts: return "recordingNotTimeVolts";
    case SignalProblem::recordingOutOfRange: return "recordingOutOfRange";
    case SignalProblem::recordingNotLater: return "recordingNotLater";
    case SignalProblem::recordingTooLong: return "recordingTooLong";
    case SignalProblem::recordingEmpty: return "recordingEmpty";
    }
    return "unreadable";
}

SignalFault faultOf(const kolm::SignalVerdict& v, const std::string& file,
                    const kolm::RecordingNames& names) {
    SignalFault f;
    f.reason = reasonOf(v.problem);
    if (f.reason == nullptr) return f;
    f.recording = v.problem >= SignalProblem::recordingMissing;
    f.file = f.recording ? (fs::path(file).parent_path() / names[v.channel]).string() : file;
    f.line = v.line;
    f.channel = v.channel;
    if (v.problem == SignalProblem::outOfRange) {
        const kolm::SettingRange r = kolm::settingRange(v.setting);
        f.setting = kolm::settingName(v.setting);
        f.low = r.low;
        f.high = r.high;
        f.lowAllowed = r.lowAllowed;
    }
    if (v.problem == SignalProblem::unreadable) f.notRead = fileNotRead(v.reading, kolm::kSignalFileMax);
    if (v.problem == SignalProblem::recordingUnreadable)
        f.notRead = fileNotRead(v.reading, kolm::kRecordingFileMax);
    return f;
}

}  // namespace

SignalSetting signalSettingOf(const fs::path& folder) {
    SignalSetting s;
    s.file = (folder / kolm::kSignalFileName).string();
    std::vector<char> buffer(kolm::kRecordingFileMax);
    struct Loaded {
        kolmsim::Signal signal[kolmsim::kInputs];
        kolm::RecordingNames names{};
        kolmsim::Recording recordings[kolmsim::kInputs];
    };
    const auto loaded = std::make_unique<Loaded>();
    fs::path where = folder;
    const kolm::SignalSource source = kolm::loadSignals(readInFolder, &where, buffer.data(), loaded->signal,
                                                        loaded->names, loaded->recordings);
    s.fromFile = source.fromFile;
    s.fault = faultOf(source.verdict, s.file, loaded->names);
    for (int ch = 0; ch < kolmsim::kInputs; ++ch) {
        const kolmsim::Signal& g = loaded->signal[ch];
        s.channels.push_back({kolm::kShapeNames[static_cast<int>(g.shape)], g.offset, g.amplitude,
                              g.frequency, g.noise, g.tau, g.supply, g.relay, loaded->names[ch]});
    }
    return s;
}

const SignalVocabulary& signalVocabulary() {
    static const SignalVocabulary v{kolm::kSignalFileName,
                                    {std::begin(kolm::kSettingNames), std::end(kolm::kSettingNames)},
                                    {std::begin(kolm::kShapeNames), std::end(kolm::kShapeNames)},
                                    kolm::kRecordingNameMax,
                                    kolmsim::kMaxRecordingPoints,
                                    kolm::kVoltsLimit,
                                    kolm::kSecondsMax};
    return v;
}

}  // namespace kolmctl
