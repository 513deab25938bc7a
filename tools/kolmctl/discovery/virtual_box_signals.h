// The signals of the virtual box of a kolmsim file, read as the plug-in reads them
// (access/signal_file.h) from the kolmsim.ini in its folder and the recordings that
// file names, or the demo signals without one; and, for a kolmsim that answers "no
// value", what the reader refused. Facts: cli/advice words them.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "file_beside.h"

namespace kolmctl {

// What one channel shows.
struct ChannelSignal {
    const char* shape = "";  // its signal= word: constant, sine, square, triangle, ramp, csv or rc
    double offset = 0.0, amplitude = 0.0, frequency = 0.0, noise = 0.0, tau = 0.0, supply = 0.0;
    int relay = 0;
    std::string recording;  // csv: the file it replays
};

// What the reader refused, where it refused something.
struct SignalFault {
    const char* reason = nullptr;  // the reader's word: "unknownSection", "outOfRange", ...; nullptr: none
    std::string file;              // the file at fault: kolmsim.ini, or a recording beside it
    bool recording = false;        // `file` is `channel`'s recording
    int line = 0;                  // from 1; 0: the whole file
    int channel = 0;
    // outOfRange: the setting, and what it may be: from `low` (or just above it) to `high`.
    std::string setting;
    double low = 0.0, high = 0.0;
    bool lowAllowed = true;
    FileNotRead notRead;  // unreadable, recordingUnreadable
};

struct SignalSetting {
    std::string file;  // kolmsim.ini, there or not
    bool fromFile = false;
    SignalFault fault;
    std::vector<ChannelSignal> channels;
};
SignalSetting signalSettingOf(const std::filesystem::path& folder);

// What the reader takes, for the words about what it refused.
struct SignalVocabulary {
    std::string fileName;                       // kolmsim.ini
    std::vector<std::string> settings, shapes;  // the setting names; the signal= words
    int nameMax = 0;                            // a recording's name, in characters
    int pointsMax = 0;                          // a recording's points
    double voltsLimit = 0.0, secondsMax = 0.0;  // a recorded point's volts (either sign) and time
};
const SignalVocabulary& signalVocabulary();

}  // namespace kolmctl
