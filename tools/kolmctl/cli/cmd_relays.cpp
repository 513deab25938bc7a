// relay and relays: the four relays on data lines D0 to D3, through SB and RSB.
#include "commands.h"

namespace kolmctl {

namespace {

constexpr std::int32_t kRelays = 4;

std::int32_t relayNumber(const std::string& text) {
    const std::int32_t k = parseInt(text, "the relay number");
    if (k < 0 || k >= kRelays)
        throw Error{kOutOfRange, "relay " + text + " is out of range: the interface has relays 0 to 3"};
    return k;
}

std::string label(Plugin& p, std::int32_t k) {
    const std::string name = nameText(p, "NSB", k);
    return name.empty() ? "relay " + std::to_string(k) : name;
}

std::string stateWord(std::int32_t state) {
    return state == 1 ? "on" : state == 0 ? "off" : std::to_string(state);
}

}  // namespace

int cmdRelay(Plugin& p, const Args& args, Context& cx) {
    if (args.size() != 2 || (args[1] != "on" && args[1] != "off"))
        throw Error{kUsage, "usage: kolmctl PLUGIN relay K on|off"};
    const std::int32_t k = relayNumber(args[0]);
    const std::int32_t value = args[1] == "on" ? 1 : 0;
    const std::int32_t answer =
        callInt(p, require(p, "SB", {Type::Int, Type::Int}), {intArg(k), intArg(value)});
    if (answer == kNoValue) noPortAccess(p);
    const std::int32_t back = callInt(p, require(p, "RSB", {Type::Int}), {intArg(k)});
    cx.out << label(p, k) << ": switched " << args[1] << " (SB answered " << answer << "), read back "
           << stateWord(back) << "\n";
    if (answer != k * 100 + value || back != value)
        throw Error{kCheckFailed, "the plug-in did not confirm the switch"};
    return kOk;
}

int cmdRelays(Plugin& p, const Args& args, Context& cx) {
    noArgs(args);
    const Listed& rsb = require(p, "RSB", {Type::Int});
    for (std::int32_t k = 0; k < kRelays; ++k)
        cx.out << label(p, k) << ": " << stateWord(callInt(p, rsb, {intArg(k)})) << "\n";
    return kOk;
}

}  // namespace kolmctl
