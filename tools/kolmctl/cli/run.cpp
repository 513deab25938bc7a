// The command line: kolmctl PLUGIN COMMAND [ARGS...], kolmctl COMMAND for a command
// without a plug-in, and help for each. Every Error of every layer ends here, as one
// line and its exit code.
#include <algorithm>

#include "commands.h"
#include "interrupts.h"
#include "kolm_version.h"

namespace kolmctl {

namespace {

const char kExitCodes[] =
    "Exit codes: 0 ok, 1 check failed, 2 bad command line, 3 file not found, 4 not a plug-in,\n"
    "5 wrong architecture, 6 the loader refused the file, 7 channel or relay out of range,\n"
    "8 no port access (the plug-in answered -777), 9 entry point not listed, 10 cannot write output,\n"
    "11 the plug-in failed (crashed, ended its process or gave no answer in 10 s: the line says\n"
    "which call), 12 no process (on Windows: no thread) could be made to keep the plug-in apart,\n"
    "130 interrupted (Ctrl-C).\n";

std::string overview() {
    std::string s =
        "usage: kolmctl PLUGIN COMMAND [ARGS...]\n"
        "       kolmctl help [COMMAND]     kolmctl COMMAND --help     kolmctl --version\n";
    for (const Command& c : commands())
        if (c.alone != nullptr) s += "       kolmctl " + std::string(c.synopsis) + "\n";
    s += "\nDrives a KOLM plug-in file (e.g. kolmlpt1.so, kolmlpt1.dll) the way the host program does.\n\n"
         "Commands:\n";
    for (const Command& c : commands())
        if (c.withPlugin != nullptr) s += "  " + std::string(c.synopsis) + "\n";
    return s + "\n" + kExitCodes;
}

// A bad command line: what is wrong, then the overview.
Error usage(const std::string& problem) {
    std::string text = problem + "\n" + overview();
    text.pop_back();  // the line's own end is added where it is said
    return Error{kUsage, text};
}

bool isHelpWord(const std::string& a) { return a == "--help" || a == "-h" || a == "help"; }

bool asksHelp(const Args& args) {
    return std::ranges::any_of(args, [](const std::string& a) { return a == "--help" || a == "-h"; });
}

int help(const Args& args, Context& cx) {
    // The command named anywhere on the line, if any.
    for (const std::string& a : args) {
        if (const Command* c = findCommand(a)) {
            cx.out << "usage: kolmctl " << (c->withPlugin ? "PLUGIN " : "") << c->synopsis << "\n\n"
                   << c->help;
            return kOk;
        }
    }
    for (const std::string& a : args)
        if (!isHelpWord(a) && (args.size() < 2 || a != args[0])) throw usage("no command \"" + a + "\"");
    cx.out << overview();
    return kOk;
}

int dispatch(const Args& args, Context& cx) {
    if (args.size() == 1 && args[0] == "--version") {
        cx.out << "kolmctl " KOLM_VERSION "\n";
        return kOk;
    }
    const Command* first = args.empty() ? nullptr : findCommand(args[0]);
    if (first != nullptr && first->alone != nullptr && !asksHelp(args))
        return first->alone(Args(args.begin() + 1, args.end()), cx);
    if (asksHelp(args) || first != nullptr || (!args.empty() && isHelpWord(args[0]))) return help(args, cx);
    if (args.size() < 2) throw usage(args.empty() ? "no plug-in given" : "no command given");
    const Command* command = findCommand(args[1]);
    if (command == nullptr || command->withPlugin == nullptr) throw usage("no command \"" + args[1] + "\"");
    const std::unique_ptr<Plugin> plugin = Plugin::load(args[0], cx.session);
    return command->withPlugin(*plugin, Args(args.begin() + 2, args.end()), cx);
}

}  // namespace

void remark(std::ostream& err, const std::string& line) { err << "kolmctl: " << line << "\n"; }

void noArgs(const Args& args) {
    if (!args.empty()) throw Error{kUsage, "unexpected argument \"" + args.front() + "\""};
}

int run(const Args& args, Context& cx) {
    const InterruptWatch watch;
    try {
        const int code = dispatch(args, cx);
        checkOutput(cx.out, "the output");
        return code;
    } catch (const Error& e) {
        cx.out.flush();
        remark(cx.err, e.message);
        return e.code;
    }
}

}  // namespace kolmctl
