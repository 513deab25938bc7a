#include "plugin_side.h"

#include <chrono>
#include <cstdio>

#include "wire.h"

namespace kolmctl {

namespace {

// The table is 8 bytes an entry on 32-bit builds, 16 on x86-64: two pointers.
struct DirectoryEntry {
    const char* signature;
    const void* entry;
};

// A table without its null end would be read to the end of memory; stop well before.
constexpr int kMaxEntries = 256;
constexpr std::size_t kPage = 4096;  // the smallest page of the processors kolmctl runs on

enum Request : std::uint8_t { kLoad = 'L', kCalls = 'C' };

std::string hex(std::uint64_t v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(v));
    return buf;
}

std::uint64_t address(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }

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

void putArg(WireWriter& w, const Arg& a) { w.put(static_cast<std::uint8_t>(a.type)).put(a.i).put(a.d); }

Arg getArg(WireReader& r) {
    Arg a{static_cast<Type>(r.get<std::uint8_t>())};
    a.i = r.get<std::int32_t>();
    a.d = r.get<double>();
    return a;
}

}  // namespace

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

Signature directorySignature() { return {Type::Pointer, "DLLFunctionDirectory", {}}; }
Signature peaDSignature() { return {Type::Pointer, "peaD", {Type::Int}}; }
Signature psadSignature() { return {Type::Pointer, "PSAD", {Type::Int, Type::Pointer}}; }

std::string loadRequest(const std::string& path) {
    return WireWriter().put(static_cast<std::uint8_t>(kLoad)).text(path).bytes();
}

std::string callsRequest(const std::vector<Call>& calls) {
    WireWriter w;
    w.put(static_cast<std::uint8_t>(kCalls)).put(static_cast<std::uint32_t>(calls.size()));
    for (const Call& c : calls) {
        w.put(static_cast<std::uint8_t>(c.target)).put(c.index).put(static_cast<std::uint8_t>(c.args.size()));
        for (const Arg& a : c.args) putArg(w, a);
    }
    return w.bytes();
}

bool readDirectory(const std::string& answer, SideDirectory& out) {
    WireReader r(answer);
    out.code = static_cast<Exit>(r.get<std::int32_t>());
    out.message = r.text();
    out.address = r.get<std::uint64_t>();
    out.walkProblem = r.text();
    const auto n = r.get<std::uint32_t>();
    for (std::uint32_t k = 0; k < n && k < kMaxEntries && r.ok(); ++k) {
        SideEntry e;
        e.text = r.text();
        e.textState = static_cast<TextState>(r.get<std::uint8_t>());
        e.entry = r.get<std::uint64_t>();
        e.exported = r.text();
        out.entries.push_back(std::move(e));
    }
    out.peaD = r.get<std::uint8_t>() != 0;
    out.psad = r.get<std::uint8_t>() != 0;
    return r.ok() && n <= kMaxEntries;
}

bool readAnswers(const std::string& answer, std::vector<Answer>& out) {
    WireReader r(answer);
    const auto n = r.get<std::uint32_t>();
    for (std::uint32_t k = 0; k < n && r.ok(); ++k) {
        Answer a;
        a.result.called = r.get<std::uint8_t>() != 0;
        a.result.value.i = r.get<std::int32_t>();
        a.result.value.d = r.get<double>();
        // An address on the plug-in's side: compared and shown, never followed here.
        // NOLINTNEXTLINE(performance-no-int-to-ptr)
        a.result.value.p = reinterpret_cast<const void*>(static_cast<std::uintptr_t>(r.get<std::uint64_t>()));
        a.result.abi.checked = r.get<std::uint8_t>() != 0;
        a.result.abi.brokenRegs = r.get<std::uint32_t>();
        a.result.abi.espError = r.get<std::int32_t>();
        a.result.abi.fpuDepth = r.get<std::uint32_t>();
        a.result.abi.expectedFpuDepth = r.get<std::uint32_t>();
        a.textState = static_cast<TextState>(r.get<std::uint8_t>());
        a.text = r.text();
        a.pointeeRead = r.get<std::uint8_t>() != 0;
        a.pointee = r.get<double>();
        a.at = r.get<double>();
        out.push_back(std::move(a));
    }
    return r.ok();
}

std::string PluginSide::handle(const std::string& request) {
    WireReader r(request);
    const auto kind = r.get<std::uint8_t>();
    if (kind == kLoad) return load(r.text());
    std::vector<Call> batch(r.get<std::uint32_t>());
    for (Call& c : batch) {
        c.target = static_cast<Target>(r.get<std::uint8_t>());
        c.index = r.get<std::int32_t>();
        c.args.resize(r.get<std::uint8_t>(), Arg{Type::Int});
        for (Arg& a : c.args) a = getArg(r);
    }
    return calls(batch);
}

std::string PluginSide::load(const std::string& path) {
    SideDirectory d;
    std::string error;
    *step_ = kStepStartUp;
    library_ = PluginLibrary::open(path, error);
    if (!library_) {
        d.code = kLoadFailed;
        d.message = "cannot load " + path + ": " + error;
    } else if ((directoryFn_ = library_->symbol("DLLFunctionDirectory")) == nullptr) {
        d.code = kNotAPlugin;
        d.message = path + " is not a plug-in: it exports no DLLFunctionDirectory";
    } else {
        walk(path, d);
        d.peaD = library_->symbol("peaD") != nullptr;
        d.psad = library_->symbol("PSAD") != nullptr;
    }
    WireWriter w;
    w.put(static_cast<std::int32_t>(d.code)).text(d.message).put(d.address).text(d.walkProblem);
    w.put(static_cast<std::uint32_t>(d.entries.size()));
    for (const SideEntry& s : d.entries)
        w.text(s.text).put(static_cast<std::uint8_t>(s.textState)).put(s.entry).text(s.exported);
    w.put(static_cast<std::uint8_t>(d.peaD ? 1 : 0)).put(static_cast<std::uint8_t>(d.psad ? 1 : 0));
    return w.bytes();
}

// Calls DLLFunctionDirectory and copies its table, entry by entry, to the null end.
void PluginSide::walk(const std::string& path, SideDirectory& d) {
    *step_ = kStepDirectory;
    const auto* table =
        static_cast<const DirectoryEntry*>(callEntry(directoryFn_, directorySignature(), {}).value.p);
    *step_ = kStepWalk;
    d.address = address(table);
    DirectoryEntry e{};
    if (table == nullptr) {
        d.code = kNotAPlugin;
        d.message = path + " is not a plug-in: DLLFunctionDirectory returned a null address";
        return;
    }
    if (!copyIfReadable(&e, table, sizeof e)) {
        d.code = kNotAPlugin;
        d.message = path + " is not a plug-in: DLLFunctionDirectory returned " + hex(d.address) +
                    ", where no table can be read";
        return;
    }
    for (int k = 0; k < kMaxEntries; ++k) {
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
        SideEntry s;
        s.textState = readText(e.signature, s.text);
        s.entry = address(e.entry);
        s.exported = library_->exportAt(e.entry);
        entries_.emplace_back(
            e.entry, s.textState == TextState::Whole ? parseSignature(s.text.c_str()) : std::nullopt);
        d.entries.push_back(std::move(s));
    }
    d.walkProblem = "no null entry within " + std::to_string(kMaxEntries) + " entries";
}

Answer PluginSide::callOne(const Call& c) {
    Answer a;
    const void* fn = nullptr;
    Signature sig;
    switch (c.target) {
    case Target::Listed: {
        const auto k = static_cast<std::size_t>(c.index);
        if (c.index < 0 || k >= entries_.size() || !entries_[k].second) return a;
        fn = entries_[k].first;
        sig = *entries_[k].second;
        break;
    }
    case Target::Directory: fn = directoryFn_, sig = directorySignature(); break;
    case Target::PeaD: fn = library_ ? library_->symbol("peaD") : nullptr, sig = peaDSignature(); break;
    case Target::Psad: fn = library_ ? library_->symbol("PSAD") : nullptr, sig = psadSignature(); break;
    }
    if (fn == nullptr || c.args.size() != sig.params.size()) return a;
    // Pointer arguments point at doubles that live here, beside the plug-in.
    double pointees[3] = {};
    std::vector<Arg> args = c.args;
    for (std::size_t k = 0; k < args.size() && k < 3; ++k) {
        args[k].type = sig.params[k];
        if (args[k].type == Type::Pointer) {
            pointees[k] = args[k].d;
            args[k].p = &pointees[k];
        }
    }
    a.result = callEntry(fn, sig, args);
    a.at = steadySeconds();
    if (sig.result == Type::Text) a.textState = readText(a.result.value.p, a.text);
    if (sig.result == Type::Pointer && a.result.value.p != nullptr && c.target != Target::Directory)
        a.pointeeRead = copyIfReadable(&a.pointee, a.result.value.p, sizeof a.pointee);
    return a;
}

std::string PluginSide::calls(const std::vector<Call>& batch) {
    WireWriter w;
    w.put(static_cast<std::uint32_t>(batch.size()));
    for (std::size_t k = 0; k < batch.size(); ++k) {
        *step_ = static_cast<std::int32_t>(k);
        const Answer a = callOne(batch[k]);
        const CallResult& r = a.result;
        w.put(static_cast<std::uint8_t>(r.called ? 1 : 0))
            .put(r.value.i)
            .put(r.value.d)
            .put(address(r.value.p));
        w.put(static_cast<std::uint8_t>(r.abi.checked ? 1 : 0))
            .put(r.abi.brokenRegs)
            .put(r.abi.espError)
            .put(r.abi.fpuDepth)
            .put(r.abi.expectedFpuDepth);
        w.put(static_cast<std::uint8_t>(a.textState)).text(a.text);
        w.put(static_cast<std::uint8_t>(a.pointeeRead ? 1 : 0)).put(a.pointee).put(a.at);
    }
    return w.bytes();
}

}  // namespace kolmctl
