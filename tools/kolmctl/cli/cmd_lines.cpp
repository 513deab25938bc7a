// kolmctl lines PLUGIN: the relays on at the port a plug-in file would drive, read as
// relay reads them before its load, without loading the file. For a program that
// loads the plug-in itself (the Python package does) and must tell it of the relays
// that are on before a switch rewrites all four lines.
#include "commands.h"
#include "hex.h"
#include "lines_before_load.h"

namespace kolmctl {

int cmdLines(const Args& args, Context& cx) {
    if (args.size() != 1) throw Error{kUsage, "usage: kolmctl lines PLUGIN"};
    const std::string path = pluginFile(args[0]);
    const LinesBeforeLoad seen = linesBeforeLoad(path, variantOfFileName(path));
    if (seen.lpt == 0)
        throw Error{kUsage,
                    args[0] + " is neither kolmlpt1 nor kolmlpt2 by its name: it has no port of its own"};
    const std::string plugin = "kolmlpt" + std::to_string(seen.lpt);
    if (seen.base == 0)
        throw Error{kNoPortAccess, plugin + " has no port: its port file is not valid (kolmctl " + args[0] +
                                       " info says why)"};
    if (!seen.lines)
        throw Error{kNoPortAccess, "the data lines at " + hexPort(seen.base) +
                                       " cannot be read here: the system lists no port there, another "
                                       "program holds it, or this user may not reach it"};
    std::string on;
    for (int k = 0; k < 4; ++k)
        if (((*seen.lines >> k) & 1) != 0) on += (on.empty() ? "" : ", ") + std::to_string(k);
    cx.out << plugin << " at " << hexPort(seen.base) << ": relays on: " << (on.empty() ? "none" : on) << "\n";
    return kOk;
}

}  // namespace kolmctl
