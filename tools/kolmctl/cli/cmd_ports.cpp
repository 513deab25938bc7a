// kolmctl ports: the machine's parallel ports (discovery/), which plug-in drives
// each, and the one step that makes a port work, as text or JSON.
#include <filesystem>

#include "advice.h"
#include "commands.h"
#include "file_kind.h"
#include "hex.h"
#include "json_facts.h"
#include "machine_ports.h"
#include "options.h"
#include "plugin_files.h"
#include "plugin_ports.h"

namespace kolmctl {

namespace {

namespace fs = std::filesystem;

// The port files by variant ([1] kolmlpt1, [2] kolmlpt2), and whether the user knows
// their folder: kolmctl's own, or the one given with --plugins.
struct Settings {
    PortSetting of[3];
    bool folderKnown = true;
    const PortSetting& operator[](int lpt) const { return of[lpt]; }
};

// The folder of kolmlpt<lpt>, as a bare name finds it; kolmctl's own where none holds it.
fs::path folderOf(int lpt) {
    const PluginLookup found = findPlugin("kolmlpt" + std::to_string(lpt), pluginFolders(programFolder()));
    if (found.path.empty()) return programFolder();
    return fs::absolute(found.path).parent_path();
}

std::string pluginName(int lpt, const MachinePorts& m) {
    return "kolmlpt" + std::to_string(lpt) + m.pluginSuffix;
}

// For one port: the plug-in that drives it, or the line that makes one drive it;
// then what keeps the plug-in from the port, if anything.
struct Verdict {
    int plugin = 0;  // the plug-in that uses this base now, 0 if none
    std::string line;
    AccessBlock block = AccessBlock::none;
    std::string step;  // access still missing, empty when none
};

Verdict verdictFor(const MachinePorts& m, const MachinePort& port, const Settings& settings) {
    Verdict v;
    for (int lpt : {1, 2})
        if (settings[lpt].base == port.base) v.plugin = lpt;
    v.block = accessBlock(m, &port);
    v.step = accessStep(v.block, m, &port);
    if (v.plugin != 0) {
        const PortSetting& s = settings[v.plugin];
        v.line = pluginName(v.plugin, m) + (v.step.empty() ? " drives it" : " would drive it") +
                 (s.state == kolm::PortFile::valid ? " (base from " + systemTextAsUtf8(s.file) + ")" : "");
        return v;
    }
    // A plug-in whose own base is not one of the ports here is the one to move.
    int spare = 1;
    if (settings[1].base != 0 && portAt(m, settings[1].base) != nullptr) spare = 2;
    // In a folder the user knows, the file's name is enough; elsewhere (the package's
    // plug-in folder) its whole path.
    const bool beside = settings.folderKnown || fs::path(settings[spare].file).parent_path() ==
                                                    fs::path(programFolder()).parent_path();
    v.line = "write base=" + hexPort(port.base) + " in " +
             (beside ? "kolmlpt" + std::to_string(spare) + ".ini beside " + pluginName(spare, m)
                     : systemTextAsUtf8(settings[spare].file));
    return v;
}

const char* deviceWord(MachinePort::Device d) {
    return d == MachinePort::Device::usable   ? "usable"
           : d == MachinePort::Device::denied ? "denied"
                                              : "absent";
}

std::string usbPrinterName(const std::string& usb) {
    return usb.empty() ? "a USB printer port" : systemTextAsUtf8(usb);
}

bool onLinux(const MachinePorts& m) { return m.pluginSuffix == std::string(".so"); }

void showPort(const MachinePorts& m, const MachinePort& port, const Settings& settings, std::ostream& out) {
    const Verdict v = verdictFor(m, port, settings);
    out << port.name << " at " << hexPort(port.base);
    if (!port.description.empty()) out << "  " << port.description;
    if (onLinux(m)) {
        if (port.device == MachinePort::Device::usable) out << " (opens for you)";
        else if (port.device == MachinePort::Device::denied) out << " (group " << port.group << " only)";
        else out << " (no device file)";
    }
    out << "\n  -> " << v.line << "\n";
    if (!v.step.empty()) out << "  -> first " << v.step << "\n";
    if (!port.holder.empty())
        out << "  held now by " << port.holder << ": the plug-in takes the port once it is let go\n";
}

void showMechanisms(const MachinePorts& m, std::ostream& out) {
    if (onLinux(m)) {
        out << "ppdev: " << (m.ppdev ? "loaded" : "not loaded (sudo modprobe ppdev)")
            << "; direct I/O: " << (m.directIo ? "granted" : "refused (needs root or CAP_SYS_RAWIO)") << "\n";
        return;
    }
    out << "port helper: ";
    const bool barred = !m.helperOpen && m.helperDriverBarred();
    if (m.helper.empty()) out << "no " << windowsHelperFor(hostKind().machine) << " beside kolmctl.exe\n";
    else
        out << m.helper
            << (m.helperOpen ? ", driver open\n"
                : barred     ? ", driver closed\n"
                             : ", driver closed (run once as administrator)\n");
    if (barred) out << barredHelperAdvice(m, "  ") << "\n";
}

void showText(const MachinePorts& m, const Settings& settings, std::ostream& out) {
    if (m.ports.empty())
        out << (onLinux(m)
                    ? "No parallel port is known to the kernel (its driver: sudo modprobe parport_pc).\n"
                    : "No parallel port is known to Windows.\n");
    for (const MachinePort& port : m.ports) showPort(m, port, settings, out);
    for (const std::string& usb : m.usbPrinters)
        out << usbPrinterName(usb) << "  USB printer adapter: cannot drive a KOLM box (it speaks the printer "
            << "protocol, not the port's lines)\n  -> for the box, a PCI or PCIe card with a real parallel "
               "port\n";
    showMechanisms(m, out);
    for (int lpt : {1, 2})
        if (settings[lpt].state != kolm::PortFile::absent && settings[lpt].state != kolm::PortFile::valid)
            out << systemTextAsUtf8(settings[lpt].file) << " " << portFileWords(settings[lpt]) << ": "
                << pluginName(lpt, m) << " has no port until it is mended\n";
}

void showJson(const MachinePorts& m, const Settings& settings, std::ostream& out) {
    out << "{\"ports\": [";
    const char* sep = "";
    for (const MachinePort& port : m.ports) {
        const Verdict v = verdictFor(m, port, settings);
        out << sep << "\n  {\"name\": " << json(port.name) << ", \"description\": " << json(port.description)
            << ", \"base\": " << port.base << ", \"holder\": " << jsonOrNull(port.holder)
            << ", \"device\": " << json(deviceWord(port.device)) << ", \"group\": " << jsonOrNull(port.group)
            << ", \"plugin\": " << (v.plugin ? json(pluginName(v.plugin, m)) : "null")
            << ", \"todo\": " << jsonOrNull(v.plugin ? "" : v.line)
            << ", \"access\": " << jsonProblem(accessBlockWord(v.block), v.step) << "}";
        sep = ",";
    }
    out << "],\n \"ppdev\": " << (m.ppdev ? "true" : "false")
        << ", \"directIo\": " << (m.directIo ? "true" : "false") << ", \"helper\": " << jsonOrNull(m.helper)
        << ", \"helperOpen\": " << (m.helperOpen ? "true" : "false")
        << ", \"memoryIntegrity\": " << (m.memoryIntegrity ? "true" : "false")
        << ", \"driverBlocklist\": " << (m.driverBlocklist ? "true" : "false") << ",\n \"usbPrinters\": [";
    sep = "";
    for (const std::string& usb : m.usbPrinters) {
        out << sep << json(usbPrinterName(usb));
        sep = ", ";
    }
    out << "],\n \"portFiles\": [";
    sep = "";
    for (int lpt : {1, 2}) {
        const PortSetting& s = settings[lpt];
        out << sep << "{\"plugin\": " << json(pluginName(lpt, m)) << ", " << jsonPortFile(s) << "}";
        sep = ", ";
    }
    out << "]}\n";
}

}  // namespace

void cmdPorts(const Args& args, Context& cx) {
    static const OptionRule rules[] = {{"--json", nullptr, nullptr}, {"--plugins", "a folder", nullptr}};
    const Options o = parseOptions(args, rules);
    if (!o.operands.empty()) throw Error{kUsage, "unexpected argument \"" + o.operands[0] + "\" to ports"};
    const bool asJson = o.has("--json");
    const MachinePorts machine = machinePorts();
    const std::string folder = o.value("--plugins", "");
    const Settings settings = {{{},
                                portSettingOf(folder.empty() ? folderOf(1) : fs::path(folder), 1),
                                portSettingOf(folder.empty() ? folderOf(2) : fs::path(folder), 2)},
                               !folder.empty()};
    if (asJson) showJson(machine, settings, cx.out);
    else showText(machine, settings, cx.out);
}

}  // namespace kolmctl
