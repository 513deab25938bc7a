// Every command of kolmctl, one row each: a new command is its function (in the
// cmd_*.cpp of its kind), its row and its help in help.txt (from which the build makes
// kolmctl_help.h, the manual page and the Windows README.txt).
#include <cstring>

#include "commands.h"
#include "kolmctl_help.h"

namespace kolmctl {

// cmd_info.cpp: info, list; cmd_relays.cpp: relay, relays; cmd_restore.cpp: restore,
// reinit; cmd_session.cpp: wait, session; each other in the cmd_<name>.cpp of its row.
void cmdInfo(Plugin& p, const Args& args, Context& cx);
void cmdList(Plugin& p, const Args& args, Context& cx);
void cmdRead(Plugin& p, const Args& args, Context& cx);
void cmdRelay(Plugin& p, const Args& args, Context& cx);
void cmdRelays(Plugin& p, const Args& args, Context& cx);
void cmdRestore(Plugin& p, const Args& args, Context& cx);
void cmdReinit(Plugin& p, const Args& args, Context& cx);
void cmdCheck(Plugin& p, const Args& args, Context& cx);
void cmdWait(Plugin& p, const Args& args, Context& cx);
void cmdSession(Plugin& p, const Args& args, Context& cx);
void cmdServe(Plugin& p, const Args& args, Context& cx);
void cmdPorts(const Args& args, Context& cx);
void cmdLines(const Args& args, Context& cx);
// The arguments each command takes, checked before anything of a chain runs.
void checkInfo(const Args& args);
void checkRead(const Args& args);
void checkRelay(const Args& args);
void checkWait(const Args& args);
void checkServe(const Args& args);

namespace {

const Command kCommands[] = {
    {"info", cmdInfo, nullptr, checkInfo, help::info.synopsis, help::info.text, "", false, false},
    {"list", cmdList, nullptr, noArgs, help::list.synopsis, help::list.text, "", false, false},
    {"read", cmdRead, nullptr, checkRead, help::read.synopsis, help::read.text, "", true, false},
    {"relay", cmdRelay, nullptr, checkRelay, help::relay.synopsis, help::relay.text, "1 on", true, true},
    {"relays", cmdRelays, nullptr, noArgs, help::relays.synopsis, help::relays.text, "", true, true},
    {"restore", cmdRestore, nullptr, noArgs, help::restore.synopsis, help::restore.text, "", true, false},
    {"reinit", cmdReinit, nullptr, noArgs, help::reinit.synopsis, help::reinit.text, "", true, false},
    {"check", cmdCheck, nullptr, noArgs, help::check.synopsis, help::check.text, "", true, true},
    {"wait", cmdWait, nullptr, checkWait, help::wait.synopsis, help::wait.text, "10", false, false},
    {"session", cmdSession, nullptr, noArgs, help::session.synopsis, help::session.text, "", false, true},
    {"serve", cmdServe, nullptr, checkServe, help::serve.synopsis, help::serve.text, "--port 0", true, true},
    {"ports", nullptr, cmdPorts, nullptr, help::ports.synopsis, help::ports.text, "", false, false},
    {"lines", nullptr, cmdLines, nullptr, help::lines.synopsis, help::lines.text, "", false, false},
};

}  // namespace

std::span<const Command> commands() { return kCommands; }

const Command* findCommand(const std::string& name) {
    for (const Command& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

}  // namespace kolmctl
