#include "calibration.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "advice.h"
#include "exit_codes.h"
#include "file_beside.h"
#include "json_text.h"
#include "replaced_file.h"
#include "utf8.h"

namespace kolmctl {

namespace {

namespace fs = std::filesystem;

constexpr const char* kFileName = "kolmcal.ini";
constexpr int kMostBytes = 4096;

fs::path userFolder() {
    if (const char* app = std::getenv("APPDATA"); app != nullptr && *app != 0) return fs::path(app) / "KOLM";
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != 0)
        return fs::path(xdg) / "kolm";
    const char* home = std::getenv("HOME");
    return fs::path(home != nullptr ? home : ".") / ".config" / "kolm";
}

bool writableFolder(const fs::path& folder) {
    const fs::path probe = folder / ".kolmcal-probe";
    if (createNew(probe.string()) != 0) return false;
    std::error_code ec;
    fs::remove(probe, ec);
    return true;
}

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    const auto last = s.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
}

}  // namespace

std::string calibrationFile(const std::string& pluginPath) {
    const fs::path beside = fs::path(pluginPath).parent_path() / kFileName;
    const fs::path user = userFolder() / kFileName;
    std::error_code ec;
    if (fs::exists(beside, ec)) return beside.string();
    if (fs::exists(user, ec)) return user.string();
    return writableFolder(beside.parent_path()) ? beside.string() : user.string();
}

Calibrations readCalibrations(const std::string& path) {
    Calibrations c;
    std::error_code ec;
    if (!fs::exists(path, ec)) return c;
    char text[kMostBytes];
    const int n = readWholeFile(path, text, sizeof text);
    if (n < 0) throw Error{kUsage, path + " " + notReadWords(fileNotRead(n, kMostBytes))};
    std::istringstream lines(validUtf8(std::string(text, static_cast<std::size_t>(n))));
    std::string line;
    int channel = -1;
    for (int number = 1; std::getline(lines, line); ++number) {
        line = trimmed(line);
        const auto bad = [&](const std::string& why) {
            std::string said = path;
            said += " line " + std::to_string(number) + ": ";
            said += why;
            return Error{kUsage, said};
        };
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line == "[channel 0]" || line == "[channel 1]") {
            channel = line[9] - '0';
            c[static_cast<std::size_t>(channel)].emplace();
            continue;
        }
        const auto eq = line.find('=');
        if (channel < 0 || eq == std::string::npos)
            throw bad("expected [channel 0], [channel 1] or name=value");
        const std::string key = trimmed(line.substr(0, eq));
        const std::string value = trimmed(line.substr(eq + 1));
        Calibration& cal = *c[static_cast<std::size_t>(channel)];
        if (key == "name") cal.name = value;
        else if (key == "unit") cal.unit = value;
        else if (key == "a" || key == "b") {
            char* end = nullptr;
            const double v = std::strtod(value.c_str(), &end);
            if (value.empty() || *end != 0) throw bad(key + " must be a number");
            (key == "a" ? cal.a : cal.b) = v;
        } else throw bad("unknown setting \"" + key + "\"");
    }
    return c;
}

void writeCalibrations(const std::string& path, const Calibrations& c) {
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    ReplacedFile file(path);
    file.stream() << "; kolmctl's calibration of the channels: value = a x volts + b\n";
    for (std::size_t k = 0; k < c.size(); ++k)
        if (c[k])
            file.stream() << "[channel " << k << "]\nname=" << c[k]->name << "\nunit=" << c[k]->unit
                          << "\na=" << jsonNumber(c[k]->a) << "\nb=" << jsonNumber(c[k]->b) << "\n";
    file.commit(false);
}

std::string calibrationText(const Calibration& c) {
    return c.name + " (" + c.unit + ") = " + jsonNumber(c.a) + " x volts + " + jsonNumber(c.b);
}

}  // namespace kolmctl
