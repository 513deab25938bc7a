#include "plugin_ports.h"

#include "module_file.h"
#include "settings_file.h"

namespace kolmctl {

namespace {

namespace fs = std::filesystem;

kolm::PortFile readPortFile(const fs::path& path, std::uint16_t& base, FileNotRead& notRead) {
    char text[kolm::kPortFileMax];
    const int length = readWholeFile(path, text, kolm::kPortFileMax);
    if (length == kolm::kNoSuchFile) return kolm::PortFile::absent;
    if (length < 0) {
        notRead = fileNotRead(length, kolm::kPortFileMax);
        return kolm::PortFile::unreadable;
    }
    return kolm::parsePortFile(text, length, base);
}

}  // namespace

std::uint16_t builtInBase(int lpt) { return lpt == 1 ? 0x378 : lpt == 2 ? 0x278 : 0; }

PortSetting portSettingOf(const fs::path& folder, int lpt) {
    PortSetting s;
    s.lpt = lpt;
    s.file = (folder / ("kolmlpt" + std::to_string(lpt) + ".ini")).string();
    std::uint16_t base = builtInBase(lpt);
    s.state = readPortFile(s.file, base, s.notRead);
    const bool usable = s.state == kolm::PortFile::absent || s.state == kolm::PortFile::valid;
    s.base = usable ? base : 0;
    return s;
}

PortReach portReachOf(const std::string& plugin, int lpt) {
    PortReach r;
    if (lpt == 0) return r;
    r.setting = portSettingOf(fs::path(plugin).parent_path(), lpt);
    if (r.setting.base == 0) return r;
    // The helper is looked for beside the plug-in, where the host program keeps it.
    r.machine = discoverPorts((fs::absolute(plugin).parent_path() / "").make_preferred().string());
    if (const MachinePort* port = portAt(r.machine, r.setting.base)) r.port = *port;
    r.block = accessBlock(r.machine, r.port ? &*r.port : nullptr);
    return r;
}

}  // namespace kolmctl
