#include "plugin_files.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>

namespace kolmctl {

namespace {

namespace fs = std::filesystem;

bool bare(const std::string& name) { return name.find_first_of("/\\:") == std::string::npos; }

// A file there, not a folder of the same name (a user's folder "kolmlpt1").
bool holds(const fs::path& path) {
    std::error_code ec;
    return fs::exists(path, ec) && !fs::is_directory(path, ec);
}

// The plug-in a port's or the virtual box's name stands for, in any case, with or
// without the colon of "LPT1:"; empty for any other name.
std::string pluginOfAlias(std::string name) {
    if (name.ends_with(':')) name.pop_back();
    std::ranges::transform(name, name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (name == "LPT1") return "kolmlpt1";
    if (name == "LPT2") return "kolmlpt2";
    if (name == "SIM") return "kolmsim";
    return {};
}

}  // namespace

std::vector<std::string> pluginFolders(const std::string& programFolder) {
    std::vector<std::string> folders{""};
    // A folder of the user's, as the kolm Python package takes it too.
    const char* chosen = std::getenv("KOLM_PLUGIN_DIR");
    if (chosen != nullptr && *chosen != '\0') folders.emplace_back(chosen);
    folders.push_back(programFolder);
    // The package's folder, relative to kolmctl's (set by the build; none on Windows).
    const std::string relative = KOLM_PLUGIN_FOLDER;
    // cppcheck-suppress knownConditionTrueFalse ; the Windows build's is empty
    if (!relative.empty())
        folders.push_back((fs::path(programFolder) / relative).lexically_normal().string());
    return folders;
}

PluginLookup findPlugin(const std::string& name, const std::vector<std::string>& folders) {
    PluginLookup found;
    const std::string alias = pluginOfAlias(name);
    const std::string& file = alias.empty() ? name : alias;
    if (!bare(file) || file.empty()) {
        found.path = file;
        return found;
    }
    std::vector<std::string> names{file};
    if (!fs::path(file).has_extension()) names.push_back(file + KOLM_PLUGIN_SUFFIX);
    for (const std::string& folder : folders) {
        found.looked.push_back(folder.empty() ? "the current folder" : folder);
        for (const std::string& n : names) {
            const fs::path candidate = folder.empty() ? fs::path(n) : fs::path(folder) / n;
            if (holds(candidate)) {
                found.path = candidate.string();
                return found;
            }
        }
    }
    return found;
}

}  // namespace kolmctl
