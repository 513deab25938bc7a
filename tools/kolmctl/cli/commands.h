// kolmctl's commands. Each is a row of one table (command_table.cpp), which the help
// and the tests read; a command takes the loaded plug-in (or none, for a command
// about the machine) and its own arguments and writes what it found. It fails by
// throwing an Error (exit_codes.h), which run() turns into one line and the code.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "box_state.h"
#include "exit_codes.h"
#include "plugin.h"
#include "plugin_variant.h"

namespace kolmctl {

struct Context {
    std::ostream& out;
    std::ostream& err;
    bool terminal;               // standard output is an interactive terminal
    SessionOptions session;      // how the plug-in is kept apart
    std::istream* in = nullptr;  // where a session reads its commands (standard input)
    BoxState box{};
    int columns = 0;  // the terminal's width for the live view; 0: ask the terminal at each reading
};

using Args = std::vector<std::string>;

struct Command {
    const char* name;
    void (*withPlugin)(Plugin& p, const Args& args, Context& cx);  // or
    void (*alone)(const Args& args, Context& cx);                  // for a command without a plug-in
    // Error kUsage or kOutOfRange for arguments it would refuse; nothing is called.
    void (*check)(const Args& args);
    const char* synopsis;  // after "kolmctl PLUGIN ", or "kolmctl " without a plug-in
    const char* help;
    // The arguments of a typical use, for the tests that run every command ("1 on" for relay).
    const char* example;
    bool needsPort;   // it acts on the box: without the port it ends with kNoPortAccess
    bool usesRelays;  // it needs the relay lines as they stand, read before the plug-in loads
};

std::span<const Command> commands();
const Command* findCommand(const std::string& name);

// The commands of one load, split at each lone "then", every one checked (Command::check)
// before the first runs.
std::vector<Args> commandChain(const Args& words);

// The whole command line, after the program name: its exit code.
int run(const Args& args, Context& cx);

// "kolmctl: <line>" on the error stream: the one form of kolmctl's own remarks.
void remark(std::ostream& err, const std::string& line);
// Error kUsage unless there are no arguments.
void noArgs(const Args& args);

// Entry points as the commands call them (entry_calls.cpp).
std::int32_t parseInt(const std::string& text, const char* what);
// The listed entry point `name` with exactly these parameter types, or Error kNotListed.
const Listed& require(const Plugin& p, const char* name, const std::vector<Type>& params);
// The entry point's result, which must be of that type.
std::int32_t callInt(Plugin& p, const Listed& l, const std::vector<Arg>& args);
double callDouble(Plugin& p, const Listed& l, const std::vector<Arg>& args);
// A text result as shown (textShown); empty if the entry point is not listed.
std::string nameText(Plugin& p, const char* name, std::int32_t channel);
std::string titleText(Plugin& p, const char* name);
// Error kNoPortAccess, with what keeps the plug-in from the port and the step that helps.
[[noreturn]] void noPortAccess(Plugin& p);
// Runs one command line of a load (after PLUGIN): a command and its arguments, its
// output checked.
void runOnPlugin(Plugin& p, const Args& args, Context& cx);
// A text the plug-in gave, for a terminal or a file: UTF-8, control bytes escaped,
// and a note where it could not be read whole.
std::string textShown(TextState state, const std::string& cp1252);
// Whether the output took everything written to it; Error kOutputFailed if not, kReaderGone
// where the program reading it went away (a closed pipe).
void checkOutput(std::ostream& out, const char* what);

// The plug-in file the user named: a bare name looked up where the plug-ins lie.
std::string pluginFile(const std::string& name);

}  // namespace kolmctl
