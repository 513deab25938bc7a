#include "box_state.h"

#include <filesystem>

#include "commands.h"
#include "interface_facts.h"
#include "lines_before_load.h"
#include "machine_ports.h"
#include "plugin_ports.h"
#include "plugin_variant.h"

namespace kolmctl {

namespace {

constexpr auto kRelayLines = static_cast<std::uint8_t>(kolm::facts::kRelayMask);  // D0-D3
constexpr std::int32_t kRelays = kolm::facts::kRelays;

}  // namespace

std::string relayStates(std::uint8_t lines) {
    std::string s;
    for (std::int32_t k = 0; k < kRelays; ++k)
        s += (k > 0 ? ", " : "") + std::to_string(k) + (((lines >> k) & 1) != 0 ? " on" : " off");
    return s;
}

std::int32_t switchEcho(std::int32_t k, std::int32_t value) { return k * kolm::facts::kEchoStep + value; }

BoxState BoxState::atLoad(Plugin& p, const LinesBeforeLoad& before) {
    BoxState box;
    // Lines read at the port of the variant the file's name gives: only if it is the file's own.
    if (before.lines && variantOf(p) == before.lpt)
        box.relays_ = static_cast<std::uint8_t>(*before.lines & kRelayLines);
    // A virtual box shows its lines itself (kolmsim): the plug-in's side read them.
    else if (const auto shown = virtualBoxLines(p))
        box.relays_ = static_cast<std::uint8_t>(*shown & kRelayLines);
    return box;
}

void BoxState::requirePort(Plugin& p) {
    if (reached_) return;
    // A reading is the one call whose answer tells: the actions and RSB answer the same
    // with the port or without it.
    if (callInt(p, require(p, "EA", {Type::Int}), {intArg(0)}) == kNoValue) noPortAccess(p);
    reached_ = true;
}

void BoxState::noteReading(Plugin& p, bool answered) {
    if (!answered && !reached_) noPortAccess(p);
    reached_ = reached_ || answered;
}

std::vector<std::int32_t> BoxState::relaysToTell(std::int32_t k) const {
    std::vector<std::int32_t> on;
    if (inStep_) return on;
    for (std::int32_t j = 0; j < kRelays; ++j)
        if (j != k && relayOn(j)) on.push_back(j);
    return on;
}

void BoxState::switched(std::int32_t k, bool on) {
    const auto mask = static_cast<std::uint8_t>(1u << k);
    relays_ = static_cast<std::uint8_t>((relays_.value_or(0) & ~mask) | (on ? mask : 0));
    inStep_ = true;
    reached_ = true;
}

}  // namespace kolmctl
