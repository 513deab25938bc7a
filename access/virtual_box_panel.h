// The virtual box's front panel: the box's data lines (the relays' lamps) kept in the
// plug-in's own memory, where a program that loaded the plug-in can find them and show
// the relays as the box holds them (kolmctl does: tools/kolmctl/readers/box_panel.h). A mark and the
// panel's own address come first, so that a copy of the mark anywhere else (among the
// plug-in's constants, in the program that looks) is never taken for the panel.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kolm {

inline constexpr char kBoxPanelMark[8] = {'K', 'O', 'L', 'M', 'B', 'O', 'X', '\x01'};

struct BoxPanel {
    char mark[8];            // kBoxPanelMark once the box is powered
    std::uint64_t self;      // the panel's own address, little-endian
    std::uint8_t dataLines;  // the box's data latch: D0-D3 drive relays 0-3
};

constexpr std::size_t kBoxPanelSelfAt = 8;
constexpr std::size_t kBoxPanelLinesAt = 16;
constexpr std::size_t kBoxPanelSize = 17;  // the bytes a reader needs

}  // namespace kolm
