#include "lines_before_load.h"

#include <filesystem>

#include "plugin_ports.h"

namespace kolmctl {

LinesBeforeLoad linesBeforeLoad(const std::string& path, int lpt) {
    LinesBeforeLoad seen;
    seen.lpt = lpt;
    std::error_code ec;
    if (lpt == 0 || !std::filesystem::is_regular_file(path, ec)) return seen;
    const std::filesystem::path folder = std::filesystem::absolute(path).parent_path();
    seen.base = portSettingOf(folder, lpt).base;
    if (seen.base != 0) seen.lines = readDataRegister(seen.base, (folder / "").make_preferred().string());
    return seen;
}

}  // namespace kolmctl
