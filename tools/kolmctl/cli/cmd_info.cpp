// info and list: what the plug-in says about itself; info also as JSON.
#include <cstdio>
#include <filesystem>

#include "advice.h"
#include "call.h"
#include "capture_text.h"
#include "commands.h"
#include "file_kind.h"
#include "hex.h"
#include "json_facts.h"
#include "machine_ports.h"
#include "options.h"
#include "plugin_ports.h"
#include "version_resource.h"
#include "virtual_box_signals.h"

namespace kolmctl {

namespace {

namespace fs = std::filesystem;

// How the plug-in reaches the port: what its process holds (the ppdev device, the
// port helper), the virtual box it carries (with the relays as the box holds them) or
// the simulated bench; otherwise direct port instructions, or nothing, which one
// reading tells apart.
struct Access {
    const char* via = nullptr;  // "ppdev", "helper", "virtualBox", "simulatedBox", "directIo"; nullptr: none
    std::string handle;         // ppdev, helper: what the plug-in's process holds
    std::string holder;         // ppdev: the program holding the port now, if any
    std::optional<std::uint8_t> relays;  // virtualBox: its relay lines
    NoBox why{nullptr, ""};              // none: why, and the step that helps
};

Access accessOf(Plugin& p, Context& cx) {
    Access a;
    if (!p.portHandle().empty()) {
        a.via = p.kind().container == Container::Pe ? "helper" : "ppdev";
        a.handle = p.portHandle();
        for (const MachinePort& port : machinePorts().ports)
            if (port.description == a.handle && !port.holder.empty() && a.holder.empty())
                a.holder = port.holder;
        return a;
    }
    if ((a.relays = virtualBoxLines(p))) {
        cx.box.noteReached();
        a.via = "virtualBox";
        return a;
    }
    if (p.simulatedBox() && !virtualBox(p)) {
        a.via = "simulatedBox";
        return a;
    }
    const Listed* ea = p.find("EA");
    if (ea != nullptr && ea->sig->params == std::vector<Type>{Type::Int} && ea->sig->result == Type::Int &&
        callInt(p, *ea, {intArg(0)}) != kNoValue) {
        cx.box.noteReached();
        a.via = "directIo";
        return a;
    }
    a.why = noBoxAdvice(p);
    return a;
}

void showAccess(const Access& a, bool windows, std::ostream& out) {
    out << "access:    ";
    const std::string via = a.via == nullptr ? "" : a.via;
    if (via == "ppdev" || via == "helper") {
        out << (windows ? "the port helper " : "ppdev, ") << a.handle;
        if (!a.holder.empty())
            out << " (held now by " << a.holder << ": the plug-in takes it once it is let go)";
        out << "\n";
    } else if (via == "virtualBox") {
        out << "the virtual box inside the plug-in: simulated signals, no port\n";
        out << "relays:    " << relayStates(*a.relays) << " (as the virtual box holds them)\n";
    } else if (via == "simulatedBox") {
        out << "the simulated box (libkolmsim), not a port\n";
    } else if (via == "directIo") {
        out << (windows ? "direct in/out instructions (this Windows lets programs use them)\n"
                        : "direct I/O (ioperm)\n");
    } else {
        out << "none\n" << a.why.advice << "\n";
    }
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

// Everything info shows, found once for either form.
struct Info {
    std::optional<std::string> version;
    std::string title, detail;
    std::optional<PortSetting> port;       // kolmlpt1 and kolmlpt2: the base and where it comes from
    std::optional<SignalSetting> signals;  // kolmsim: its signals, from kolmsim.ini or built in
    std::vector<std::string> exports;      // DLLFunctionDirectory, the directory's, peaD, PSAD
};

Info infoOf(Plugin& p) {
    Info i;
    i.version = fileVersion(p.path());
    i.title = titleText(p, "titre");
    i.detail = titleText(p, "Detail");
    const fs::path folder = fs::path(p.path()).parent_path();
    if (const int lpt = variantOf(p); lpt != 0) i.port = portSettingOf(folder, lpt);
    if (virtualBox(p)) i.signals = signalSettingOf(folder);
    i.exports.emplace_back("DLLFunctionDirectory");
    for (const Listed& l : p.listed())
        i.exports.push_back(l.exported.empty() ? "(entry " + std::to_string(l.number) + " not exported)"
                                               : l.exported);
    if (p.exportsPeaD()) i.exports.emplace_back("peaD");
    if (p.exportsPsad()) i.exports.emplace_back("PSAD");
    return i;
}

std::string directoryText(const Plugin& p) {
    return p.directoryEnded() ? "null-terminated" : p.walkProblem();
}

// What comes before the access is shown first: a plug-in that fails in the reading
// that tells the access apart leaves the rest shown.
void showText(Plugin& p, const Info& i, Context& cx) {
    std::ostream& out = cx.out;
    out << "file:      " << p.path() << " (" << describe(p.kind()) << ")\n";
    if (i.version) out << "version:   " << *i.version << "\n";
    out << "title:     " << i.title << "\n";
    out << "detail:    " << i.detail << "\n";
    out << "calls:     " << callingConventionName() << "\n";
    if (const auto& s = i.port) {
        out << "port:      ";
        if (s->state == kolm::PortFile::absent)
            out << hexPort(s->base) << " (built in; no " << s->file << ")\n";
        else if (s->state == kolm::PortFile::valid) out << hexPort(s->base) << " from " << s->file << "\n";
        else out << "none: " << s->file << " " << portFileWords(*s) << "\n";
    }
    if (const auto& s = i.signals) {
        out << "signals:   ";
        if (const std::string problem = signalFaultWords(s->fault); !problem.empty()) {
            out << "none: " << problem << "\n";
        } else {
            out << (s->fromFile ? "from " + s->file : "built in (no " + s->file + ")") << "\n";
            for (std::size_t ch = 0; ch < s->channels.size(); ++ch)
                out << "           channel " << ch << ": " << signalSummary(s->channels[ch]) << "\n";
        }
    }
    showAccess(accessOf(p, cx), p.kind().container == Container::Pe, out);
    out << "directory: " << counted(static_cast<long>(p.listed().size()), "entry") << " at "
        << hexAddress(p.directoryAddress()) << ", " << directoryText(p) << "\n";
    out << "exports:  ";
    for (const std::string& e : i.exports) out << " " << e;
    out << "\n";
}

std::string jsonList(const std::vector<std::string>& texts) {
    std::string list = "[";
    for (const std::string& t : texts) list += (list.size() > 1 ? ", " : "") + json(t);
    return list + "]";
}

void showJson(Plugin& p, const Info& i, Context& cx) {
    const Access a = accessOf(p, cx);
    std::ostream& out = cx.out;
    out << "{\"file\": " << json(p.path()) << ", \"kind\": " << jsonKind(p.kind())
        << ",\n \"version\": " << (i.version ? json(*i.version) : "null") << ", \"title\": " << json(i.title)
        << ", \"detail\": " << json(i.detail) << ", \"calls\": " << json(callingConventionName())
        << ",\n \"port\": " << (i.port ? "{" + jsonPortFile(*i.port) + "}" : "null") << ",\n \"signals\": ";
    if (const auto& s = i.signals) {
        std::vector<std::string> channels;
        for (const ChannelSignal& c : s->channels) channels.push_back(signalSummary(c));
        out << "{\"file\": " << json(s->file) << ", \"present\": " << jsonBool(s->fromFile)
            << ", \"problem\": " << jsonProblem(s->fault.reason, signalFaultWords(s->fault))
            << ", \"channels\": " << (s->fault.reason ? "null" : jsonList(channels)) << "}";
    } else {
        out << "null";
    }
    out << ",\n \"access\": {\"reached\": " << jsonBool(a.via != nullptr)
        << ", \"via\": " << (a.via ? json(a.via) : "null") << ", \"handle\": " << jsonOrNull(a.handle)
        << ", \"holder\": " << jsonOrNull(a.holder) << ", \"relays\": " << jsonRelays(a.relays);
    const NoBox& why = a.why;
    out << ", \"reason\": " << (why.reason ? json(why.reason) : "null")
        << ", \"advice\": " << jsonOrNull(unindented(why.advice)) << "},\n"
        << " \"directory\": {\"entries\": " << p.listed().size()
        << ", \"address\": " << json(hexAddress(p.directoryAddress()))
        << ", \"ended\": " << jsonBool(p.directoryEnded()) << ", \"problem\": " << jsonOrNull(p.walkProblem())
        << "},\n \"exports\": " << jsonList(i.exports) << "}\n";
}

Options infoOptions(const Args& args) {
    static const OptionRule rules[] = {{"--json", nullptr, nullptr}};
    Options o = parseOptions(args, rules);
    if (!o.operands.empty()) throw Error{kUsage, "unexpected argument \"" + o.operands[0] + "\""};
    return o;
}

}  // namespace

void checkInfo(const Args& args) { infoOptions(args); }

void cmdInfo(Plugin& p, const Args& args, Context& cx) {
    const bool asJson = infoOptions(args).has("--json");
    const Info info = infoOf(p);
    if (asJson) showJson(p, info, cx);
    else showText(p, info, cx);
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
