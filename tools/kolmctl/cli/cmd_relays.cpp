// relay and relays: the four relays on data lines D0 to D3, through SB and RSB.
// Every SB drives all four lines from the plug-in's own record of the relays, which a
// new load holds all off: kolmctl first tells the plug-in of the relays that are on,
// where it knows them, so that switching one changes no other.
#include "commands.h"
#include "interface_facts.h"

namespace kolmctl {

namespace {

constexpr std::int32_t kRelays = kolm::facts::kRelays;

std::int32_t relayNumber(const std::string& text) {
    const std::int32_t k = parseInt(text, "the relay number");
    if (k < 0 || k >= kRelays)
        throw Error{kOutOfRange, "relay " + text + " is out of range: the interface has relays 0 to " +
                                     std::to_string(kRelays - 1)};
    return k;
}

std::string label(Plugin& p, std::int32_t k) {
    const std::string name = nameText(p, "NSB", k);
    return name.empty() ? "relay " + std::to_string(k) : name;
}

std::string stateWord(std::int32_t state) {
    return state == 1 ? "on" : state == 0 ? "off" : std::to_string(state);
}

// The relays other than `k` that this switch set off, though kolmctl could not know
// whether they were on: "relais 0, relais 2 and relais 3".
std::string othersSetOff(Plugin& p, std::int32_t k) {
    std::string names;
    int listed = 0;
    for (std::int32_t j = 0; j < kRelays; ++j) {
        if (j == k) continue;
        names += (listed == 0 ? "" : listed == kRelays - 2 ? " and " : ", ") + label(p, j);
        ++listed;
    }
    return names;
}

}  // namespace

void checkRelay(const Args& args) {
    if (args.size() != 2 || (args[1] != "on" && args[1] != "off"))
        throw Error{kUsage, "usage: kolmctl PLUGIN relay K on|off"};
    relayNumber(args[0]);
}

void cmdRelay(Plugin& p, const Args& args, Context& cx) {
    checkRelay(args);
    const std::int32_t k = relayNumber(args[0]);
    const std::int32_t value = args[1] == "on" ? 1 : 0;
    const Listed& sb = require(p, "SB", {Type::Int, Type::Int});
    const Listed& rsb = require(p, "RSB", {Type::Int});
    if (sb.sig->result != Type::Int || rsb.sig->result != Type::Int)
        throw Error{kNotListed, "SB and RSB must answer an int"};
    const bool othersKnown = cx.box.relays().has_value();
    // The others that are on, first, in one exchange: while the plug-in learns of them,
    // none is off for longer than a few port accesses.
    std::vector<Call> calls;
    for (const std::int32_t j : cx.box.relaysToTell(k))
        calls.push_back(Plugin::callOf(sb, {intArg(j), intArg(1)}));
    calls.push_back(Plugin::callOf(sb, {intArg(k), intArg(value)}));
    calls.push_back(Plugin::callOf(rsb, {intArg(k)}));
    const std::vector<Answer> answers = p.callAll(calls);
    for (std::size_t n = 0; n + 1 < answers.size(); ++n)
        if (answers[n].result.value.i == kNoValue) noPortAccess(p);
    const std::int32_t answer = answers[answers.size() - 2].result.value.i;
    const std::int32_t back = answers.back().result.value.i;
    cx.box.switched(k, value != 0);
    cx.out << label(p, k) << ": switched " << args[1] << " (SB answered " << answer << "), read back "
           << stateWord(back) << "\n";
    if (!othersKnown)
        remark(cx.err,
               "the relay lines cannot be read here, so the plug-in (which starts each load with all "
               "relays off) also set " +
                   othersSetOff(p, k) +
                   " off. Switch several relays in one call: relay 1 on then relay 2 on");
    if (answer != switchEcho(k, value) || back != value)
        throw Error{kCheckFailed, "the plug-in did not confirm the switch"};
}

void cmdRelays(Plugin& p, const Args& args, Context& cx) {
    noArgs(args);
    const Listed& rsb = require(p, "RSB", {Type::Int});
    cx.box.requirePort(p);
    const bool shown = virtualBoxLines(p).has_value();
    for (std::int32_t k = 0; k < kRelays; ++k) {
        cx.out << label(p, k) << ": ";
        // A virtual box shows its lines; once a switch of this load drove a port's lines,
        // the plug-in's record is what they hold.
        if (const auto lines = p.boxLines(); shown && lines)
            cx.out << (((*lines >> k) & 1) != 0 ? "on" : "off") << "\n";
        else if (cx.box.pluginInStep()) cx.out << stateWord(callInt(p, rsb, {intArg(k)})) << "\n";
        else if (cx.box.relays()) cx.out << (cx.box.relayOn(k) ? "on" : "off") << "\n";
        else cx.out << "not set by this call\n";
    }
}

}  // namespace kolmctl
