#include "advice.h"

#include <cstring>
#include <filesystem>
#include <iostream>

#include "commands.h"
#include "file_kind.h"
#include "hex.h"
#include "machine_ports.h"
#include "plugin_ports.h"
#include "virtual_box_signals.h"

namespace kolmctl {

namespace {

namespace fs = std::filesystem;

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

void sayKeptGrant(const MachinePorts& m) {
    if (m.directIoKept != 0)
        remark(std::cerr, std::string("giving back direct port access: ") + std::strerror(m.directIoKept));
}

// "a, b or c", with `last` between the last two.
std::string listOf(const std::vector<std::string>& words, const char* last) {
    std::string text;
    for (std::size_t k = 0; k < words.size(); ++k)
        text += (k == 0 ? "" : k + 1 == words.size() ? last : ", ") + words[k];
    return text;
}

// A limit of the signal files' reader, all of them whole: 100, 1000000.
std::string whole(double v) { return std::to_string(static_cast<long>(v)); }

std::string outOfRange(const SignalFault& f) {
    const std::string name = f.setting + "= must be ";
    if (f.setting == "relay") {
        std::vector<std::string> relays;
        for (long k = static_cast<long>(f.low); k <= static_cast<long>(f.high); ++k)
            relays.push_back(std::to_string(k));
        return name + listOf(relays, " or ");
    }
    const char* unit = f.setting == "frequency" ? " (hertz)" : f.setting == "tau" ? " (seconds)" : " (volts)";
    return name + (f.lowAllowed ? "from " : "above ") + whole(f.low) +
           (f.lowAllowed ? " to " : " and at most ") + whole(f.high) + unit;
}

std::string signalReasonWords(const SignalFault& f) {
    const SignalVocabulary& v = signalVocabulary();
    const std::string r = f.reason;
    if (r == "unreadable" || r == "recordingUnreadable") return notReadWords(f.notRead);
    if (r == "unknownSection") return "is no section of it: write [channel0] or [channel1]";
    if (r == "sectionTwice") return "gives this channel's section a second time";
    if (r == "outsideSection") return "is a setting before any [channel0] or [channel1]";
    if (r == "notASetting") return "is neither a [section] nor a name=value setting";
    if (r == "unknownSetting") return "names no setting (" + listOf(v.settings, ", ") + ")";
    if (r == "settingTwice") return "gives the same setting a second time";
    if (r == "noSignal") return "starts a section without a signal= line";
    if (r == "unknownSignal") return "names no signal: write " + listOf(v.shapes, " or ");
    if (r == "notANumber") return "gives a value that is not a number (write 2.5 or 2,5)";
    if (r == "noRecording") return "starts a csv section without a file= line";
    if (r == "recordingNotBeside")
        return "gives file= a folder, a device name (CON, COM1...) or a name longer than " +
               std::to_string(v.nameMax) + " characters: name a file beside " + v.fileName;
    if (r == "recordingMissing") return "is not there";
    if (r == "recordingNotTimeVolts") return "is not two numbers, time and volts (0.02,3.3)";
    if (r == "recordingOutOfRange")
        return "gives a time outside 0 to " + whole(v.secondsMax) + " (seconds) or volts outside " +
               whole(-v.voltsLimit) + " to " + whole(v.voltsLimit);
    if (r == "recordingNotLater") return "gives a time that is not later than the one before";
    if (r == "recordingTooLong")
        return "goes past the " + std::to_string(v.pointsMax) + " points a recording may have";
    if (r == "recordingEmpty") return "holds no time,volts line";
    return "";
}

// The lines that tell why the plug-in file `plugin` (of variant `lpt`, 0 when not
// known) reaches no port and what to do about it.
NoBox noPortAdvice(const std::string& plugin, int lpt, bool windowsFile) {
    if (lpt == 0) return {"variantUnknown", usualAdvice(windowsFile)};
    const PortReach r = portReachOf(plugin, lpt);
    const PortSetting& s = r.setting;
    if (s.base == 0)
        return {"portFile", "  " + s.file + " " + portFileWords(s) + ": mend it, or remove it to use " +
                                hexPort(builtInBase(lpt))};
    sayKeptGrant(r.machine);
    std::string why;
    if (!r.port && !r.machine.ports.empty()) {
        why = "  No parallel port at " + hexPort(s.base) + "; the system has ";
        const char* sep = "";
        for (const MachinePort& other : r.machine.ports) {
            why += sep + other.name + " at " + hexPort(other.base);
            sep = ", ";
        }
        why += ".\n  For one of those, write base=0x.... in " + s.file + " (kolmctl ports tells which).";
        // Linux without direct I/O reaches only listed ports; Windows writes to any base
        // once it has the helper, so the step to the helper is the other reason.
        if (!windowsFile && !r.machine.directIo) return {"noPortAtBase", why};
    }
    const std::string step = accessStep(r.block, r.machine, r.port ? &*r.port : nullptr);
    if (!step.empty())
        return {why.empty() ? accessBlockWord(r.block) : "noPortAtBase",
                (why.empty() ? "" : why + "\n") + "  To reach the port at " + hexPort(s.base) + ": " + step +
                    "."};
    if (r.port && !r.port->holder.empty())
        return {"held", "  " + r.port->name + " at " + hexPort(s.base) + " is held by " + r.port->holder +
                            ": the plug-in takes it once it is let go."};
    return why.empty() ? NoBox{"unexplained", usualAdvice(windowsFile)} : NoBox{"noPortAtBase", why};
}

}  // namespace

std::string notReadWords(const FileNotRead& n) {
    switch (n.why) {
    case NotRead::folder: return "is a folder, not a file";
    case NotRead::pipe: return "is a pipe (FIFO) or a socket, not a file";
    case NotRead::device: return "is a device, not a file";
    case NotRead::tooLong:
        return n.capacity % 1024 == 0 && n.capacity >= 65536
                   ? "is " + std::to_string(n.capacity / 1024) + " KiB or longer"
                   : "is " + std::to_string(n.capacity) + " bytes or longer";
    case NotRead::unreadable: break;
    }
    return "cannot be opened or read";
}

std::string portFileWords(const PortSetting& s) {
    switch (s.state) {
    case kolm::PortFile::unreadable: return notReadWords(s.notRead);
    case kolm::PortFile::noBase: return "has no base= line in a [port] section";
    case kolm::PortFile::notANumber: return "gives a base that is not a number (write 0xD010, or 53264)";
    case kolm::PortFile::outOfRange: return "gives a base outside 0x100 to 0xFFF8";
    case kolm::PortFile::notAligned: return "gives a base that is not a multiple of 4";
    case kolm::PortFile::twoBases: return "has more than one base= line";
    default: return "";
    }
}

std::string accessStep(AccessBlock block, const MachinePorts& m, const MachinePort* port) {
    switch (block) {
    case AccessBlock::none: break;
    case AccessBlock::noKernelPort:
        return "the kernel lists no parallel port there: load its driver (sudo modprobe parport_pc), or run "
               "the host as root for direct I/O";
    case AccessBlock::noPpdev:
        return "load the ppdev driver: sudo modprobe ppdev (add ppdev to /etc/modules to keep it)";
    // Both come with the port whose device node is at fault; without it, Debian's own words.
    case AccessBlock::deviceDenied: {
        const std::string group = port != nullptr ? port->group : "lp";
        return "join group " + group + ": sudo adduser $USER " + group + ", then log in again";
    }
    case AccessBlock::deviceMissing:
        return (port != nullptr ? port->description : std::string("the port's /dev/parport device")) +
               " is missing although ppdev is loaded: check the udev rules for it";
    // No helper, and no administrator, brings a barred driver in: say what does.
    case AccessBlock::helperBarred:
        return "turn Memory integrity off, or use another PC (kolmctl ports says why and how)";
    case AccessBlock::noHelper:
        return "put the port helper " + std::string(windowsHelperFor(hostKind().machine)) +
               " in the host program's folder, beside the plug-in (and beside kolmctl.exe for this check)";
    case AccessBlock::helperClosed:
        return "run the host program once as administrator, so that " + m.helper + " installs its driver";
    }
    return {};
}

const char* accessBlockWord(AccessBlock block) {
    switch (block) {
    case AccessBlock::none: break;
    case AccessBlock::noKernelPort: return "noKernelPort";
    case AccessBlock::noPpdev: return "noPpdev";
    case AccessBlock::deviceDenied: return "deviceDenied";
    case AccessBlock::deviceMissing: return "deviceMissing";
    case AccessBlock::helperBarred: return "helperBarred";
    case AccessBlock::noHelper: return "noHelper";
    case AccessBlock::helperClosed: return "helperClosed";
    }
    return nullptr;
}

std::string signalFaultWords(const SignalFault& f) {
    if (f.reason == nullptr) return {};
    const std::string line = f.line > 0 ? " line " + std::to_string(f.line) : "";
    if (f.recording)
        return f.file + " (channel " + std::to_string(f.channel) + ")" + line + " " + signalReasonWords(f);
    if (std::string(f.reason) == "outOfRange") return f.file + line + ": " + outOfRange(f);
    return f.file + line + " " + signalReasonWords(f);
}

std::string barredHelperAdvice(const MachinePorts& m, const std::string& indent) {
    const std::string setting = m.memoryIntegrity ? "Memory integrity" : "the vulnerable driver blocklist";
    std::string text = indent + (m.memoryIntegrity ? "Memory integrity" : "The vulnerable driver blocklist") +
                       " is on (Windows Security, Device security, Core isolation):\n" + indent +
                       "Windows does not let the port helper's driver load while it is on, and running\n" +
                       indent + "as administrator does not change that.";
    if (m.memoryIntegrity && m.driverBlocklist)
        text += "\n" + indent + "The vulnerable driver blocklist, on with it, bars that driver too.";
    return text + "\n" + indent + "The choices:\n" + indent + "- turn " + setting +
           " off there (Core isolation details), then restart: the PC is\n" + indent +
           "  then less protected against malicious drivers, a choice for whoever looks after it;\n" +
           indent + "- connect the box to a PC whose Windows lets the driver load, or to a Linux\n" + indent +
           "  system (ppdev);\n" + indent +
           "- prepare lessons without the box on kolmsim, the virtual box (kolmsim.dll).";
}

NoBox noBoxAdvice(Plugin& p) {
    if (virtualBox(p)) {
        const SignalSetting s = signalSettingOf(fs::path(p.path()).parent_path());
        if (s.fault.reason != nullptr)
            return {"signalFile", "  The virtual box has no signals: " + signalFaultWords(s.fault) +
                                      ".\n  Mend it, or remove " + s.file + " for the demo signals."};
        return {"virtualBoxStopped",
                "  The virtual box did not start in the plug-in, though its signal files read well here."};
    }
    const bool windows = p.kind().container == Container::Pe;
    NoBox why = noPortAdvice(p.path(), variantOf(p), windows);
    if (!windows) return why;
    // Where Windows bars the helper's driver, no step of the usual ones can help.
    const MachinePorts machine = machinePorts();
    if (!machine.helperOpen && machine.helperDriverBarred())
        why.advice += "\n" + barredHelperAdvice(machine, "  ");
    return why;
}

MachinePorts machinePorts() {
    MachinePorts m = discoverPorts(programFolder());
    sayKeptGrant(m);
    return m;
}

}  // namespace kolmctl
