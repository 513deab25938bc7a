// A plug-in file loaded the way the host program loads it: the file checked, the
// library loaded, DLLFunctionDirectory called and its table walked to the null
// entry, each text parsed for the entry point's types. All of that, and every call
// after it, happens on the plug-in's side (side/side.h), kept apart by the isolation
// (isolation.h); this is kolmctl's view of it: copies of what the plug-in said, and
// calls that answer or fail with the name of what failed.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "error.h"
#include "file_kind.h"
#include "isolation.h"
#include "messages.h"
#include "signature.h"

namespace kolmctl {

struct Listed {
    int number = 0;    // 1-based position in the directory
    std::string text;  // as the plug-in stores it (Windows-1252), cut at kTextLimit
    TextState textState = TextState::Whole;
    std::uint64_t entry = 0;
    std::string exported;          // the export at exactly `entry`; empty if none
    std::optional<Signature> sig;  // nullopt when the text does not parse
    std::string parseError;
};

class Plugin {
public:
    // The file checked, loaded and its directory read; SessionError when it cannot be,
    // with the kind of what is wrong (no such file, not a plug-in, wrong architecture, ...).
    static std::unique_ptr<Plugin> load(const std::string& path, const SessionOptions& options = {});

    const std::string& path() const { return path_; }
    const FileKind& kind() const { return kind_; }
    std::uint64_t directoryAddress() const { return directory_.address; }
    const std::vector<Listed>& listed() const { return listed_; }
    // Whether the walk found the null entry; if not, `walkProblem` says what it found.
    bool directoryEnded() const { return directory_.walkProblem.empty(); }
    const std::string& walkProblem() const { return directory_.walkProblem; }
    bool exportsPeaD() const { return directory_.peaD; }
    bool exportsPsad() const { return directory_.psad; }
    // The ppdev device or port helper the plug-in's process holds, if any (LoadAnswer).
    const std::string& portHandle() const { return directory_.portHandle; }
    bool simulatedBox() const { return directory_.simulated; }
    // The data lines of the plug-in's virtual box (kolmsim) after the last exchange, as
    // its front panel shows them; none for a plug-in without one.
    std::optional<std::uint8_t> boxLines() const { return boxLines_; }

    // The listed entry point named `name` in the directory (type words and names
    // are compared without regard to case), nullptr if not listed or unparsed.
    const Listed* find(const char* name) const;

    static Call callOf(const Listed& l, std::vector<Arg> args);
    // "EA(4)", for messages.
    std::string describe(const Call& c) const;

    // All of `calls` in one exchange with the plug-in's side. A plug-in that crashes,
    // ends its process or does not answer in time is a SessionError PluginCrashed or
    // PluginHung; a stop signal (Ctrl-C, SIGTERM, SIGHUP) is one of kind Interrupted.
    std::vector<Answer> callAll(const std::vector<Call>& calls);
    Answer call(const Listed& l, const std::vector<Arg>& args) { return callAll({callOf(l, args)})[0]; }

    // For check, where a failure is a finding: the failure instead of an error, and
    // the plug-in loaded afresh for the calls after it.
    struct Attempt {
        std::vector<Answer> answers;  // empty when it failed
        std::string failure;          // e.g. "EA(4) crashed (Segmentation fault)"
        bool hung = false;            // a call gave no answer in time
    };
    Attempt attempt(const std::vector<Call>& calls);

private:
    Plugin(std::string path, FileKind kind, const SessionOptions& options)
        : path_(std::move(path)), kind_(kind), options_(options) {}
    // Starts the plug-in's side and loads the library there; SessionError if it fails.
    LoadAnswer begin();
    void list();
    std::string stepName(const std::vector<Call>& calls, std::int32_t step) const;
    std::string failureLine(const std::vector<Call>& calls, std::int32_t step,
                            const std::string& failure) const;

    std::string path_;
    FileKind kind_;
    SessionOptions options_;
    LoadAnswer directory_;
    std::vector<Listed> listed_;
    std::unique_ptr<Isolation> isolation_;
    std::optional<std::uint8_t> boxLines_;
};

}  // namespace kolmctl
