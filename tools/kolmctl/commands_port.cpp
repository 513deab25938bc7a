// The relays and the two port actions reached through the analog channels.
#include "commands.h"

namespace kolmctl {

namespace {

constexpr std::int32_t kRelays = 4;
constexpr std::int32_t kRestoreChannel = 2;
constexpr std::int32_t kReinitChannel = 3;

std::int32_t relayNumber(const std::string& text) {
    const std::int32_t k = parseInt(text, "the relay number");
    if (k < 0 || k >= kRelays)
        throw CommandError{kOutOfRange,
                           "relay " + text + " is out of range: the interface has relays 0 to 3"};
    return k;
}

std::string label(const Plugin& p, std::int32_t k) {
    const std::string name = nameText(p, "NSB", k);
    return name.empty() ? "relay " + std::to_string(k) : name;
}

int action(const Plugin& p, const Args& args, Context& cx, std::int32_t channel, const char* what) {
    if (!args.empty()) throw CommandError{kUsage, "unexpected argument \"" + args.front() + "\""};
    const Listed& ea = require(p, "EA", {Type::Int});
    // The plug-in answers "no value" to both actions: there is no reading to give.
    callInt(p, ea, {intArg(channel)});
    const std::string name = nameText(p, "NEA", channel);
    cx.out << (name.empty() ? std::string("channel ") + std::to_string(channel) : name) << ": " << what
           << "\n";
    return kOk;
}

}  // namespace

int cmdRelay(const Plugin& p, const Args& args, Context& cx) {
    if (args.size() != 2 || (args[1] != "on" && args[1] != "off"))
        throw CommandError{kUsage, "usage: kolmctl PLUGIN relay K on|off"};
    const std::int32_t k = relayNumber(args[0]);
    const std::int32_t value = args[1] == "on" ? 1 : 0;
    const std::int32_t answer =
        callInt(p, require(p, "SB", {Type::Int, Type::Int}), {intArg(k), intArg(value)});
    if (answer == kNoValue) noPortAccess(p);
    const std::int32_t back = callInt(p, require(p, "RSB", {Type::Int}), {intArg(k)});
    cx.out << label(p, k) << ": switched " << args[1] << " (SB answered " << answer << "), read back "
           << (back == 1   ? "on"
               : back == 0 ? "off"
                           : std::to_string(back))
           << "\n";
    if (answer != k * 100 + value || back != value) {
        cx.err << "kolmctl: the plug-in did not confirm the switch\n";
        return kCheckFailed;
    }
    return kOk;
}

int cmdRelays(const Plugin& p, const Args& args, Context& cx) {
    if (!args.empty()) throw CommandError{kUsage, "unexpected argument \"" + args.front() + "\""};
    const Listed& rsb = require(p, "RSB", {Type::Int});
    for (std::int32_t k = 0; k < kRelays; ++k) {
        const std::int32_t state = callInt(p, rsb, {intArg(k)});
        cx.out << label(p, k) << ": "
               << (state == 1   ? "on"
                   : state == 0 ? "off"
                                : std::to_string(state))
               << "\n";
    }
    return kOk;
}

int cmdRestore(const Plugin& p, const Args& args, Context& cx) {
    return action(p, args, cx, kRestoreChannel, "the port's data byte is restored for a printer");
}

int cmdReinit(const Plugin& p, const Args& args, Context& cx) {
    return action(p, args, cx, kReinitChannel, "the interface is initialised again");
}

}  // namespace kolmctl
