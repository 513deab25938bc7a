// The data lines D0-D7 at the port a plug-in file will drive, read before the plug-in
// is loaded: once loaded, it claims the port and holds it. The one place kolmctl opens
// a port itself, briefly, for one read; nothing is written. Linux: through ppdev,
// claimed for the read and let go, at a port the kernel lists and nobody holds, else
// by direct I/O where the kernel grants it; Windows: through the port helper beside
// the plug-in, or in the system folder. One file per platform for the read:
// lines_before_load_linux.cpp, lines_before_load_windows.cpp.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kolmctl {

struct LinesBeforeLoad {
    int lpt = 0;                        // the variant asked for; 0: none, nothing read
    std::uint16_t base = 0;             // its port, from the port file or built in; 0 if none
    std::optional<std::uint8_t> lines;  // D0-D7; nullopt where they cannot be read: never a guess
};

// The lines at the port of the plug-in file `path` of variant `lpt` (1 or 2).
LinesBeforeLoad linesBeforeLoad(const std::string& path, int lpt);

// The platform's read of the data register at `base`, with the helper looked for in
// `pluginFolder` (Windows).
std::optional<std::uint8_t> readDataRegister(std::uint16_t base, const std::string& pluginFolder);

}  // namespace kolmctl
