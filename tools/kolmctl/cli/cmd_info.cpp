// info and list: what the plug-in says about itself.
#include <cstdio>
#include <filesystem>

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
    else cx.out << "none: " << s.file << " " << portFileProblem(s) << "\n";
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
        for (const MachinePort& port : discoverPorts(programFolder()).ports)
            if (port.description == p.portHandle() && !port.holder.empty())
                cx.out << " (held now by " << port.holder << ": the plug-in takes it once it is let go)";
        cx.out << "\n";
        return;
    }
    if (const auto lines = virtualBoxLines(p)) {
        cx.box.noteReached();
        cx.out << "the virtual box inside the plug-in: simulated signals, no port\n";
        cx.out << "relays:    " << relayStates(*lines) << " (as the virtual box holds them)\n";
        return;
    }
    if (p.simulatedBox() && !virtualBox(p)) {
        cx.out << "the simulated box (libkolmsim), not a port\n";
        return;
    }
    const Listed* ea = p.find("EA");
    if (ea != nullptr && ea->sig->params == std::vector<Type>{Type::Int} && ea->sig->result == Type::Int &&
        callInt(p, *ea, {intArg(0)}) != kNoValue) {
        cx.box.noteReached();
        cx.out << (windows ? "direct in/out instructions (this Windows lets programs use them)\n"
                           : "direct I/O (ioperm)\n");
        return;
    }
    cx.out << "none\n" << accessAdvice(p) << "\n";
}

// kolmsim's signals, and where they come from: its kolmsim.ini, or built in.
void showSignals(Plugin& p, Context& cx) {
    if (!virtualBox(p)) return;
    const SignalSetting s = signalSettingOf(std::filesystem::path(p.path()).parent_path());
    cx.out << "signals:   ";
    if (const std::string problem = signalProblem(s); !problem.empty()) {
        cx.out << "none: " << problem << "\n";
        return;
    }
    cx.out << (s.source.fromFile ? "from " + s.file : "built in (no " + s.file + ")") << "\n";
    for (int ch = 0; ch < kolmsim::kInputs; ++ch)
        cx.out << "           channel " << ch << ": " << signalSummary(s, ch) << "\n";
}

}  // namespace

void cmdInfo(Plugin& p, const Args& args, Context& cx) {
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
}

// cppcheck-suppress constParameter ; every command has the signature of the command table
void cmdList(Plugin& p, const Args& args, Context& cx) {
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
}

}  // namespace kolmctl
