// session and wait: several commands on one load of the plug-in, so that what one
// command set (a relay) holds for the next. A session reads them from standard input,
// one per line, for scripts and lessons.
#include <chrono>
#include <sstream>
#include <thread>

#include "commands.h"
#include "interrupts.h"

namespace kolmctl {

namespace {

constexpr long kSliceMs = 100;  // a wait looks at Ctrl-C this often

// Whether the session cannot go on after this error: the plug-in is gone, the output
// cannot be written, or the user stopped kolmctl.
bool endsTheSession(const Error& e) {
    return e.code == kPluginFailed || e.code == kCannotIsolate || e.code == kOutputFailed || interrupted();
}

Args words(const std::string& line) {
    std::istringstream in(line);
    Args out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

}  // namespace

// Waits, looking at Ctrl-C so that a stop is not held up.
int cmdWait(Plugin&, const Args& args, Context&) {
    if (args.size() != 1) throw Error{kUsage, "wait needs one time, in milliseconds"};
    const std::int32_t ms = parseInt(args[0], "the time to wait");
    if (ms < 0) throw Error{kUsage, "the time to wait cannot be negative"};
    for (long left = ms; left > 0 && !interrupted(); left -= kSliceMs)
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(left, kSliceMs)));
    if (interrupted()) throw Error{interruptedExit(), "interrupted (" + interruptName() + ")"};
    return kOk;
}

int cmdSession(Plugin& p, const Args& args, Context& cx) {
    noArgs(args);
    if (cx.in == nullptr) throw Error{kUsage, "a session reads its commands from standard input"};
    int first = kOk;
    int number = 0;
    for (std::string line; !interrupted() && std::getline(*cx.in, line);) {
        ++number;
        const Args command = words(line);
        if (command.empty() || command[0][0] == '#') continue;
        if (command[0] == "quit" || command[0] == "exit") break;
        int code = kOk;
        try {
            if (command[0] == "session") throw Error{kUsage, "a session cannot hold another"};
            code = runOnPlugin(p, command, cx);
            checkOutput(cx.out, "the output");
        } catch (const Error& e) {
            if (endsTheSession(e)) throw;
            cx.out.flush();
            remark(cx.err, "line " + std::to_string(number) + ": " + e.message);
            code = e.code;
        }
        if (first == kOk) first = code;
    }
    if (interrupted()) throw Error{interruptedExit(), "interrupted (" + interruptName() + ")"};
    return first;
}

}  // namespace kolmctl
