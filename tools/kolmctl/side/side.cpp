#include "side.h"

#include <algorithm>
#include <span>

#include "box_panel.h"
#include "call.h"

namespace kolmctl {

namespace {

// The table is 8 bytes an entry on 32-bit builds, 16 on x86-64: two pointers.
struct DirectoryEntry {
    const char* signature;
    const void* entry;
};

constexpr std::size_t kPage = 4096;  // the smallest page of the processors kolmctl runs on

// The exports the directory does not list.
const Signature& directorySignature() {
    static const Signature s{Type::Pointer, "DLLFunctionDirectory", {}};
    return s;
}
const Signature& peaDSignature() {
    static const Signature s{Type::Pointer, "peaD", {Type::Int}};
    return s;
}
const Signature& psadSignature() {
    static const Signature s{Type::Pointer, "PSAD", {Type::Int, Type::Pointer}};
    return s;
}

std::uint64_t address(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }
// An address the plug-in answered, in this process.
const void* pointer(std::uint64_t address) {
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(address));
}

// A NUL-terminated text, copied without trusting its address or its length. A page
// can be read whole or not at all, so one byte is checked on each page the text
// reaches, and the text is read up to its NUL and no further.
TextState readText(const void* at, std::string& out) {
    out.clear();
    if (at == nullptr) return TextState::Null;
    const auto* p = static_cast<const char*>(at);
    while (out.size() < kTextLimit) {
        char first = 0;
        if (!copyIfReadable(&first, p, 1)) return TextState::Unreadable;
        const std::size_t toPageEnd = kPage - reinterpret_cast<std::uintptr_t>(p) % kPage;
        const std::size_t n = std::min(toPageEnd, kTextLimit - out.size());
        for (std::size_t k = 0; k < n; ++k, ++p) {
            if (*p == '\0') return TextState::Whole;
            out += *p;
        }
    }
    return TextState::Unended;
}

}  // namespace

std::string Side::handle(const std::string& request) {
    Request r;
    if (!readRequest(request, r)) return {};
    if (r.kind == Request::Load) return loadAnswer(load(r.path));
    const std::vector<Answer> answers = calls(r.calls);
    return callsAnswer(answers, boxLines());
}

LoadAnswer Side::load(const std::string& path) {
    LoadAnswer d;
    *step_ = kStepStartUp;
    library_ = Library::open(path, d.detail);
    if (!library_) {
        d.outcome = LoadOutcome::LoaderRefused;
    } else if ((directoryFn_ = library_->symbol("DLLFunctionDirectory")) == nullptr) {
        d.outcome = LoadOutcome::NoDirectoryExport;
    } else {
        walk(d);
        d.peaD = library_->symbol("peaD") != nullptr;
        d.psad = library_->symbol("PSAD") != nullptr;
        d.portHandle = portHandleHeld();
        d.simulated = simulatedBoxLoaded();
        locateBoxPanel();
        d.boxLines = boxLines();
    }
    return d;
}

// Page by page through the library's mapping, each page with the end of the one before
// (a panel may straddle two): a page that cannot be read is passed over. A plug-in with a
// virtual box is a few hundred kilobytes; past kPanelSearchLimit of a range (a hostile
// file's vast segment), nor past kMostSegments ranges, there is no panel worth the wait.
void Side::locateBoxPanel() {
    constexpr std::size_t kPanelSearchLimit = std::size_t{16} << 20;
    constexpr std::size_t kMostSegments = 16;
    const std::size_t overlap = boxPanelSize() - 1;
    std::string bytes(overlap + kPage, '\0');
    const std::vector<Library::Range> ranges = library_->image();
    for (const Library::Range& range : std::span(ranges).first(std::min(ranges.size(), kMostSegments))) {
        const auto* start = static_cast<const char*>(range.at);
        const std::size_t size = std::min(range.size, kPanelSearchLimit);
        std::size_t carried = 0;
        for (std::size_t done = 0; done < size; done += kPage) {
            const std::size_t n = std::min(kPage, size - done);
            if (!copyIfReadable(bytes.data() + carried, start + done, n)) {
                carried = 0;
                continue;
            }
            const char* from = start + done - carried;
            const std::string_view seen(bytes.data(), carried + n);
            if (const auto at = kolmctl::findBoxPanel(seen, address(from))) {
                boxPanel_ = from + *at;
                return;
            }
            carried = std::min(overlap, seen.size());
            std::copy(seen.end() - static_cast<std::ptrdiff_t>(carried), seen.end(), bytes.begin());
        }
    }
}

std::optional<std::uint8_t> Side::boxLines() const {
    char bytes[64];
    if (boxPanel_ == nullptr || !copyIfReadable(bytes, boxPanel_, boxPanelSize())) return std::nullopt;
    return boxPanelLines(std::string_view(bytes, boxPanelSize()), address(boxPanel_));
}

// Calls DLLFunctionDirectory and copies its table, entry by entry, to the null end.
void Side::walk(LoadAnswer& d) {
    *step_ = kStepDirectory;
    const auto* table = static_cast<const DirectoryEntry*>(
        pointer(callEntry(directoryFn_, directorySignature(), {}).value.address));
    *step_ = kStepWalk;
    d.address = address(table);
    DirectoryEntry e{};
    if (table == nullptr) {
        d.outcome = LoadOutcome::NullDirectory;
        return;
    }
    if (!copyIfReadable(&e, table, sizeof e)) {
        d.outcome = LoadOutcome::UnreadableDirectory;
        return;
    }
    for (std::uint32_t k = 0; k < kMaxEntries; ++k) {
        if (!copyIfReadable(&e, table + k, sizeof e)) {
            d.walkProblem = "the table cannot be read past entry " + std::to_string(k) +
                            ", and no null entry came before";
            return;
        }
        if (e.signature == nullptr && e.entry == nullptr) return;
        if (e.signature == nullptr || e.entry == nullptr) {
            d.walkProblem = "entry " + std::to_string(k + 1) + " has a null " +
                            (e.signature == nullptr ? "text" : "address") + " but is not the null end";
            return;
        }
        DirectoryEntryRead s;
        s.textState = readText(e.signature, s.text);
        s.entry = address(e.entry);
        s.exported = library_->exportAt(e.entry);
        entries_.emplace_back(
            e.entry, s.textState == TextState::Whole ? parseSignature(s.text.c_str()) : std::nullopt);
        d.entries.push_back(std::move(s));
    }
    d.walkProblem = "no null entry within " + std::to_string(kMaxEntries) + " entries";
}

Answer Side::callOne(const Call& c) {
    Answer a;
    const void* fn = nullptr;
    const Signature* sig = nullptr;
    switch (c.target) {
    case Target::Listed: {
        const auto k = static_cast<std::size_t>(c.index);
        if (c.index < 0 || k >= entries_.size() || !entries_[k].second) return a;
        fn = entries_[k].first;
        sig = &*entries_[k].second;
        break;
    }
    case Target::Directory: fn = directoryFn_, sig = &directorySignature(); break;
    case Target::PeaD: fn = library_ ? library_->symbol("peaD") : nullptr, sig = &peaDSignature(); break;
    case Target::Psad: fn = library_ ? library_->symbol("PSAD") : nullptr, sig = &psadSignature(); break;
    }
    if (fn == nullptr || c.args.size() != sig->params.size()) return a;
    // Pointer arguments point at doubles that live here, beside the plug-in.
    double pointees[3] = {};
    std::vector<Arg> args = c.args;
    for (std::size_t k = 0; k < args.size() && k < 3; ++k) {
        args[k].type = sig->params[k];
        if (args[k].type == Type::Pointer) {
            pointees[k] = args[k].d;
            args[k].p = &pointees[k];
        }
    }
    a.result = callEntry(fn, *sig, args);
    a.at = steadySeconds();
    const void* result = pointer(a.result.value.address);
    if (sig->result == Type::Text) a.textState = readText(result, a.text);
    if (sig->result == Type::Pointer && result != nullptr && c.target != Target::Directory)
        a.pointeeRead = copyIfReadable(&a.pointee, result, sizeof a.pointee);
    return a;
}

std::vector<Answer> Side::calls(const std::vector<Call>& batch) {
    std::vector<Answer> answers;
    answers.reserve(batch.size());
    for (std::size_t k = 0; k < batch.size(); ++k) {
        *step_ = static_cast<std::int32_t>(k);
        answers.push_back(callOne(batch[k]));
    }
    return answers;
}

}  // namespace kolmctl
