// The port each plug-in file uses, found as the plug-in finds it: the base built into
// kolmlpt1 (0x378) and kolmlpt2 (0x278), or the one its port file beside it names;
// and, for a plug-in that answers "no value", what stands between it and that port
// and the one step that removes it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "port_file.h"

namespace kolmctl {

// The base the plug-in file kolmlpt<lpt> in a folder uses, and where it comes from.
struct PortSetting {
    int lpt = 0;
    std::string file;  // its port file, present or not
    kolm::PortFile state = kolm::PortFile::absent;
    std::uint16_t base = 0;  // 0: no port (an invalid port file)
    int reading = 0;         // for an unreadable file, why (kolm::readSettingsFile's answer)
};

std::uint16_t builtInBase(int lpt);
PortSetting portSettingOf(const std::filesystem::path& folder, int lpt);
// What is wrong with the port file, e.g. "has no base= line in a [port] section";
// empty for an absent or valid one.
std::string portFileProblem(const PortSetting& s);

// The lines, each indented by two spaces, that tell why the plug-in file `plugin` (of
// variant `lpt`, 0 when not known) reaches no port and what to do about it.
std::string noPortAdvice(const std::string& plugin, int lpt, bool windowsFile);

}  // namespace kolmctl
