#include "plugin.h"

#include <sys/stat.h>

#include "commands.h"

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

Plugin::Loaded Plugin::load(const std::string& path, const SessionOptions& options) {
    Loaded out;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        out.code = kFileNotFound;
        out.message = "no such file: " + path;
        return out;
    }
    // Only a regular file: a FIFO or a device would block the reader, a folder has no header.
    if (!S_ISREG(st.st_mode)) {
        out.code = kNotAPlugin;
        out.message = path + " is not a plug-in: it is " + notRegular(st);
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
        out.message = path + " is an " + kolmctl::describe(*fileKind) + "; this kolmctl loads " +
                      kolmctl::describe(host) + " files. Use the kolmctl built for that platform.";
        return out;
    }
    auto plugin = std::make_unique<Plugin>();
    plugin->path_ = path;
    plugin->kind_ = *fileKind;
    plugin->options_ = options;
    out.code = plugin->begin(out.message, plugin->directory_);
    if (out.code != kOk) return out;
    for (std::size_t k = 0; k < plugin->directory_.entries.size(); ++k) {
        const SideEntry& e = plugin->directory_.entries[k];
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
        plugin->listed_.push_back(std::move(l));
    }
    out.plugin = std::move(plugin);
    return out;
}

Exit Plugin::begin(std::string& message, SideDirectory& directory) const {
    std::string why;
    isolation_ =
        options_.sameProcess ? Isolation::sameProcess() : Isolation::start(options_.secondsAllowed, why);
    if (!isolation_) {
        message = why + "; kolmctl does not call a plug-in unprotected";
        return kCannotIsolate;
    }
    const std::vector<Call> none;
    const Exchange e = isolation_->ask(
        loadRequest(path_), [&](std::int32_t s, const std::string& f) { return failureLine(none, s, f); });
    if (e.status == Exchange::Interrupted) {
        message = "interrupted";
        return kInterrupted;
    }
    if (e.status == Exchange::Failed) {
        message = failureLine(none, e.step, e.failure);
        return kPluginFailed;
    }
    SideDirectory d;
    if (!readDirectory(e.answer, d)) {
        message = path_ + ": the plug-in failed: its directory came back garbled";
        return kPluginFailed;
    }
    if (d.code != kOk) {
        message = d.message;
        return d.code;
    }
    directory = std::move(d);
    return kOk;
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

Plugin::Attempt Plugin::attempt(const std::vector<Call>& calls) const {
    Attempt a;
    if (!isolation_) {
        std::string why;
        SideDirectory again;
        const Exit code = begin(why, again);
        if (code == kInterrupted) throw CommandError{kInterrupted, "interrupted"};
        if (code != kOk) {
            a.failure = "not called: the plug-in could not be loaded again (" + why + ")";
            isolation_.reset();
            return a;
        }
    }
    const Exchange e = isolation_->ask(
        callsRequest(calls), [&](std::int32_t s, const std::string& f) { return failureLine(calls, s, f); });
    if (e.status == Exchange::Interrupted) throw CommandError{kInterrupted, "interrupted"};
    if (e.status == Exchange::Answered && readAnswers(e.answer, a.answers) &&
        a.answers.size() == calls.size())
        return a;
    a.answers.clear();
    a.failure = e.status == Exchange::Answered ? stepName(calls, 0) + " came back garbled"
                                               : stepName(calls, e.step) + " " + e.failure;
    isolation_.reset();
    return a;
}

std::vector<Answer> Plugin::callAll(const std::vector<Call>& calls) const {
    Attempt a = attempt(calls);
    if (!a.failure.empty()) throw CommandError{kPluginFailed, path_ + ": the plug-in failed: " + a.failure};
    return std::move(a.answers);
}

}  // namespace kolmctl
