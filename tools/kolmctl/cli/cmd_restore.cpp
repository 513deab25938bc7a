// restore and reinit: the two port actions the plug-in offers as channels 2 and 3 of
// its analog inputs. Both answer "no value" whether or not they reached the port, so
// a reading first shows that they can.
#include "commands.h"

namespace kolmctl {

namespace {

constexpr std::int32_t kRestoreChannel = 2;
constexpr std::int32_t kReinitChannel = 3;

void action(Plugin& p, const Args& args, Context& cx, std::int32_t channel, const char* what) {
    noArgs(args);
    const Listed& ea = require(p, "EA", {Type::Int});
    cx.box.requirePort(p);
    callInt(p, ea, {intArg(channel)});
    const std::string name = nameText(p, "NEA", channel);
    cx.out << (name.empty() ? std::string("channel ") + std::to_string(channel) : name) << ": " << what
           << "\n";
}

}  // namespace

void cmdRestore(Plugin& p, const Args& args, Context& cx) {
    action(p, args, cx, kRestoreChannel, "the port's data byte is restored for a printer");
}

void cmdReinit(Plugin& p, const Args& args, Context& cx) {
    action(p, args, cx, kReinitChannel, "the interface is initialised again");
}

}  // namespace kolmctl
