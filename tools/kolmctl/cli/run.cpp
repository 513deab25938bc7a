// The command line: kolmctl PLUGIN COMMAND [ARGS...] [then COMMAND [ARGS...]]...,
// kolmctl COMMAND for a command without a plug-in, and help for each. Every Error of
// every layer ends here, as one line and its exit code.
#include <algorithm>
#include <new>

#include "commands.h"
#include "interrupts.h"
#include "kolm_version.h"
#include "kolmctl_help.h"
#include "lines_before_load.h"
#include "machine_ports.h"
#include "plugin_files.h"

namespace kolmctl {

namespace {

// The whole help, from the same text as the manual page: how kolmctl is run, its
// commands (each one's details: kolmctl help COMMAND), then every section.
std::string overview() {
    std::string s =
        "usage: kolmctl PLUGIN COMMAND [ARGS...] [then COMMAND [ARGS...]]...\n"
        "       kolmctl help [COMMAND]     kolmctl COMMAND --help     kolmctl --version\n";
    for (const Command& c : commands())
        if (c.alone != nullptr) s += "       kolmctl " + std::string(c.synopsis) + "\n";
    std::string commandList = "\nCOMMANDS (kolmctl help COMMAND for each)\n";
    for (const Command& c : commands())
        if (c.withPlugin != nullptr) commandList += "  " + std::string(c.synopsis) + "\n";
    for (const help::Section& section : help::kSections) {
        if (std::string(section.title) == "NAME") continue;
        s += "\n" + std::string(section.title) + "\n" + section.text;
        if (std::string(section.title) == "DESCRIPTION") s += commandList;
    }
    return s;
}

// A bad command line, in one line: what is wrong, and where the help is.
Error usage(const std::string& problem, const std::string& command = "") {
    return Error{kUsage, problem + "; see 'kolmctl help" + (command.empty() ? "" : " " + command) + "'"};
}

// A usage error of a command pointed at that command's help; anything else as it is.
Error withHelp(const Error& e, const Command& c) {
    if (e.code != kUsage || e.message.find("; see 'kolmctl help") != std::string::npos) return e;
    return usage(e.message, c.name);
}

bool isHelpWord(const std::string& a) { return a == "--help" || a == "-h" || a == "help"; }

bool asksHelp(const Args& args) {
    return std::ranges::any_of(args, [](const std::string& a) { return a == "--help" || a == "-h"; });
}

void help(const Args& args, Context& cx) {
    // The command named anywhere on the line, if any.
    for (const std::string& a : args) {
        if (const Command* c = findCommand(a)) {
            cx.out << "usage: kolmctl " << (c->withPlugin ? "PLUGIN " : "") << c->synopsis << "\n\n"
                   << c->help;
            return;
        }
    }
    for (const std::string& a : args)
        if (!isHelpWord(a) && (args.size() < 2 || a != args[0])) throw usage("no command \"" + a + "\"");
    cx.out << overview();
}

}  // namespace

// The plug-in file the user named: a bare name looked up where the plug-ins lie.
std::string pluginFile(const std::string& name) {
    const PluginLookup found = findPlugin(name, pluginFolders(programFolder()));
    if (!found.path.empty()) return found.path;
    std::string where;
    for (std::size_t k = 0; k < found.looked.size(); ++k)
        where += (k == 0 ? "" : k + 1 == found.looked.size() ? " and " : ", ") + found.looked[k];
    throw Error{kFileNotFound, "no such file: " + name + " (looked in " + where + ")"};
}

namespace {

void runLoad(const std::string& name, const Args& words, Context& cx) {
    const std::vector<Args> lines = commandChain(words);
    const std::string path = pluginFile(name);
    const bool usesRelays =
        std::ranges::any_of(lines, [](const Args& l) { return findCommand(l[0])->usesRelays; });
    const LinesBeforeLoad before =
        usesRelays ? linesBeforeLoad(path, variantOfFileName(path)) : LinesBeforeLoad{};
    const std::unique_ptr<Plugin> plugin = Plugin::load(path, cx.session);
    cx.box = BoxState::atLoad(*plugin, before);
    for (const Args& line : lines) runOnPlugin(*plugin, line, cx);
}

void dispatch(const Args& args, Context& cx) {
    if (args.size() == 1 && args[0] == "--version") {
        cx.out << "kolmctl " KOLM_VERSION "\n";
        return;
    }
    const Command* first = args.empty() ? nullptr : findCommand(args[0]);
    if (first != nullptr && first->alone != nullptr && !asksHelp(args)) {
        try {
            return first->alone(Args(args.begin() + 1, args.end()), cx);
        } catch (const Error& e) {
            throw withHelp(e, *first);
        }
    }
    if (asksHelp(args) || first != nullptr || (!args.empty() && isHelpWord(args[0]))) return help(args, cx);
    if (args.size() < 2)
        throw usage(args.empty() ? "no plug-in given: kolmctl PLUGIN COMMAND"
                                 : "no command given after " + args[0]);
    runLoad(args[0], Args(args.begin() + 1, args.end()), cx);
}

// The line and the exit code of a failure.
int failed(const Error& e, Context& cx) {
    cx.out.flush();
    if (!e.message.empty()) remark(cx.err, e.message);
    return e.code;
}

}  // namespace

std::vector<Args> commandChain(const Args& words) {
    std::vector<Args> lines(1);
    for (const std::string& w : words) {
        if (w == "then") lines.emplace_back();
        else lines.back().push_back(w);
    }
    for (const Args& line : lines) {
        if (line.empty()) throw usage("a \"then\" with no command on one side");
        const Command* c = findCommand(line[0]);
        if (c == nullptr || c->withPlugin == nullptr) throw usage("no command \"" + line[0] + "\"");
        try {
            c->check(Args(line.begin() + 1, line.end()));
        } catch (const Error& e) {
            throw withHelp(e, *c);
        }
    }
    return lines;
}

// One write: the error stream is unbuffered, and a reader of a pipe gets the line whole.
void remark(std::ostream& err, const std::string& line) { err << "kolmctl: " + line + "\n"; }

void runOnPlugin(Plugin& p, const Args& args, Context& cx) {
    const Command* command = args.empty() ? nullptr : findCommand(args[0]);
    if (command == nullptr || command->withPlugin == nullptr)
        throw usage("no command \"" + (args.empty() ? std::string() : args[0]) + "\"");
    try {
        command->withPlugin(p, Args(args.begin() + 1, args.end()), cx);
    } catch (const Error& e) {
        // A failure the command's output tells ends with that output written whole.
        if (e.message.empty() && e.code != kReaderGone) checkOutput(cx.out, "the output");
        throw withHelp(e, *command);
    }
    checkOutput(cx.out, "the output");
}

void noArgs(const Args& args) {
    if (!args.empty()) throw Error{kUsage, "unexpected argument \"" + args.front() + "\""};
}

int run(const Args& args, Context& cx) {
    const InterruptWatch watch;
    try {
        dispatch(args, cx);
        checkOutput(cx.out, "the output");
        return kOk;
    } catch (const Error& e) {
        return failed(e, cx);
    } catch (const SessionError& e) {
        return failed(errorOf(e), cx);
    } catch (const std::bad_alloc&) {
        return failed({kFailed, "out of memory"}, cx);
    } catch (const std::exception& e) {
        return failed({kFailed, std::string("failed: ") + e.what()}, cx);
    }
}

}  // namespace kolmctl
