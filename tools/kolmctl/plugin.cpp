#include "plugin.h"

#include <sys/stat.h>
#include <cctype>
#include <cstring>

namespace kolmctl {

namespace {

// The table is 8 bytes an entry on 32-bit builds, 16 on x86-64: two pointers.
struct DirectoryEntry {
    const char* signature;
    const void* entry;
};

// A table without its null end would be read to the end of memory; stop well before.
constexpr int kMaxEntries = 256;

bool exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

}  // namespace

Signature directorySignature() { return {Type::Pointer, "DLLFunctionDirectory", {}}; }
Signature peaDSignature() { return {Type::Pointer, "peaD", {Type::Int}}; }
Signature psadSignature() { return {Type::Pointer, "PSAD", {Type::Int, Type::Pointer}}; }

CallResult call(const Listed& l, const std::vector<Arg>& args) { return callEntry(l.entry, *l.sig, args); }

Plugin::Loaded Plugin::load(const std::string& path) {
    Loaded out;
    if (!exists(path)) {
        out.code = kFileNotFound;
        out.message = "no such file: " + path;
        return out;
    }
    const auto fileKind = readFileKind(path);
    if (!fileKind) {
        out.code = kFileNotFound;
        out.message = "cannot read " + path;
        return out;
    }
    if (fileKind->container == Container::Unknown) {
        out.code = kNotAPlugin;
        out.message = path + " is not a plug-in: not a shared library";
        return out;
    }
    const FileKind host = hostKind();
    if (fileKind->container != host.container || fileKind->machine != host.machine) {
        out.code = kWrongArchitecture;
        out.message = path + " is an " + describe(*fileKind) + "; this kolmctl loads " + describe(host) +
                      " files. Use the kolmctl built for that platform.";
        return out;
    }
    auto plugin = std::make_unique<Plugin>();
    plugin->path_ = path;
    plugin->kind_ = *fileKind;
    std::string error;
    plugin->library_ = PluginLibrary::open(path, error);
    if (!plugin->library_) {
        out.code = kLoadFailed;
        out.message = "cannot load " + path + ": " + error;
        return out;
    }
    plugin->directoryFn_ = plugin->library_->symbol("DLLFunctionDirectory");
    if (plugin->directoryFn_ == nullptr) {
        out.code = kNotAPlugin;
        out.message = path + " is not a plug-in: it exports no DLLFunctionDirectory";
        return out;
    }
    plugin->directoryAddress_ = plugin->callDirectory();
    const auto* table = static_cast<const DirectoryEntry*>(plugin->directoryAddress_);
    if (table == nullptr) {
        plugin->walkProblem_ = "DLLFunctionDirectory returned a null address";
    } else {
        int k = 0;
        for (; k < kMaxEntries; ++k) {
            const DirectoryEntry& e = table[k];
            if (e.signature == nullptr && e.entry == nullptr) break;
            if (e.signature == nullptr || e.entry == nullptr) {
                plugin->walkProblem_ = "entry " + std::to_string(k + 1) + " has a null " +
                                       (e.signature == nullptr ? "text" : "address") +
                                       " but is not the null end";
                break;
            }
            Listed l;
            l.number = k + 1;
            l.text = e.signature;
            l.entry = e.entry;
            l.sig = parseSignature(e.signature, &l.parseError);
            plugin->listed_.push_back(std::move(l));
        }
        if (k == kMaxEntries)
            plugin->walkProblem_ = "no null entry within " + std::to_string(kMaxEntries) + " entries";
    }
    out.plugin = std::move(plugin);
    return out;
}

const Listed* Plugin::find(const char* name) const {
    for (const Listed& l : listed_)
        if (l.sig && sameWordIgnoringCase(l.sig->name, name)) return &l;
    return nullptr;
}

const void* Plugin::callDirectory() const {
    return callEntry(directoryFn_, directorySignature(), {}).value.p;
}

}  // namespace kolmctl
