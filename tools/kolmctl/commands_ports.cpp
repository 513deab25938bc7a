// kolmctl ports, and the port lines of info: the machine's parallel ports, the base
// each plug-in uses (built in, or from its port file), which plug-in drives each
// port, and the one step that makes a port work. The discovery itself is the
// project's (access/ports.h); this file only reads port files and words the answer.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "commands.h"
#include "port_file.h"
#include "ports.h"

namespace kolmctl {

namespace {

namespace fs = std::filesystem;

constexpr std::uint16_t kBuiltIn[3] = {0, 0x378, 0x278};

// The base a plug-in file kolmlptN uses, and where it comes from.
struct Setting {
    int lpt = 0;
    std::string file;  // its port file, present or not
    kolm::PortFile state = kolm::PortFile::absent;
    std::uint16_t base = 0;  // 0: no port (an invalid port file)
};

kolm::PortFile readPortFile(const fs::path& path, std::uint16_t& base) {
    std::error_code ec;
    if (!fs::exists(path, ec)) return kolm::PortFile::absent;
    std::ifstream in(path, std::ios::binary);
    if (fs::is_directory(path, ec) || !in) return kolm::PortFile::unreadable;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad() || text.size() >= static_cast<std::size_t>(kolm::kPortFileMax))
        return kolm::PortFile::unreadable;
    return kolm::parsePortFile(text.data(), static_cast<int>(text.size()), base);
}

Setting settingOf(const fs::path& folder, int lpt) {
    Setting s;
    s.lpt = lpt;
    s.file = (folder / ("kolmlpt" + std::to_string(lpt) + ".ini")).string();
    std::uint16_t base = kBuiltIn[lpt];
    s.state = readPortFile(s.file, base);
    const bool usable = s.state == kolm::PortFile::absent || s.state == kolm::PortFile::valid;
    s.base = usable ? base : 0;
    return s;
}

const char* problem(kolm::PortFile state) {
    switch (state) {
    case kolm::PortFile::unreadable: return "cannot be read whole (or is larger than 2 KiB)";
    case kolm::PortFile::noBase: return "has no base= line in a [port] section";
    case kolm::PortFile::notANumber: return "gives a base that is not a number (write 0xD010, or 53264)";
    case kolm::PortFile::outOfRange: return "gives a base outside 0x100 to 0xFFF8";
    case kolm::PortFile::notAligned: return "gives a base that is not a multiple of 4";
    case kolm::PortFile::twoBases: return "has more than one base= line";
    default: return "";
    }
}

std::string hex(std::uint16_t base) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", base);
    return text;
}

std::string pluginName(int lpt, const kolm::MachinePorts& m) {
    return "kolmlpt" + std::to_string(lpt) + m.pluginSuffix;
}

// The plug-in variant of a loaded file, from its title ("KOLM en LPT1:"); 0 if neither.
int variantOf(const Plugin& p) {
    const std::string title = titleText(p, "titre");
    if (title.find("LPT1:") != std::string::npos) return 1;
    if (title.find("LPT2:") != std::string::npos) return 2;
    return 0;
}

const kolm::MachinePort* portAt(const kolm::MachinePorts& m, std::uint16_t base) {
    for (const kolm::MachinePort& port : m.ports)
        if (port.base == base) return &port;
    return nullptr;
}

// For one port: the plug-in that drives it, or the line that makes one drive it;
// then what keeps the plug-in from the port, if anything.
struct Verdict {
    int plugin = 0;  // the plug-in that uses this base now, 0 if none
    std::string line;
    std::string step;  // access still missing, empty when none
};

Verdict verdictFor(const kolm::MachinePorts& m, const kolm::MachinePort& port, const Setting (&settings)[3]) {
    Verdict v;
    for (int lpt : {1, 2})
        if (settings[lpt].base == port.base) v.plugin = lpt;
    v.step = kolm::accessStep(m, &port);
    if (v.plugin != 0) {
        const Setting& s = settings[v.plugin];
        v.line = pluginName(v.plugin, m) + (v.step.empty() ? " drives it" : " would drive it") +
                 (s.state == kolm::PortFile::valid ? " (base from " + s.file + ")" : "");
        return v;
    }
    // A plug-in whose own base is not one of the ports here is the one to move.
    int spare = 1;
    if (settings[1].base != 0 && portAt(m, settings[1].base) != nullptr) spare = 2;
    v.line = "write base=" + hex(port.base) + " in kolmlpt" + std::to_string(spare) + ".ini beside " +
             pluginName(spare, m);
    return v;
}

std::string json(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string jsonOrNull(const std::string& text) { return text.empty() ? "null" : json(text); }

const char* deviceWord(kolm::MachinePort::Device d) {
    return d == kolm::MachinePort::Device::usable   ? "usable"
           : d == kolm::MachinePort::Device::denied ? "denied"
                                                    : "absent";
}

bool onLinux(const kolm::MachinePorts& m) { return m.pluginSuffix == std::string(".so"); }

void showPort(const kolm::MachinePorts& m, const kolm::MachinePort& port, const Setting (&settings)[3],
              std::ostream& out) {
    const Verdict v = verdictFor(m, port, settings);
    out << port.name << " at " << hex(port.base);
    if (!port.description.empty()) out << "  " << port.description;
    if (onLinux(m)) {
        if (port.device == kolm::MachinePort::Device::usable) out << " (opens for you)";
        else if (port.device == kolm::MachinePort::Device::denied)
            out << " (group " << port.group << " only)";
        else out << " (no device file)";
    }
    out << "\n  -> " << v.line << "\n";
    if (!v.step.empty()) out << "  -> first " << v.step << "\n";
    if (!port.holder.empty())
        out << "  held now by " << port.holder << ": the plug-in takes the port once it is let go\n";
}

void showMechanisms(const kolm::MachinePorts& m, std::ostream& out) {
    if (onLinux(m)) {
        out << "ppdev: " << (m.ppdev ? "loaded" : "not loaded (sudo modprobe ppdev)")
            << "; direct I/O: " << (m.directIo ? "granted" : "refused (needs root or CAP_SYS_RAWIO)") << "\n";
        return;
    }
    out << "port helper: ";
    if (m.helper.empty()) out << "no inpout32.dll beside kolmctl.exe\n";
    else
        out << m.helper
            << (m.helperOpen ? ", driver open\n" : ", driver closed (run once as administrator)\n");
}

void showText(const kolm::MachinePorts& m, const Setting (&settings)[3], std::ostream& out) {
    if (m.ports.empty())
        out << (onLinux(m)
                    ? "No parallel port is known to the kernel (its driver: sudo modprobe parport_pc).\n"
                    : "No parallel port is known to Windows.\n");
    for (const kolm::MachinePort& port : m.ports) showPort(m, port, settings, out);
    showMechanisms(m, out);
    for (int lpt : {1, 2})
        if (settings[lpt].state != kolm::PortFile::absent && settings[lpt].state != kolm::PortFile::valid)
            out << settings[lpt].file << " " << problem(settings[lpt].state) << ": " << pluginName(lpt, m)
                << " has no port until it is mended\n";
}

void showJson(const kolm::MachinePorts& m, const Setting (&settings)[3], std::ostream& out) {
    out << "{\"ports\": [";
    const char* sep = "";
    for (const kolm::MachinePort& port : m.ports) {
        const Verdict v = verdictFor(m, port, settings);
        out << sep << "\n  {\"name\": " << json(port.name) << ", \"description\": " << json(port.description)
            << ", \"base\": " << port.base << ", \"holder\": " << jsonOrNull(port.holder)
            << ", \"device\": " << json(deviceWord(port.device)) << ", \"group\": " << jsonOrNull(port.group)
            << ", \"plugin\": " << (v.plugin ? json(pluginName(v.plugin, m)) : "null")
            << ", \"todo\": " << jsonOrNull(v.plugin ? "" : v.line) << ", \"access\": " << jsonOrNull(v.step)
            << "}";
        sep = ",";
    }
    out << "],\n \"ppdev\": " << (m.ppdev ? "true" : "false")
        << ", \"directIo\": " << (m.directIo ? "true" : "false") << ", \"helper\": " << jsonOrNull(m.helper)
        << ", \"helperOpen\": " << (m.helperOpen ? "true" : "false") << ",\n \"portFiles\": [";
    sep = "";
    for (int lpt : {1, 2}) {
        const Setting& s = settings[lpt];
        out << sep << "{\"plugin\": " << json(pluginName(lpt, m)) << ", \"file\": " << json(s.file)
            << ", \"present\": " << (s.state == kolm::PortFile::absent ? "false" : "true")
            << ", \"base\": " << s.base << ", \"problem\": " << jsonOrNull(problem(s.state)) << "}";
        sep = ", ";
    }
    out << "]}\n";
}

}  // namespace

int cmdPorts(const Args& args, Context& cx) {
    bool asJson = false;
    fs::path folder = kolm::programFolder();
    for (std::size_t k = 0; k < args.size(); ++k) {
        if (args[k] == "--json") asJson = true;
        else if (args[k] == "--plugins" && k + 1 < args.size()) folder = args[++k];
        else if (args[k] == "--help" || args[k] == "-h") {
            cx.out << "usage: kolmctl ports [--json] [--plugins FOLDER]\n\n"
                      "The machine's parallel ports: base address, who holds each, whether this user may\n"
                      "reach it, which plug-in drives it, or the one step that makes one drive it.\n"
                      "  --plugins FOLDER  where kolmlpt1 and kolmlpt2 and their port files lie\n"
                      "                    (default: kolmctl's own folder)\n"
                      "  --json            the same as JSON, for scripts\n";
            return kOk;
        } else {
            cx.err << "kolmctl: unexpected argument \"" << args[k] << "\" to ports\n";
            return kUsage;
        }
    }
    const kolm::MachinePorts machine = kolm::discoverPorts(kolm::programFolder());
    const Setting settings[3] = {{}, settingOf(folder, 1), settingOf(folder, 2)};
    if (asJson) showJson(machine, settings, cx.out);
    else showText(machine, settings, cx.out);
    return kOk;
}

void showPortInUse(const Plugin& p, Context& cx) {
    const int lpt = variantOf(p);
    if (lpt == 0) return;
    const Setting s = settingOf(fs::path(p.path()).parent_path(), lpt);
    cx.out << "port:      ";
    if (s.state == kolm::PortFile::absent) cx.out << hex(s.base) << " (built in; no " << s.file << ")\n";
    else if (s.state == kolm::PortFile::valid) cx.out << hex(s.base) << " from " << s.file << "\n";
    else cx.out << "none: " << s.file << " " << problem(s.state) << "\n";
}

std::string whyNoPort(const Plugin& p) {
    const int lpt = variantOf(p);
    if (lpt == 0) return {};
    const Setting s = settingOf(fs::path(p.path()).parent_path(), lpt);
    if (s.base == 0)
        return "  " + s.file + " " + problem(s.state) + ": mend it, or remove it to use " +
               hex(kBuiltIn[lpt]);
    // The helper is looked for beside the plug-in, where the host program keeps it.
    const kolm::MachinePorts machine =
        kolm::discoverPorts((fs::absolute(p.path()).parent_path() / "").make_preferred().string());
    const kolm::MachinePort* port = portAt(machine, s.base);
    std::string why;
    if (port == nullptr && !machine.ports.empty()) {
        why = "  No parallel port at " + hex(s.base) + "; the system has ";
        const char* sep = "";
        for (const kolm::MachinePort& other : machine.ports) {
            why += sep + other.name + " at " + hex(other.base);
            sep = ", ";
        }
        why += ".\n  For one of those, write base=0x.... in " + s.file + " (kolmctl ports tells which).";
        // Linux without direct I/O reaches only listed ports; Windows writes to any base
        // once it has the helper, so the step to the helper is the other reason.
        if (onLinux(machine) && !machine.directIo) return why;
    }
    const std::string step = kolm::accessStep(machine, port);
    if (!step.empty())
        return (why.empty() ? "" : why + "\n") + "  To reach the port at " + hex(s.base) + ": " + step + ".";
    if (port != nullptr && !port->holder.empty())
        return "  " + port->name + " at " + hex(s.base) + " is held by " + port->holder +
               ": the plug-in takes it once it is let go.";
    return why;
}

}  // namespace kolmctl
