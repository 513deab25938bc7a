// The signals of the virtual box of a kolmsim file, read as the plug-in reads them
// (access/signal_file.h) from the kolmsim.ini in its folder and the recordings that
// file names, or the demo signals without one; and, for a kolmsim that answers "no
// value", what is wrong with those files.
#pragma once

#include <filesystem>
#include <string>

#include "signal_file.h"

namespace kolmctl {

struct SignalSetting {
    std::string file;  // kolmsim.ini, there or not
    kolm::SignalSource source;
    kolmsim::Signal signal[kolmsim::kInputs];
    kolm::RecordingNames recordings{};
};

SignalSetting signalSettingOf(const std::filesystem::path& folder);

// "/lab/kolmsim.ini line 3: frequency= must be above 0 and at most 10000"; empty
// when the signals are clear.
std::string signalProblem(const SignalSetting& s);
// What one channel shows, e.g. "sine 2.5 V +/- 2 V at 0.1 Hz", "rc on relay 0, tau 2 s".
std::string signalSummary(const SignalSetting& s, int channel);

// The lines, each indented by two spaces, that tell why the kolmsim file `plugin`
// answers "no value" and what to do about it.
std::string virtualBoxAdvice(const std::string& plugin);

}  // namespace kolmctl
