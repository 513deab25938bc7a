// Where kolmctl finds a plug-in the user names without a folder: "kolmlpt1" or
// "kolmlpt1.so" (".dll" on Windows), or the name of its port or of the virtual box,
// "LPT1", "LPT2" or "SIM" in any case, is looked up in the current folder, then in
// $KOLM_PLUGIN_DIR, beside kolmctl, and in the package's plug-in folder
// (/usr/lib/<multiarch>/kolm/ for the Debian package, and ../lib/<multiarch>/kolm/ from
// kolmctl's folder wherever the .tar.gz is unpacked; on Windows the package's folder is
// kolmctl.exe's own). The kolm Python package looks in the same order
// (tests/rules/plugin_names.csv). A name with a folder in it is taken as it is.
#pragma once

#include <string>
#include <vector>

namespace kolmctl {

struct PluginLookup {
    std::string path;                 // the file to load; empty when no folder holds it
    std::vector<std::string> looked;  // the folders looked in, for the user, in order
};

// The folders a bare name is looked up in, in order, for a kolmctl in `programFolder`.
std::vector<std::string> pluginFolders(const std::string& programFolder);
// `name` (or the plug-in its alias stands for) looked up in `folders`, with the
// platform's suffix, .so or .dll, added where it has none; taken as it is when it is
// not bare.
PluginLookup findPlugin(const std::string& name, const std::vector<std::string>& folders);

}  // namespace kolmctl
