// Every command of kolmctl, one row each: a new command is its file and its row.
#include <cstring>

#include "commands.h"

namespace kolmctl {

// Each defined in the cmd_<name>.cpp of its row.
int cmdInfo(Plugin& p, const Args& args, Context& cx);
int cmdList(Plugin& p, const Args& args, Context& cx);
int cmdRead(Plugin& p, const Args& args, Context& cx);
int cmdRelay(Plugin& p, const Args& args, Context& cx);
int cmdRelays(Plugin& p, const Args& args, Context& cx);
int cmdRestore(Plugin& p, const Args& args, Context& cx);
int cmdReinit(Plugin& p, const Args& args, Context& cx);
int cmdCheck(Plugin& p, const Args& args, Context& cx);
int cmdPorts(const Args& args, Context& cx);

namespace {

const Command kCommands[] = {
    {"info", cmdInfo, nullptr, "info",
     "The plug-in's title and detail texts, the file and its kind, and the exports found:\n"
     "DLLFunctionDirectory, the export behind each directory entry, peaD and PSAD.\n",
     ""},
    {"list", cmdList, nullptr, "list",
     "The function directory, one line per entry: number, text, and the export it points at.\n", ""},
    {"read", cmdRead, nullptr,
     "read [CHANNEL...] [--count N] [--interval MS] [--counts|--volts] [--csv] [--plot FILE.svg]",
     "Reads analog channels 0 and 1 (or those given). On a terminal: a live view with a bar per\n"
     "channel, until Ctrl-C unless --count is given. Otherwise one line per reading (one reading\n"
     "unless --count N; --count 0 reads until Ctrl-C).\n"
     "  --interval MS  time between readings (default 500)\n"
     "  --counts       counts only, through EA       --volts  volts only, through EAD\n"
     "                 (default: counts through EA, and volts scaled from them as the plug-in does)\n"
     "  --csv          comma-separated values with a header, for a spreadsheet or a plot\n"
     "  --plot FILE    also write the readings as an SVG chart of volts against time\n",
     ""},
    {"relay", cmdRelay, nullptr, "relay K on|off",
     "Switches relay K (0 to 3) on or off through SB and reads it back through RSB.\n", "1 on"},
    {"relays", cmdRelays, nullptr, "relays", "The state of each relay as the plug-in last set it (RSB).\n",
     ""},
    {"restore", cmdRestore, nullptr, "restore",
     "Restores the port's data byte so that a printer can use the port (channel 2 of EA).\n", ""},
    {"reinit", cmdReinit, nullptr, "reinit", "Initialises the interface again (channel 3 of EA).\n", ""},
    {"check", cmdCheck, nullptr, "check",
     "Conformance of the plug-in: the directory is well formed (texts parse, addresses are\n"
     "exports, the table ends with the null entry), and every listed entry point answers\n"
     "boundary and out-of-range arguments as the interface says, without crashing; 32-bit\n"
     "builds also check that every call keeps EBX, ESI, EDI, EBP, the stack and the x87 stack.\n"
     "One line per finding and a summary; exits 1 if anything failed.\n"
     "On a real interface it reads both channels, restores and re-initialises the port, and\n"
     "writes relays 0 and 3 with the state the plug-in reports for them (off after loading,\n"
     "so a relay left on before kolmctl started is switched off).\n",
     ""},
    {"ports", nullptr, cmdPorts, "ports [--json] [--plugins FOLDER]",
     "The machine's parallel ports: base address, who holds each, whether this user may\n"
     "reach it, which plug-in drives it, or the one step that makes one drive it.\n"
     "  --plugins FOLDER  where kolmlpt1 and kolmlpt2 and their port files lie\n"
     "                    (default: kolmctl's own folder)\n"
     "  --json            the same as JSON, for scripts\n",
     ""},
};

}  // namespace

std::span<const Command> commands() { return kCommands; }

const Command* findCommand(const std::string& name) {
    for (const Command& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

}  // namespace kolmctl
