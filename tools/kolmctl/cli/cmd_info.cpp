// info and list: what the plug-in says about itself.
#include <cstdio>
#include <filesystem>

#include "advice.h"
#include "call.h"
#include "capture_text.h"
#include "commands.h"
#include "hex.h"
#include "machine_ports.h"
#include "plugin_ports.h"
#include "version_resource.h"
#include "virtual_box_signals.h"

namespace kolmctl {

namespace {

// The base the plug-in uses and where it comes from: built in, or its port file.
void showPortInUse(Plugin& p, Context& cx) {
    const int lpt = variantOf(p);
    if (lpt == 0) return;
    const PortSetting s = portSettingOf(std::filesystem::path(p.path()).parent_path(), lpt);
    cx.out << "port:      ";
    if (s.state == kolm::PortFile::absent) cx.out << hexPort(s.base) << " (built in; no " << s.file << ")\n";
    else if (s.state == kolm::PortFile::valid) cx.out << hexPort(s.base) << " from " << s.file << "\n";
    else cx.out << "none: " << s.file << " " << portFileWords(s) << "\n";
}

// How the plug-in reaches the port: what its process holds (the ppdev device, the
// port helper), the virtual box it carries (with the relays as the box holds them) or
// the simulated bench; otherwise direct port instructions, or nothing, which one
// reading tells apart.
void showAccess(Plugin& p, Context& cx) {
    const bool windows = p.kind().container == Container::Pe;
    cx.out << "access:    ";
    if (!p.portHandle().empty()) {
        cx.out << (windows ? "the port helper " : "ppdev, ") << p.portHandle();
        for (const MachinePort& port : machinePorts().ports)
            if (port.description == p.portHandle() && !port.holder.empty())
                cx.out << " (held now by " << port.holder << ": the plug-in takes it once it is let go)";
        cx.out << "\n";
        return;
    }
    if (const auto lines = virtualBoxLines(p)) {
        cx.box.reached = true;
        cx.out << "the virtual box inside the plug-in: simulated signals, no port\n";
        cx.out << "relays:    ";
        for (int k = 0; k < 4; ++k)
            cx.out << (k > 0 ? ", " : "") << k << (((*lines >> k) & 1) != 0 ? " on" : " off");
        cx.out << " (as the virtual box holds them)\n";
        return;
    }
    if (p.simulatedBox() && !virtualBox(p)) {
        cx.out << "the simulated box (libkolmsim), not a port\n";
        return;
    }
    const Listed* ea = p.find("EA");
    if (ea != nullptr && ea->sig->params == std::vector<Type>{Type::Int} && ea->sig->result == Type::Int &&
        callInt(p, *ea, {intArg(0)}) != kNoValue) {
        cx.box.reached = true;
        cx.out << (windows ? "direct in/out instructions (this Windows lets programs use them)\n"
                           : "direct I/O (ioperm)\n");
        return;
    }
    cx.out << "none\n" << accessAdvice(p) << "\n";
}

// A number as a person writes it: 2.5, 0.1, 10000, 1e-06.
std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

std::string volts(double v) { return number(v) + " V"; }

// What one channel shows, e.g. "sine 2.5 V +/- 2 V at 0.1 Hz", "rc on relay 0, tau 2 s".
std::string signalSummary(const ChannelSignal& g) {
    const std::string shape = g.shape;
    std::string text;
    if (shape == "constant") text = "constant " + volts(g.offset);
    else if (shape == "csv") text = "csv " + g.recording + " in a loop";
    else if (shape == "rc")
        text = "rc on relay " + std::to_string(g.relay) + ", tau " + number(g.tau) + " s, supply " +
               volts(g.supply);
    else
        text = shape + " " + volts(g.offset) + " +/- " + volts(g.amplitude) + " at " + number(g.frequency) +
               " Hz";
    if (g.noise > 0.0) text += ", noise " + volts(g.noise) + " RMS";
    return text;
}

// kolmsim's signals, and where they come from: its kolmsim.ini, or built in.
void showSignals(Plugin& p, Context& cx) {
    if (!virtualBox(p)) return;
    const SignalSetting s = signalSettingOf(std::filesystem::path(p.path()).parent_path());
    cx.out << "signals:   ";
    if (const std::string problem = signalFaultWords(s.fault); !problem.empty()) {
        cx.out << "none: " << problem << "\n";
        return;
    }
    cx.out << (s.fromFile ? "from " + s.file : "built in (no " + s.file + ")") << "\n";
    for (std::size_t ch = 0; ch < s.channels.size(); ++ch)
        cx.out << "           channel " << ch << ": " << signalSummary(s.channels[ch]) << "\n";
}

}  // namespace

int cmdInfo(Plugin& p, const Args& args, Context& cx) {
    noArgs(args);
    cx.out << "file:      " << p.path() << " (" << describe(p.kind()) << ")\n";
    if (const auto version = fileVersion(p.path())) cx.out << "version:   " << *version << "\n";
    cx.out << "title:     " << titleText(p, "titre") << "\n";
    cx.out << "detail:    " << titleText(p, "Detail") << "\n";
    cx.out << "calls:     " << callingConventionName() << "\n";
    showPortInUse(p, cx);
    showSignals(p, cx);
    showAccess(p, cx);
    cx.out << "directory: " << counted(static_cast<long>(p.listed().size()), "entry") << " at "
           << hexAddress(p.directoryAddress())
           << (p.directoryEnded() ? ", null-terminated" : ", " + p.walkProblem()) << "\n";
    cx.out << "exports:   DLLFunctionDirectory";
    for (const Listed& l : p.listed())
        cx.out << " "
               << (l.exported.empty() ? "(entry " + std::to_string(l.number) + " not exported)" : l.exported);
    if (p.exportsPeaD()) cx.out << " peaD";
    if (p.exportsPsad()) cx.out << " PSAD";
    cx.out << "\n";
    return kOk;
}

// cppcheck-suppress constParameter ; every command has the signature of the command table
int cmdList(Plugin& p, const Args& args, Context& cx) {
    noArgs(args);
    for (const Listed& l : p.listed()) {
        char num[8];
        std::snprintf(num, sizeof num, "%2d", l.number);
        std::string line = std::string(num) + "  " + textShown(l.textState, l.text);
        line.resize(std::max<std::size_t>(line.size(), 42), ' ');
        line += " -> " + (l.exported.empty() ? hexAddress(l.entry) + " (not an export)" : l.exported);
        if (!l.sig) line += "  [unreadable text: " + l.parseError + "]";
        cx.out << line << "\n";
    }
    if (!p.directoryEnded()) cx.out << "    (" << p.walkProblem() << ")\n";
    return kOk;
}

}  // namespace kolmctl
