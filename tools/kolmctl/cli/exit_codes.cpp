#include "exit_codes.h"

#include "interrupts.h"

namespace kolmctl {

namespace {

// Which kolmctl loads a plug-in of this kind: "the kolmctl.exe of the 64-bit Windows
// package (windows-x64)", ...; empty for a kind no kolmctl is built for.
std::string kolmctlFor(const FileKind& kind) {
    if (kind.container == Container::Pe && kind.machine == Machine::X86_64)
        return "the kolmctl.exe of the 64-bit Windows package (windows-x64)";
    if (kind.container == Container::Pe && kind.machine == Machine::I386)
        return "the kolmctl.exe of the 32-bit Windows package (windows-x86)";
    if (kind.container == Container::Elf && kind.machine == Machine::X86_64)
        return "the kolmctl of the x86-64 Linux package (amd64)";
    if (kind.container == Container::Elf && kind.machine == Machine::I386)
        return "the kolmctl of the i386 Linux package";
    return {};
}

Exit codeOf(Trouble kind) {
    switch (kind) {
    case Trouble::NoSuchFile: return kFileNotFound;
    case Trouble::NotAPlugin: return kNotAPlugin;
    case Trouble::WrongArchitecture: return kWrongArchitecture;
    case Trouble::LoaderRefused: return kLoadFailed;
    case Trouble::PluginCrashed:
    case Trouble::PluginHung: return kPluginFailed;
    case Trouble::CannotIsolate: return kCannotIsolate;
    case Trouble::Interrupted: break;
    }
    return interruptedExit();
}

}  // namespace

Error errorOf(const SessionError& e) {
    switch (e.kind) {
    case Trouble::WrongArchitecture: {
        const std::string other = kolmctlFor(e.file);
        return {codeOf(e.kind), e.message + "; this kolmctl loads " + describe(hostKind()) + " files. Use " +
                                    (other.empty() ? "the kolmctl built for that platform" : other) + "."};
    }
    case Trouble::CannotIsolate:
        return {codeOf(e.kind), e.message + "; kolmctl does not call a plug-in unprotected"};
    case Trouble::Interrupted: return interruptedError();
    default: return {codeOf(e.kind), e.message};
    }
}

Exit interruptedExit() { return static_cast<Exit>(128 + interruptSignal()); }

Error interruptedError() { return {interruptedExit(), "interrupted (" + interruptName() + ")"}; }

}  // namespace kolmctl
