// A plug-in file loaded the way the host program loads it: the header checked, the
// library loaded, DLLFunctionDirectory bound and its table walked to the null
// entry, each text parsed for the entry point's types; peaD and PSAD bound by name.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "call.h"
#include "exit_codes.h"
#include "file_format.h"
#include "plugin_library.h"
#include "signature.h"

namespace kolmctl {

constexpr std::int32_t kNoValue = -777;
constexpr double kNoValueDouble = -777.0;

struct Listed {
    int number = 0;              // 1-based position in the directory
    const char* text = nullptr;  // as the plug-in stores it (Windows-1252)
    const void* entry = nullptr;
    std::optional<Signature> sig;  // nullopt when the text does not parse
    std::string parseError;
};

class Plugin {
public:
    struct Loaded {
        std::unique_ptr<Plugin> plugin;
        Exit code = kOk;
        std::string message;  // why it failed, for the user
    };
    static Loaded load(const std::string& path);

    const std::string& path() const { return path_; }
    const FileKind& kind() const { return kind_; }
    const PluginLibrary& library() const { return *library_; }
    const void* directoryAddress() const { return directoryAddress_; }
    const std::vector<Listed>& listed() const { return listed_; }
    // Whether the walk found the null entry; if not, `walkProblem` says what it found.
    bool directoryEnded() const { return walkProblem_.empty(); }
    const std::string& walkProblem() const { return walkProblem_; }

    // The listed entry point named `name` in the directory (type words and names
    // are compared without regard to case), nullptr if not listed or unparsed.
    const Listed* find(const char* name) const;
    // Calls DLLFunctionDirectory again, as the host may.
    const void* callDirectory() const;
    // peaD and PSAD: exported, not listed.
    const void* peaD() const { return library_->symbol("peaD"); }
    const void* psad() const { return library_->symbol("PSAD"); }

private:
    std::string path_;
    FileKind kind_;
    std::unique_ptr<PluginLibrary> library_;
    const void* directoryFn_ = nullptr;
    const void* directoryAddress_ = nullptr;
    std::vector<Listed> listed_;
    std::string walkProblem_;
};

// Known signatures of the entry points that are not listed.
Signature peaDSignature();
Signature psadSignature();
Signature directorySignature();

// Calls a listed entry point; the caller knows its parameters from `l.sig`.
CallResult call(const Listed& l, const std::vector<Arg>& args);

}  // namespace kolmctl
