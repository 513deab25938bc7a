#include "plugin_files.h"

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

}  // namespace

std::vector<std::string> pluginFolders(const std::string& programFolder) {
    std::vector<std::string> folders{"", programFolder};
    // The package's folder, relative to kolmctl's (set by the build; none on Windows).
    const std::string relative = KOLM_PLUGIN_FOLDER;
    // cppcheck-suppress knownConditionTrueFalse ; the Windows build's is empty
    if (!relative.empty())
        folders.push_back((fs::path(programFolder) / relative).lexically_normal().string());
    return folders;
}

PluginLookup findPlugin(const std::string& name, const std::vector<std::string>& folders) {
    PluginLookup found;
    if (!bare(name) || name.empty()) {
        found.path = name;
        return found;
    }
    std::vector<std::string> names{name};
    if (!fs::path(name).has_extension()) names.push_back(name + KOLM_PLUGIN_SUFFIX);
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
