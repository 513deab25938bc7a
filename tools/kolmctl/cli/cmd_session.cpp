// session and wait: several commands on one load of the plug-in, so that what one
// command set (a relay) holds for the next. A session reads them from standard input,
// one per line as it comes, for scripts and lessons.
#include <chrono>
#include <sstream>
#include <thread>

#include "capture_text.h"
#include "commands.h"
#include "interrupts.h"

namespace kolmctl {

namespace {

constexpr long kSliceMs = 100;                   // a wait looks at Ctrl-C this often
constexpr std::int32_t kLongestWait = 86400000;  // 24 h
constexpr std::size_t kLongestLine = 4096;       // characters of one session line

// Whether the session cannot go on after this error: the output cannot be written, or
// the user stopped kolmctl. (A session's trouble, the plug-in gone, ends it too: it is
// no Error.) A command that has told of its stop (a capture's summary) leaves the
// session to end as stopped.
bool endsTheSession(const Error& e) {
    return e.code == kOutputFailed || e.code == kReaderGone || (interrupted() && !e.message.empty());
}

Args words(const std::string& line) {
    std::istringstream in(line);
    Args out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

// The next line of `in`, without its end: false at the end of the input. A line longer
// than kLongestLine ends the session: no input makes kolmctl grow without bound.
bool nextLine(std::istream& in, std::string& line, int number) {
    line.clear();
    for (int c = in.get(); c != std::istream::traits_type::eof(); c = in.get()) {
        if (c == '\n') return true;
        if (line.size() == kLongestLine)
            throw Error{kUsage, "line " + std::to_string(number) + " is longer than " +
                                    std::to_string(kLongestLine) +
                                    " characters, the most a session line holds"};
        line.push_back(static_cast<char>(c));
    }
    return !line.empty();
}

// What the lines before a refused one did: how many ran, and the relays as they stand.
std::string before(int number, int ran, int failed, const Context& cx) {
    std::string s = "  before line " + std::to_string(number) + ": " + counted(ran, "command line") + " ran";
    if (failed > 0) s += ", " + std::to_string(failed) + " failed";
    if (const auto lines = cx.box.relays()) s += "; relays " + relayStates(*lines);
    return s;
}

}  // namespace

void checkWait(const Args& args) {
    if (args.size() != 1) throw Error{kUsage, "wait needs one time, in milliseconds"};
    const std::int32_t ms = parseInt(args[0], "the time to wait");
    if (ms < 0) throw Error{kUsage, "the time to wait cannot be negative"};
    if (ms > kLongestWait) throw Error{kUsage, "the time to wait can be at most 86400000 ms (24 h)"};
}

// Waits, looking at Ctrl-C so that a stop is not held up.
void cmdWait(Plugin&, const Args& args, Context&) {
    checkWait(args);
    const long ms = parseInt(args[0], "the time to wait");
    for (long left = ms; left > 0 && !interrupted(); left -= kSliceMs)
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(left, kSliceMs)));
    if (interrupted()) throw interruptedError();
}

// One session line's commands, checked whole before the first runs.
void runSessionLine(Plugin& p, const Args& command, Context& cx) {
    const std::vector<Args> steps = commandChain(command);
    for (const Args& step : steps)
        if (step[0] == "session") throw Error{kUsage, "a session cannot hold another"};
    for (const Args& step : steps) runOnPlugin(p, step, cx);
}

// Each line is a command, or commands joined by "then", checked whole before it runs.
void cmdSession(Plugin& p, const Args& args, Context& cx) {
    noArgs(args);
    if (cx.in == nullptr) throw Error{kUsage, "a session reads its commands from standard input"};
    Exit first = kOk;
    int ran = 0;
    int failed = 0;
    std::string line;
    for (int number = 1; !interrupted() && nextLine(*cx.in, line, number); ++number) {
        const Args command = words(line);
        if (command.empty() || command[0][0] == '#') continue;
        if (command[0] == "quit" || command[0] == "exit") break;
        Exit code = kOk;
        try {
            runSessionLine(p, command, cx);
        } catch (const Error& e) {
            if (endsTheSession(e)) throw;
            if (!e.message.empty()) {
                cx.out.flush();
                remark(cx.err, "line " + std::to_string(number) + ": " + e.message);
                remark(cx.err, before(number, ran, failed, cx));
            }
            code = e.code;
        }
        ++ran;
        if (code != kOk) ++failed;
        if (first == kOk) first = code;
    }
    if (interrupted()) throw interruptedError();
    // Each failure has been told, on its line.
    if (first != kOk) throw Error{first, {}};
}

}  // namespace kolmctl
