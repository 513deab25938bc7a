// The command line: kolmctl PLUGIN COMMAND [ARGS...], and help for each command.
#include <cstring>

#include "commands.h"
#include "kolm_version.h"

namespace kolmctl {

namespace {

struct Command {
    const char* name;
    int (*run)(const Plugin&, const Args&, Context&);
    const char* synopsis;
    const char* help;
};

const Command kCommands[] = {
    {"info", cmdInfo, "info",
     "The plug-in's title and detail texts, the file and its kind, and the exports found:\n"
     "DLLFunctionDirectory, the export behind each directory entry, peaD and PSAD.\n"},
    {"list", cmdList, "list",
     "The function directory, one line per entry: number, text, and the export it points at.\n"},
    {"read", cmdRead,
     "read [CHANNEL...] [--count N] [--interval MS] [--counts|--volts] [--csv] [--plot FILE.svg]",
     "Reads analog channels 0 and 1 (or those given). On a terminal: a live view with a bar per\n"
     "channel, until Ctrl-C unless --count is given. Otherwise one line per reading (one reading\n"
     "unless --count N; --count 0 reads until Ctrl-C).\n"
     "  --interval MS  time between readings (default 500)\n"
     "  --counts       counts only, through EA       --volts  volts only, through EAD\n"
     "                 (default: counts through EA, and volts scaled from them as the plug-in does)\n"
     "  --csv          comma-separated values with a header, for a spreadsheet or a plot\n"
     "  --plot FILE    also write the readings as an SVG chart of volts against time\n"},
    {"relay", cmdRelay, "relay K on|off",
     "Switches relay K (0 to 3) on or off through SB and reads it back through RSB.\n"},
    {"relays", cmdRelays, "relays", "The state of each relay as the plug-in last set it (RSB).\n"},
    {"restore", cmdRestore, "restore",
     "Restores the port's data byte so that a printer can use the port (channel 2 of EA).\n"},
    {"reinit", cmdReinit, "reinit", "Initialises the interface again (channel 3 of EA).\n"},
    {"check", cmdCheck, "check",
     "Conformance of the plug-in: the directory is well formed (texts parse, addresses are\n"
     "exports, the table ends with the null entry), and every listed entry point answers\n"
     "boundary and out-of-range arguments as the interface says, without crashing; 32-bit\n"
     "builds also check that every call keeps EBX, ESI, EDI, EBP, the stack and the x87 stack.\n"
     "One line per finding and a summary; exits 1 if anything failed.\n"
     "On a real interface it reads both channels, restores and re-initialises the port, and\n"
     "writes relays 0 and 3 with the state the plug-in reports for them (off after loading,\n"
     "so a relay left on before kolmctl started is switched off).\n"},
};

const Command* findCommand(const std::string& name) {
    for (const Command& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

const char kExitCodes[] =
    "Exit codes: 0 ok, 1 check failed, 2 bad command line, 3 file not found, 4 not a plug-in,\n"
    "5 wrong architecture, 6 the loader refused the file, 7 channel or relay out of range,\n"
    "8 no port access (the plug-in answered -777), 9 entry point not listed, 10 cannot write output,\n"
    "11 the plug-in failed (crashed, ended its process or gave no answer in 10 s: the line says\n"
    "which call), 12 no process (on Windows: no thread) could be made to keep the plug-in apart,\n"
    "130 interrupted (Ctrl-C).\n";

void overview(std::ostream& out) {
    out << "usage: kolmctl PLUGIN COMMAND [ARGS...]\n"
           "       kolmctl help [COMMAND]     kolmctl COMMAND --help     kolmctl --version\n"
           "       kolmctl ports [--json]     the machine's parallel ports, and what each plug-in needs\n\n"
           "Drives a KOLM plug-in file (e.g. kolmlpt1.so, kolmlpt1.dll) the way the host program does.\n\n"
           "Commands:\n";
    for (const Command& c : kCommands) out << "  " << c.synopsis << "\n";
    out << "\n" << kExitCodes;
}

bool isHelpWord(const std::string& a) { return a == "--help" || a == "-h" || a == "help"; }

}  // namespace

bool wantsHelp(const Args& args) {
    for (const std::string& a : args)
        if (a == "--help" || a == "-h") return true;
    return !args.empty() && (isHelpWord(args[0]) || findCommand(args[0]) != nullptr);
}

int help(const Args& args, Context& cx) {
    // The command named anywhere on the line, if any.
    for (const std::string& a : args) {
        if (const Command* c = findCommand(a)) {
            cx.out << "usage: kolmctl PLUGIN " << c->synopsis << "\n\n" << c->help;
            return kOk;
        }
    }
    for (const std::string& a : args) {
        if (!isHelpWord(a) && (args.size() < 2 || a != args[0])) {
            cx.err << "kolmctl: no command \"" << a << "\"\n";
            overview(cx.err);
            return kUsage;
        }
    }
    overview(cx.out);
    return kOk;
}

int run(const Args& args, Context& cx) {
    if (args.size() == 1 && args[0] == "--version") {
        cx.out << "kolmctl " KOLM_VERSION "\n";
        return kOk;
    }
    if (!args.empty() && args[0] == "ports") return cmdPorts(Args(args.begin() + 1, args.end()), cx);
    if (args.size() == 2 && isHelpWord(args[0]) && args[1] == "ports") return cmdPorts({"--help"}, cx);
    if (wantsHelp(args)) return help(args, cx);
    if (args.size() < 2) {
        overview(cx.err);
        return kUsage;
    }
    const Command* command = findCommand(args[1]);
    if (command == nullptr) {
        cx.err << "kolmctl: no command \"" << args[1] << "\"\n";
        overview(cx.err);
        return kUsage;
    }
    try {
        Plugin::Loaded loaded = Plugin::load(args[0], cx.session);
        if (!loaded.plugin) throw CommandError{loaded.code, loaded.message};
        const int code = command->run(*loaded.plugin, Args(args.begin() + 2, args.end()), cx);
        checkOutput(cx.out, "the output");
        return code;
    } catch (const CommandError& e) {
        cx.out.flush();
        cx.err << "kolmctl: " << e.message << "\n";
        return e.code;
    }
}

}  // namespace kolmctl
