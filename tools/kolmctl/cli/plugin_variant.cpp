#include "plugin_variant.h"

#include <algorithm>
#include <filesystem>

#include "commands.h"

namespace kolmctl {

namespace {

constexpr int kVariants = 2;
// What names a variant: the start of its file's name, and its port in its title.
constexpr const char* kFileNames[kVariants] = {"kolmlpt1", "kolmlpt2"};
constexpr const char* kTitleMarks[kVariants] = {"LPT1:", "LPT2:"};

}  // namespace

int variantOfFileName(const std::string& path) {
    std::string name = std::filesystem::path(path).filename().string();
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    for (int k = 0; k < kVariants; ++k)
        if (name.rfind(kFileNames[k], 0) == 0) return k + 1;
    return 0;
}

int variantOf(Plugin& p) {
    const std::string title = titleText(p, "titre");
    for (int k = 0; k < kVariants; ++k)
        if (title.find(kTitleMarks[k]) != std::string::npos) return k + 1;
    return 0;
}

std::string variantName(int lpt) { return lpt >= 1 && lpt <= kVariants ? kFileNames[lpt - 1] : ""; }

bool virtualBox(Plugin& p) {
    return titleText(p, "titre") == "KOLM simul\xC3\xA9" &&
           titleText(p, "detail").rfind("DLL pour KOLM 10 bits simul\xC3\xA9 ", 0) == 0;
}

std::optional<std::uint8_t> virtualBoxLines(Plugin& p) {
    const auto lines = p.boxLines();
    return lines && virtualBox(p) ? lines : std::nullopt;
}

}  // namespace kolmctl
