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
int cmdWait(Plugin& p, const Args& args, Context& cx);
int cmdSession(Plugin& p, const Args& args, Context& cx);
int cmdPorts(const Args& args, Context& cx);

namespace {

const Command kCommands[] = {
    {"info", cmdInfo, nullptr, "info",
     "The plug-in's title and detail texts, the file and its kind, the port it uses and how it\n"
     "reaches it (ppdev, the port helper, direct I/O, or none and why), and the exports found:\n"
     "DLLFunctionDirectory, the export behind each directory entry, peaD and PSAD. For kolmsim,\n"
     "the signals of its virtual box (from kolmsim.ini, or built in; what is wrong with the file)\n"
     "and its relays as the box holds them.\n",
     "", false, false},
    {"list", cmdList, nullptr, "list",
     "The function directory, one line per entry: number, text, and the export it points at.\n", "", false,
     false},
    {"read", cmdRead, nullptr,
     "read [CHANNEL...] [--count N] [--interval MS] [--counts|--volts] [--csv] [--plot FILE.svg]",
     "Reads analog channels 0 and 1 (or those given). On a terminal: a live view with a bar per\n"
     "channel, until Ctrl-C unless --count is given. Otherwise one line per reading (one reading\n"
     "unless --count N; --count 0 reads until Ctrl-C).\n"
     "  --interval MS  time between readings (default 500)\n"
     "  --counts       counts only, through EA       --volts  volts only, through EAD\n"
     "                 (default: counts through EA, and volts scaled from them as the plug-in does)\n"
     "  --csv          comma-separated values with a header, for a spreadsheet or a plot\n"
     "  --plot FILE    also write the readings as an SVG chart of volts against time; the file\n"
     "                 is opened before the first reading\n"
     "A reading the port does not answer (-777) leaves a gap: an empty CSV cell, \"no value\",\n"
     "a break in the chart; the capture goes on and kolmctl ends with exit code 8. When the\n"
     "first reading gets no answer, kolmctl ends at once with exit code 8. Ctrl-C, SIGTERM or\n"
     "SIGHUP stop a capture: the chart is written from what was read, kolmctl says how far it\n"
     "got and ends with exit code 130 (SIGTERM 143, SIGHUP 129).\n",
     "", true, false},
    {"relay", cmdRelay, nullptr, "relay K on|off",
     "Switches relay K (0 to 3) on or off through SB and reads it back through RSB. The plug-in\n"
     "drives all four relay lines at every switch, and a new load knows of none as on: where\n"
     "kolmctl can read the lines first (ppdev, direct I/O, the port helper), it tells the\n"
     "plug-in of the relays that are on, so that they stay on; where it cannot, it says which\n"
     "relays this switch set off. Several relays: relay 1 on then relay 2 on.\n",
     "1 on", true, true},
    {"relays", cmdRelays, nullptr, "relays",
     "The state of each relay: as the data lines hold it, where kolmctl can read them (kolmsim's\n"
     "virtual box shows them), or as switched in this call; \"not set by this call\" where it\n"
     "knows neither.\n",
     "", true, true},
    {"restore", cmdRestore, nullptr, "restore",
     "Restores the port's data byte so that a printer can use the port (channel 2 of EA), after\n"
     "one reading that shows the plug-in reaches the port.\n",
     "", true, false},
    {"reinit", cmdReinit, nullptr, "reinit",
     "Initialises the interface again (channel 3 of EA), as restore does.\n", "", true, false},
    {"check", cmdCheck, nullptr, "check",
     "Conformance of the plug-in: the directory is well formed (texts parse, addresses are\n"
     "exports, the table ends with the null entry), and every listed entry point answers\n"
     "boundary and out-of-range arguments as the interface says, without crashing; 32-bit\n"
     "builds also check that every call keeps EBX, ESI, EDI, EBP, the stack and the x87 stack.\n"
     "An entry point that hangs once is not probed further. One line per finding and a\n"
     "summary; exits 1 if anything failed, 8 if everything answered as it should but the box\n"
     "was not reached (no port access: the readings answered -777), 0 if all is well.\n"
     "On a real interface it reads both channels and restores and re-initialises the port.\n"
     "It switches relays 0 and 3 to the state they have, only where kolmctl can read the relay\n"
     "lines first; no relay changes.\n",
     "", true, true},
    {"wait", cmdWait, nullptr, "wait MS",
     "Waits MS milliseconds, between two commands: relay 0 on then wait 2000 then relay 0 off.\n", "10",
     false, false},
    {"session", cmdSession, nullptr, "session",
     "Reads commands from standard input, one per line (blank lines and # comments skipped),\n"
     "each run on the one loaded plug-in, until the end of the input or \"quit\": a relay stays\n"
     "as switched from one line to the next. A command that fails is reported with its line\n"
     "and the session goes on; it ends with the exit code of the first failure.\n",
     "", false, true},
    {"ports", nullptr, cmdPorts, "ports [--json] [--plugins FOLDER]",
     "The machine's parallel ports: base address, who holds each, whether this user may\n"
     "reach it, which plug-in drives it, or the one step that makes one drive it.\n"
     "  --plugins FOLDER  where kolmlpt1 and kolmlpt2 and their port files lie\n"
     "                    (default: kolmctl's own folder)\n"
     "  --json            the same as JSON, for scripts\n",
     "", false, false},
};

}  // namespace

std::span<const Command> commands() { return kCommands; }

const Command* findCommand(const std::string& name) {
    for (const Command& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

}  // namespace kolmctl
