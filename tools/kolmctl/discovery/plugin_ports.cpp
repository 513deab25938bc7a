#include "plugin_ports.h"

#include "file_beside.h"
#include "file_kind.h"
#include "hex.h"
#include "machine_ports.h"
#include "module_file.h"

namespace kolmctl {

namespace {

namespace fs = std::filesystem;

kolm::PortFile readPortFile(const fs::path& path, std::uint16_t& base, int& reading) {
    char text[kolm::kPortFileMax];
    const int length = readWholeFile(path, text, kolm::kPortFileMax);
    if (length == kolm::kNoSuchFile) return kolm::PortFile::absent;
    reading = length < 0 ? length : 0;
    if (length < 0) return kolm::PortFile::unreadable;
    return kolm::parsePortFile(text, length, base);
}

// Where the variant is not known: the usual step of the platform.
std::string usualAdvice(bool windowsFile) {
    return windowsFile
               ? "  Put the port helper " + std::string(windowsHelperFor(hostKind().machine)) +
                     " (and its driver, if it comes with one) in the host\n"
                     "  program's folder, beside the plug-in; the first run may need administrator rights\n"
                     "  for the helper to install its driver."
               : "  Load the ppdev module (modprobe ppdev) and add your user to group lp (adduser USER lp,\n"
                 "  then log in again); or run as root, for direct port access.";
}

}  // namespace

std::uint16_t builtInBase(int lpt) { return lpt == 1 ? 0x378 : lpt == 2 ? 0x278 : 0; }

PortSetting portSettingOf(const fs::path& folder, int lpt) {
    PortSetting s;
    s.lpt = lpt;
    s.file = (folder / ("kolmlpt" + std::to_string(lpt) + ".ini")).string();
    std::uint16_t base = builtInBase(lpt);
    s.state = readPortFile(s.file, base, s.reading);
    const bool usable = s.state == kolm::PortFile::absent || s.state == kolm::PortFile::valid;
    s.base = usable ? base : 0;
    return s;
}

std::string portFileProblem(const PortSetting& s) {
    switch (s.state) {
    case kolm::PortFile::unreadable: return fileProblem(s.reading, kolm::kPortFileMax);
    case kolm::PortFile::noBase: return "has no base= line in a [port] section";
    case kolm::PortFile::notANumber: return "gives a base that is not a number (write 0xD010, or 53264)";
    case kolm::PortFile::outOfRange: return "gives a base outside 0x100 to 0xFFF8";
    case kolm::PortFile::notAligned: return "gives a base that is not a multiple of 4";
    case kolm::PortFile::twoBases: return "has more than one base= line";
    default: return "";
    }
}

std::string noPortAdvice(const std::string& plugin, int lpt, bool windowsFile) {
    if (lpt == 0) return usualAdvice(windowsFile);
    const PortSetting s = portSettingOf(fs::path(plugin).parent_path(), lpt);
    if (s.base == 0)
        return "  " + s.file + " " + portFileProblem(s) + ": mend it, or remove it to use " +
               hexPort(builtInBase(lpt));
    // The helper is looked for beside the plug-in, where the host program keeps it.
    const MachinePorts machine =
        discoverPorts((fs::absolute(plugin).parent_path() / "").make_preferred().string());
    const MachinePort* port = portAt(machine, s.base);
    std::string why;
    if (port == nullptr && !machine.ports.empty()) {
        why = "  No parallel port at " + hexPort(s.base) + "; the system has ";
        const char* sep = "";
        for (const MachinePort& other : machine.ports) {
            why += sep + other.name + " at " + hexPort(other.base);
            sep = ", ";
        }
        why += ".\n  For one of those, write base=0x.... in " + s.file + " (kolmctl ports tells which).";
        // Linux without direct I/O reaches only listed ports; Windows writes to any base
        // once it has the helper, so the step to the helper is the other reason.
        if (!windowsFile && !machine.directIo) return why;
    }
    const std::string step = accessStep(machine, port);
    if (!step.empty())
        return (why.empty() ? "" : why + "\n") + "  To reach the port at " + hexPort(s.base) + ": " + step +
               ".";
    if (port != nullptr && !port->holder.empty())
        return "  " + port->name + " at " + hexPort(s.base) + " is held by " + port->holder +
               ": the plug-in takes it once it is let go.";
    return why.empty() ? usualAdvice(windowsFile) : why;
}

}  // namespace kolmctl
