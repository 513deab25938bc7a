// Calibration of the analog channels: a name, a unit and a line, value = a x volts + b,
// per channel, kept in kolmcal.ini: beside the plug-in file where one is there or the
// folder can be written (a zip unpacked), else in the user's folder
// ($XDG_CONFIG_HOME/kolm or ~/.config/kolm; %APPDATA%\KOLM on Windows).
//   [channel 0]
//   name=T
//   unit=°C
//   a=20
//   b=-10
#pragma once

#include <array>
#include <optional>
#include <string>

namespace kolmctl {

struct Calibration {
    std::string name;  // UTF-8
    std::string unit;  // UTF-8
    double a = 1.0;
    double b = 0.0;
    double value(double volts) const { return a * volts + b; }
};

using Calibrations = std::array<std::optional<Calibration>, 2>;

// The calibration file for the plug-in file at `pluginPath`: the one beside it where it
// is there, else the user's where that one is, else where a new one would go.
std::string calibrationFile(const std::string& pluginPath);
// The calibrations in `path`; none where there is no file. Error kUsage, naming the file
// and the line, for a file that is not one.
Calibrations readCalibrations(const std::string& path);
// Writes them whole in place of the file; Error kOutputFailed if it cannot.
void writeCalibrations(const std::string& path, const Calibrations& c);
// "T (°C) = 20 x volts + -10": what a CSV's # line says of a channel's calibration.
std::string calibrationText(const Calibration& c);

}  // namespace kolmctl
