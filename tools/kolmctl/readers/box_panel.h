// The virtual box's front panel (access/virtual_box_panel.h), found in bytes the
// plug-in's side copied from the plug-in's memory: a live panel carries the mark and
// its own address, which a mere copy of the mark does not. Plain bytes in, so it is
// tested and fuzzed anywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kolmctl {

// The bytes of a panel that hold what a reader needs.
std::size_t boxPanelSize();
// Where a live panel starts within `bytes`, copied from the address `address`.
std::optional<std::size_t> findBoxPanel(std::string_view bytes, std::uint64_t address);
// The data lines of the live panel that `bytes` (copied from `address`) start with.
std::optional<std::uint8_t> boxPanelLines(std::string_view bytes, std::uint64_t address);

}  // namespace kolmctl
