// The port each plug-in file uses, found as the plug-in finds it: the base built into
// kolmlpt1 (0x378) and kolmlpt2 (0x278), or the one its port file beside it names;
// and, for a plug-in that answers "no value", what stands between it and that port,
// as facts (cli/advice words them).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "file_beside.h"
#include "machine_ports.h"
#include "port_file.h"

namespace kolmctl {

// The base the plug-in file kolmlpt<lpt> in a folder uses, and where it comes from.
struct PortSetting {
    int lpt = 0;
    std::string file;  // its port file, present or not
    kolm::PortFile state = kolm::PortFile::absent;
    std::uint16_t base = 0;  // 0: no port (an invalid port file)
    FileNotRead notRead;     // for an unreadable file, why
};

std::uint16_t builtInBase(int lpt);
PortSetting portSettingOf(const std::filesystem::path& folder, int lpt);

// What stands between the plug-in file `plugin` (of variant `lpt`, 0 when not known)
// and its port, as far as its port file and the machine tell.
struct PortReach {
    PortSetting setting;              // lpt 0: the variant is not known, nothing else looked at
    MachinePorts machine;             // looked at where the setting gives a base
    std::optional<MachinePort> port;  // the machine's port at that base
    AccessBlock block = AccessBlock::none;
};
PortReach portReachOf(const std::string& plugin, int lpt);

}  // namespace kolmctl
