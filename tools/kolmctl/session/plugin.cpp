#include "plugin.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "hex.h"
#include "interrupts.h"

namespace kolmctl {

namespace {

const char* notRegular(const struct stat& st) {
    if (S_ISDIR(st.st_mode)) return "a folder";
#ifdef S_ISFIFO
    if (S_ISFIFO(st.st_mode)) return "a FIFO";
#endif
    if (S_ISCHR(st.st_mode)) return "a device";
    return "not a regular file";
}

// The kind of plug-in file at `path`, which this process can load; SessionError if not.
FileKind checkFile(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            throw SessionError{Trouble::NoSuchFile, "no such file: " + path};
        throw SessionError{Trouble::NoSuchFile, "cannot read " + path + ": " + std::strerror(errno)};
    }
    // Only a regular file: a FIFO or a device would block the reader, a folder has no header.
    if (!S_ISREG(st.st_mode))
        throw SessionError{Trouble::NotAPlugin, path + " is not a plug-in: it is " + notRegular(st)};
    const auto kind = readFileKind(path);
    if (!kind) throw SessionError{Trouble::NoSuchFile, "cannot read " + path + ": " + std::strerror(errno)};
    if (kind->container == Container::Unknown)
        throw SessionError{Trouble::NotAPlugin, path + " is not a plug-in: not a shared library"};
    const FileKind host = hostKind();
    if (kind->container != host.container || kind->machine != host.machine)
        throw SessionError{Trouble::WrongArchitecture, path + " is an " + describe(*kind), *kind};
    return *kind;
}

// Why the side could not use the file it loaded.
SessionError loadError(const std::string& path, const LoadAnswer& d) {
    const std::string notAPlugin = path + " is not a plug-in: ";
    switch (d.outcome) {
    case LoadOutcome::LoaderRefused: return {Trouble::LoaderRefused, "cannot load " + path + ": " + d.detail};
    case LoadOutcome::NoDirectoryExport:
        return {Trouble::NotAPlugin, notAPlugin + "it exports no DLLFunctionDirectory"};
    case LoadOutcome::NullDirectory:
        return {Trouble::NotAPlugin, notAPlugin + "DLLFunctionDirectory returned a null address"};
    case LoadOutcome::UnreadableDirectory:
    case LoadOutcome::Loaded: break;  // never asked of a loaded file
    }
    return {Trouble::NotAPlugin, notAPlugin + "DLLFunctionDirectory returned " + hexAddress(d.address) +
                                     ", where no table can be read"};
}

// What a stop signal makes of the exchange under way.
SessionError stopped() { return {Trouble::Interrupted, "stopped by " + interruptName()}; }

std::string argList(const std::vector<Arg>& args) {
    std::string s;
    for (const Arg& a : args) {
        if (!s.empty()) s += ",";
        if (a.type == Type::Int) s += std::to_string(a.i);
        else if (a.type == Type::Double) s += std::to_string(a.d);
        else s += "&" + std::to_string(a.d);
    }
    return s;
}

}  // namespace

std::unique_ptr<Plugin> Plugin::load(const std::string& path, const SessionOptions& options) {
    std::unique_ptr<Plugin> plugin(new Plugin(path, checkFile(path), options));
    plugin->directory_ = plugin->begin();
    plugin->list();
    return plugin;
}

LoadAnswer Plugin::begin() {
    isolation_ = Isolation::start(options_);
    const std::vector<Call> none;
    const Exchange e = isolation_->ask(
        loadRequest(path_), [&](std::int32_t s, const std::string& f) { return failureLine(none, s, f); });
    if (e.status == Exchange::Interrupted) throw stopped();
    if (e.status == Exchange::Failed)
        throw SessionError{e.timedOut ? Trouble::PluginHung : Trouble::PluginCrashed,
                           failureLine(none, e.step, e.failure)};
    LoadAnswer d;
    if (!readLoadAnswer(e.answer, d))
        throw SessionError{Trouble::PluginCrashed,
                           path_ + ": the plug-in failed: its directory came back garbled"};
    if (d.outcome != LoadOutcome::Loaded) throw loadError(path_, d);
    boxLines_ = d.boxLines;
    return d;
}

// Each entry's text parsed for the entry point's types.
void Plugin::list() {
    for (std::size_t k = 0; k < directory_.entries.size(); ++k) {
        const DirectoryEntryRead& e = directory_.entries[k];
        Listed l;
        l.number = static_cast<int>(k + 1);
        l.text = e.text;
        l.textState = e.textState;
        l.entry = e.entry;
        l.exported = e.exported;
        switch (e.textState) {
        case TextState::Whole: l.sig = parseSignature(e.text.c_str(), &l.parseError); break;
        case TextState::Unended:
            l.parseError = "no end within " + std::to_string(kTextLimit) + " characters";
            break;
        default: l.parseError = "the text cannot be read"; break;
        }
        listed_.push_back(std::move(l));
    }
}

std::string Plugin::stepName(const std::vector<Call>& calls, std::int32_t step) const {
    switch (step) {
    case kStepStartUp: return "the library's start-up";
    case kStepDirectory: return "DLLFunctionDirectory()";
    case kStepWalk: return "reading the directory";
    default: break;
    }
    if (step >= 0 && static_cast<std::size_t>(step) < calls.size())
        return describe(calls[static_cast<std::size_t>(step)]);
    return "a call";
}

std::string Plugin::failureLine(const std::vector<Call>& calls, std::int32_t step,
                                const std::string& failure) const {
    return path_ + ": the plug-in failed: " + stepName(calls, step) + " " + failure;
}

const Listed* Plugin::find(const char* name) const {
    for (const Listed& l : listed_)
        if (l.sig && sameWordIgnoringCase(l.sig->name, name)) return &l;
    return nullptr;
}

Call Plugin::callOf(const Listed& l, std::vector<Arg> args) {
    return {Target::Listed, l.number - 1, std::move(args)};
}

std::string Plugin::describe(const Call& c) const {
    std::string name;
    switch (c.target) {
    case Target::Listed: {
        const auto k = static_cast<std::size_t>(c.index);
        name = c.index >= 0 && k < listed_.size() && listed_[k].sig ? listed_[k].sig->name
                                                                    : "entry " + std::to_string(c.index + 1);
    } break;
    case Target::Directory: name = "DLLFunctionDirectory"; break;
    case Target::PeaD: name = "peaD"; break;
    case Target::Psad: name = "PSAD"; break;
    }
    return name + "(" + argList(c.args) + ")";
}

Plugin::Attempt Plugin::attempt(const std::vector<Call>& calls) {
    Attempt a;
    // After a failure the side is gone: the plug-in is loaded afresh for these calls.
    if (isolation_ == nullptr) {
        try {
            begin();
        } catch (const SessionError& e) {
            if (interrupted()) throw;
            a.failure = "not called: the plug-in could not be loaded again (" + e.message + ")";
            isolation_.reset();
            return a;
        }
    }
    // cppcheck-suppress nullPointerRedundantCheck ; begin() made the isolation, or threw
    Isolation& side = *isolation_;
    const Exchange e = side.ask(
        callsRequest(calls), [&](std::int32_t s, const std::string& f) { return failureLine(calls, s, f); });
    if (e.status == Exchange::Interrupted) throw stopped();
    if (e.status == Exchange::Answered && readCallsAnswer(e.answer, a.answers, &boxLines_) &&
        a.answers.size() == calls.size())
        return a;
    a.answers.clear();
    a.hung = e.timedOut;
    a.failure = e.status == Exchange::Answered ? stepName(calls, 0) + " came back garbled"
                                               : stepName(calls, e.step) + " " + e.failure;
    isolation_.reset();
    return a;
}

std::vector<Answer> Plugin::callAll(const std::vector<Call>& calls) {
    Attempt a = attempt(calls);
    if (!a.failure.empty())
        throw SessionError{a.hung ? Trouble::PluginHung : Trouble::PluginCrashed,
                           path_ + ": the plug-in failed: " + a.failure};
    return std::move(a.answers);
}

}  // namespace kolmctl
