#include "box_panel.h"

#include "byte_view.h"
#include "virtual_box_panel.h"

namespace kolmctl {

std::size_t boxPanelSize() { return kolm::kBoxPanelSize; }

std::optional<std::uint8_t> boxPanelLines(std::string_view bytes, std::uint64_t address) {
    if (bytes.size() < kolm::kBoxPanelSize ||
        bytes.substr(0, sizeof kolm::kBoxPanelMark) !=
            std::string_view(kolm::kBoxPanelMark, sizeof kolm::kBoxPanelMark))
        return std::nullopt;
    const ByteView view(bytes);
    const auto low = view.le32(kolm::kBoxPanelSelfAt);
    const auto high = view.le32(kolm::kBoxPanelSelfAt + 4);
    if (!low || !high || ((std::uint64_t{*high} << 32) | *low) != address) return std::nullopt;
    return static_cast<std::uint8_t>(bytes[kolm::kBoxPanelLinesAt]);
}

std::optional<std::size_t> findBoxPanel(std::string_view bytes, std::uint64_t address) {
    const std::string_view mark(kolm::kBoxPanelMark, sizeof kolm::kBoxPanelMark);
    for (std::size_t at = bytes.find(mark); at != std::string_view::npos; at = bytes.find(mark, at + 1))
        if (boxPanelLines(bytes.substr(at), address + at)) return at;
    return std::nullopt;
}

}  // namespace kolmctl
