// info and list: what the plug-in says about itself.
#include <cstdio>

#include "commands.h"
#include "cp1252.h"

namespace kolmctl {

namespace {

std::string hex(const void* p) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%p", p);
    return buf;
}

void noArgs(const Args& args) {
    if (!args.empty()) throw CommandError{kUsage, "unexpected argument \"" + args.front() + "\""};
}

}  // namespace

int cmdInfo(const Plugin& p, const Args& args, Context& cx) {
    noArgs(args);
    cx.out << "file:      " << p.path() << " (" << describe(p.kind()) << ")\n";
    cx.out << "title:     " << titleText(p, "titre") << "\n";
    cx.out << "detail:    " << titleText(p, "Detail") << "\n";
    cx.out << "calls:     " << callingConventionName() << "\n";
    showPortInUse(p, cx);
    cx.out << "directory: " << p.listed().size() << " entries at " << hex(p.directoryAddress())
           << (p.directoryEnded() ? ", null-terminated" : ", " + p.walkProblem()) << "\n";
    cx.out << "exports:   DLLFunctionDirectory";
    for (const Listed& l : p.listed()) {
        const std::string name = p.library().exportAt(l.entry);
        cx.out << " " << (name.empty() ? "(entry " + std::to_string(l.number) + " not exported)" : name);
    }
    for (const char* name : {"peaD", "PSAD"})
        if (p.library().symbol(name) != nullptr) cx.out << " " << name;
    cx.out << "\n";
    return kOk;
}

int cmdList(const Plugin& p, const Args& args, Context& cx) {
    noArgs(args);
    for (const Listed& l : p.listed()) {
        char num[8];
        std::snprintf(num, sizeof num, "%2d", l.number);
        std::string line = std::string(num) + "  " + utf8FromCp1252(l.text);
        line.resize(std::max<std::size_t>(line.size(), 42), ' ');
        const std::string exported = p.library().exportAt(l.entry);
        line += " -> " + (exported.empty() ? hex(l.entry) + " (not an export)" : exported);
        if (!l.sig) line += "  [unreadable text: " + l.parseError + "]";
        cx.out << line << "\n";
    }
    if (!p.directoryEnded()) cx.out << "    (" << p.walkProblem() << ")\n";
    return kOk;
}

}  // namespace kolmctl
