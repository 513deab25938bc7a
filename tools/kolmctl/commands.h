// kolmctl's subcommands. Each takes the loaded plug-in and its own arguments and
// returns an exit code; failures a user must read are thrown as CommandError.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "exit_codes.h"
#include "plugin.h"

namespace kolmctl {

struct CommandError {
    Exit code;
    std::string message;
};

struct Context {
    std::ostream& out;
    std::ostream& err;
    bool terminal;           // standard output is an interactive terminal
    SessionOptions session;  // how the plug-in is kept apart
};

using Args = std::vector<std::string>;

int cmdInfo(const Plugin& p, const Args& args, Context& cx);
int cmdList(const Plugin& p, const Args& args, Context& cx);
int cmdRead(const Plugin& p, const Args& args, Context& cx);
int cmdRelay(const Plugin& p, const Args& args, Context& cx);
int cmdRelays(const Plugin& p, const Args& args, Context& cx);
int cmdRestore(const Plugin& p, const Args& args, Context& cx);
int cmdReinit(const Plugin& p, const Args& args, Context& cx);
int cmdCheck(const Plugin& p, const Args& args, Context& cx);
// kolmctl ports: no plug-in loaded (commands_ports.cpp).
int cmdPorts(const Args& args, Context& cx);
// The base a plug-in uses and where it comes from; why it has no port, or empty.
void showPortInUse(const Plugin& p, Context& cx);
std::string whyNoPort(const Plugin& p);

// Shared by the commands.
std::int32_t parseInt(const std::string& text, const char* what);
// The listed entry point `name` with exactly these parameter types, or CommandError.
const Listed& require(const Plugin& p, const char* name, const std::vector<Type>& params);
// The entry point's result, which must be of that type.
std::int32_t callInt(const Plugin& p, const Listed& l, const std::vector<Arg>& args);
double callDouble(const Plugin& p, const Listed& l, const std::vector<Arg>& args);
// A text result as shown (textShown); empty if the entry point is not listed.
std::string nameText(const Plugin& p, const char* name, std::int32_t channel);
std::string titleText(const Plugin& p, const char* name);
[[noreturn]] void noPortAccess(const Plugin& p);
// A text the plug-in gave, for a terminal or a file: UTF-8, control bytes escaped,
// and a note where it could not be read whole.
std::string textShown(TextState state, const std::string& cp1252);
// Whether the output took everything written to it; CommandError kOutputFailed if not.
void checkOutput(std::ostream& out, const char* what);

// The whole command line, after the program name.
int run(const Args& args, Context& cx);
int help(const Args& args, Context& cx);
bool wantsHelp(const Args& args);

}  // namespace kolmctl
