// kolmctl lines PLUGIN: the relays on at the port a plug-in file would drive, read as
// relay reads them before its load, without loading the file. For a program that
// loads the plug-in itself (the Python package does) and must tell it of the relays
// that are on before a switch rewrites all four lines; with --json, also the file's
// kind and whether this kolmctl's build loads it, for such a program to check first.
#include <filesystem>

#include "commands.h"
#include "file_kind.h"
#include "hex.h"
#include "json_facts.h"
#include "lines_before_load.h"
#include "options.h"
#include "plugin_ports.h"

namespace kolmctl {

namespace {

void showJson(const std::string& path, const LinesBeforeLoad& seen, std::ostream& out) {
    std::error_code ec;
    const auto kind = std::filesystem::is_regular_file(path, ec) ? readFileKind(path) : std::nullopt;
    const FileKind host = hostKind();
    const bool loads = kind && kind->container == host.container && kind->machine == host.machine;
    out << "{\"file\": " << json(path) << ", \"kind\": " << (kind ? jsonKind(*kind) : "null")
        << ",\n \"host\": " << jsonKind(host) << ", \"loads\": " << jsonBool(loads)
        << ",\n \"plugin\": " << (seen.lpt ? json("kolmlpt" + std::to_string(seen.lpt)) : "null")
        << ", \"port\": ";
    if (seen.lpt != 0)
        out << "{" << jsonPortFile(portSettingOf(std::filesystem::absolute(path).parent_path(), seen.lpt))
            << "}";
    else out << "null";
    out << ", \"relays\": " << jsonRelays(seen.lines) << "}\n";
}

}  // namespace

void cmdLines(const Args& args, Context& cx) {
    static const OptionRule rules[] = {{"--json", nullptr, nullptr}};
    const Options o = parseOptions(args, rules);
    if (o.operands.size() != 1) throw Error{kUsage, "usage: kolmctl lines PLUGIN [--json]"};
    const std::string& name = o.operands[0];
    const std::string path = pluginFile(name);
    const LinesBeforeLoad seen = linesBeforeLoad(path, variantOfFileName(path));
    if (o.has("--json")) {
        showJson(path, seen, cx.out);
        return;
    }
    if (seen.lpt == 0)
        throw Error{kUsage,
                    name + " is neither kolmlpt1 nor kolmlpt2 by its name: it has no port of its own"};
    const std::string plugin = variantName(seen.lpt);
    if (seen.base == 0)
        throw Error{kNoPortAccess,
                    plugin + " has no port: its port file is not valid (kolmctl " + name + " info says why)"};
    if (!seen.lines)
        throw Error{kNoPortAccess, "the data lines at " + hexPort(seen.base) +
                                       " cannot be read here: the system lists no port there, another "
                                       "program holds it, or this user may not reach it"};
    std::string on;
    for (int k = 0; k < 4; ++k)
        if (((*seen.lines >> k) & 1) != 0) on += (on.empty() ? "" : ", ") + std::to_string(k);
    cx.out << plugin << " at " << hexPort(seen.base) << ": relays on: " << (on.empty() ? "none" : on) << "\n";
}

}  // namespace kolmctl
