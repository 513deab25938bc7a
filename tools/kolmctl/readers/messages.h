// What kolmctl and the plug-in's side say to each other, as bytes (wire.h): the
// requests (load this file, make these calls) and the answers (the directory as the
// side read it, each call's result with every text and value copied). The answers
// come from beside the plug-in, which may have written anything into them: every
// decoder checks every length and every code, so a garbled answer is a failure,
// never a read past the end or a value kolmctl does not know.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "interface_facts.h"
#include "signature.h"

namespace kolmctl {

// What the interface's entry points answer where they have no value to give.
constexpr std::int32_t kNoValue = kolm::facts::kNoValue;
constexpr double kNoValueDouble = kolm::facts::kNoValue;

struct Arg {
    Type type;
    std::int32_t i = 0;
    double d = 0.0;
    const void* p = nullptr;
};
inline Arg intArg(std::int32_t v) { return {Type::Int, v, 0.0, nullptr}; }
inline Arg doubleArg(double v) { return {Type::Double, 0, v, nullptr}; }
inline Arg pointerArg(const void* v) { return {Type::Pointer, 0, 0.0, v}; }
// Across the isolation: a pointer to a double holding `v`, made beside the plug-in.
inline Arg pointerTo(double v) { return {Type::Pointer, 0, v, nullptr}; }

struct Value {
    std::int32_t i = 0;  // Int results
    double d = 0.0;      // Double results
    // Text and Pointer results: an address in the plug-in's process, as a number of one
    // width in every build; followed only beside the plug-in, compared and shown here.
    std::uint64_t address = 0;
};

// What the register-convention thunk saw around a call; `checked` is false where
// the build cannot tell (the x86-64 C ABI).
struct ConventionReport {
    bool checked = false;
    std::uint32_t brokenRegs = 0;  // bit 0 EBX, 1 ESI, 2 EDI, 3 EBP
    std::int32_t espError = 0;     // bytes left on (+) or taken off (-) the stack
    std::uint32_t fpuDepth = 0;    // x87 registers in use after the return
    std::uint32_t expectedFpuDepth = 0;
    bool kept() const {
        return !checked || (brokenRegs == 0 && espError == 0 && fpuDepth == expectedFpuDepth);
    }
};

struct CallResult {
    bool called = false;  // false: a signature this build cannot call (more than 3 parameters)
    Value value;
    ConventionReport abi;
};

// What the side is doing, kept where kolmctl can still read it if the plug-in takes
// the side down: a call of the batch (0, 1, ...) or one of these.
enum Step : std::int32_t { kStepStartUp = -1, kStepDirectory = -2, kStepWalk = -3 };

// Texts longer than this are cut: a text without its NUL would be read to the end of memory.
constexpr std::size_t kTextLimit = 4096;
// A table without its null end would be read to the end of memory; the walk stops here.
constexpr std::uint32_t kMaxEntries = 256;

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
    double at = 0.0;  // when the call returned, in seconds of steadySeconds()
};

// The clock both sides stamp with: one clock, whichever side of the isolation.
inline double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// One entry of the function directory, as the side copied it.
struct DirectoryEntryRead {
    std::string text;
    TextState textState = TextState::None;
    std::uint64_t entry = 0;
    std::string exported;  // the export at exactly `entry`, empty if none
};

// How loading the file went on the side.
enum class LoadOutcome : std::uint8_t {
    Loaded,
    LoaderRefused,        // `detail` holds the loader's message
    NoDirectoryExport,    // no DLLFunctionDirectory
    NullDirectory,        // it returned a null address
    UnreadableDirectory,  // it returned `address`, where nothing can be read
};

struct LoadAnswer {
    LoadOutcome outcome = LoadOutcome::Loaded;
    std::string detail;
    std::uint64_t address = 0;  // of the table DLLFunctionDirectory returned
    std::string walkProblem;    // empty when the walk found the null entry
    std::vector<DirectoryEntryRead> entries;
    bool peaD = false;  // the two exports the directory does not list
    bool psad = false;
    // How the side's process reaches the port once the plug-in has started: the ppdev
    // device or port helper it holds, and whether the simulated box stands in for it.
    std::string portHandle;
    bool simulated = false;
    // The data lines of a virtual box inside the plug-in (kolmsim), as its front panel
    // shows them (box_panel.h); none for a plug-in without one.
    std::optional<std::uint8_t> boxLines;
};

// Requests, made by kolmctl and read by the side.
struct Request {
    enum Kind : std::uint8_t { Load = 'L', Calls = 'C' } kind = Load;
    std::string path;         // Load
    std::vector<Call> calls;  // Calls
};
std::string loadRequest(const std::string& path);
std::string callsRequest(const std::vector<Call>& calls);
bool readRequest(const std::string& bytes, Request& out);

// Answers, made by the side and read by kolmctl; false when garbled.
std::string loadAnswer(const LoadAnswer& a);
// With the answers, the data lines of the plug-in's virtual box after the calls, if it has one.
std::string callsAnswer(const std::vector<Answer>& answers,
                        std::optional<std::uint8_t> boxLines = std::nullopt);
bool readLoadAnswer(const std::string& bytes, LoadAnswer& out);
bool readCallsAnswer(const std::string& bytes, std::vector<Answer>& out,
                     std::optional<std::uint8_t>* boxLines = nullptr);

}  // namespace kolmctl
