// info and list: what the plug-in says about itself.
#include <cstdio>

#include "commands.h"
#include "cp1252.h"
#include "file_version.h"

namespace kolmctl {

namespace {

std::string hex(std::uint64_t address) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(address));
    return buf;
}

void noArgs(const Args& args) {
    if (!args.empty()) throw CommandError{kUsage, "unexpected argument \"" + args.front() + "\""};
}

}  // namespace

int cmdInfo(const Plugin& p, const Args& args, Context& cx) {
    noArgs(args);
    cx.out << "file:      " << p.path() << " (" << describe(p.kind()) << ")\n";
    if (const auto version = fileVersion(p.path())) cx.out << "version:   " << *version << "\n";
    cx.out << "title:     " << titleText(p, "titre") << "\n";
    cx.out << "detail:    " << titleText(p, "Detail") << "\n";
    cx.out << "calls:     " << callingConventionName() << "\n";
    showPortInUse(p, cx);
    cx.out << "directory: " << p.listed().size() << " entries at " << hex(p.directoryAddress())
           << (p.directoryEnded() ? ", null-terminated" : ", " + p.walkProblem()) << "\n";
    cx.out << "exports:   DLLFunctionDirectory";
    for (const Listed& l : p.listed())
        cx.out << " "
               << (l.exported.empty() ? "(entry " + std::to_string(l.number) + " not exported)" : l.exported);
    if (p.exportsPeaD()) cx.out << " peaD";
    if (p.exportsPsad()) cx.out << " PSAD";
    cx.out << "\n";
    return kOk;
}

int cmdList(const Plugin& p, const Args& args, Context& cx) {
    noArgs(args);
    for (const Listed& l : p.listed()) {
        char num[8];
        std::snprintf(num, sizeof num, "%2d", l.number);
        std::string line = std::string(num) + "  " + textShown(l.textState, l.text);
        line.resize(std::max<std::size_t>(line.size(), 42), ' ');
        line += " -> " + (l.exported.empty() ? hex(l.entry) + " (not an export)" : l.exported);
        if (!l.sig) line += "  [unreadable text: " + l.parseError + "]";
        cx.out << line << "\n";
    }
    if (!p.directoryEnded()) cx.out << "    (" << p.walkProblem() << ")\n";
    return kOk;
}

}  // namespace kolmctl
