// The box behind the loaded plug-in as kolmctl knows it, kept across the commands of
// one load (joined by "then", or a session): whether the plug-in reaches it, and the
// relays' data lines where kolmctl knows them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "plugin.h"

namespace kolmctl {

struct LinesBeforeLoad;  // lines_before_load.h

// "0 on, 1 off, 2 off, 3 on": the relays as `lines` hold them.
std::string relayStates(std::uint8_t lines);
// What SB answers for a switch of relay k to `value` (0 off, 1 on).
std::int32_t switchEcho(std::int32_t k, std::int32_t value);

class BoxState {
public:
    // What a new load of `p` knows: the lines read before it, where they were read at
    // the port of the file's own variant, or the lines its virtual box shows (kolmsim).
    // The plug-in records every relay as off.
    static BoxState atLoad(Plugin& p, const LinesBeforeLoad& before);

    // Whether a reading or a switch was answered: the plug-in reaches the port.
    bool reached() const { return reached_; }
    void noteReached() { reached_ = true; }
    // Makes sure the plug-in reaches the port, with one reading if nothing has shown it
    // yet in this load; noPortAccess if it does not.
    void requirePort(Plugin& p);
    // One reading, which gave a value or not: noPortAccess where it gave none and the
    // port has not answered once in this load.
    void noteReading(Plugin& p, bool answered);

    // The relays' data lines, bit k for relay k, where kolmctl knows them: read from
    // the port before the plug-in was loaded, or set by a switch in this load (every
    // switch rewrites all four lines), and kept up to date by each switch since.
    std::optional<std::uint8_t> relays() const { return relays_; }
    bool relayOn(std::int32_t k) const { return relays_ && ((*relays_ >> k) & 1) != 0; }
    // Whether the plug-in's own record of the relays holds relays(), so that its next
    // switch rewrites the other three lines as they are.
    bool pluginInStep() const { return inStep_; }
    // The relays other than `k` that are on and that the plug-in must be told of before
    // `k` is switched: none once it is in step, or where the lines are not known.
    std::vector<std::int32_t> relaysToTell(std::int32_t k) const;
    // Relay k was switched to `on`: its line known, the plug-in's record in step.
    void switched(std::int32_t k, bool on);
    // The plug-in was told of every relay that is on: its record holds relays().
    void pluginTold() { inStep_ = true; }

private:
    bool reached_ = false;
    std::optional<std::uint8_t> relays_;
    bool inStep_ = false;
};

}  // namespace kolmctl
