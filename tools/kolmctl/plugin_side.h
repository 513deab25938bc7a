// The plug-in's side of kolmctl: the only code that touches the plug-in. It loads
// the library, walks the function directory and makes the calls it is asked for,
// copying every text and value the plug-in gives into its answer, so that nothing
// of the plug-in's memory is ever read on kolmctl's side. It runs wherever the
// isolation puts it (isolated.h); requests and answers are bytes (wire.h).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "call.h"
#include "exit_codes.h"
#include "plugin_library.h"
#include "signature.h"

namespace kolmctl {

// What the side is doing, kept where kolmctl can still read it if the plug-in
// takes the side down: a call of the batch (0, 1, ...) or one of these.
enum Step : std::int32_t { kStepStartUp = -1, kStepDirectory = -2, kStepWalk = -3 };

// Texts longer than this are cut: a text without its NUL would be read to the end of memory.
constexpr std::size_t kTextLimit = 4096;

enum class TextState : std::uint8_t { None, Whole, Null, Unended, Unreadable };

enum class Target : std::uint8_t { Listed, Directory, PeaD, Psad };

struct Call {
    Target target = Target::Listed;
    std::int32_t index = 0;  // into the directory, for Target::Listed
    std::vector<Arg> args;   // a Pointer argument points at a double holding Arg::d
};

struct Answer {
    CallResult result;
    TextState textState = TextState::None;  // for Text results
    std::string text;                       // Windows-1252, without the NUL
    bool pointeeRead = false;               // for Pointer results: the double pointed at
    double pointee = 0.0;
    double at = 0.0;  // when the call returned, in seconds of the steady clock
};

// The steady clock in seconds: the same clock on both sides of the isolation.
double steadySeconds();

struct SideEntry {
    std::string text;
    TextState textState = TextState::None;
    std::uint64_t entry = 0;
    std::string exported;  // the export at exactly `entry`, empty if none
};

struct SideDirectory {
    Exit code = kOk;
    std::string message;  // why the plug-in cannot be used, when code is not kOk
    std::uint64_t address = 0;
    std::string walkProblem;
    std::vector<SideEntry> entries;
    bool peaD = false;
    bool psad = false;
};

// Signatures of the exports that are not listed.
Signature directorySignature();
Signature peaDSignature();
Signature psadSignature();

std::string loadRequest(const std::string& path);
std::string callsRequest(const std::vector<Call>& calls);
// false when the answer is garbled.
bool readDirectory(const std::string& answer, SideDirectory& out);
bool readAnswers(const std::string& answer, std::vector<Answer>& out);

class PluginSide {
public:
    explicit PluginSide(volatile std::int32_t* step) : step_(step) {}
    std::string handle(const std::string& request);

private:
    std::string load(const std::string& path);
    void walk(const std::string& path, SideDirectory& d);
    std::string calls(const std::vector<Call>& batch);
    Answer callOne(const Call& c);

    volatile std::int32_t* step_;
    std::unique_ptr<PluginLibrary> library_;
    const void* directoryFn_ = nullptr;
    std::vector<std::pair<const void*, std::optional<Signature>>> entries_;
};

}  // namespace kolmctl
