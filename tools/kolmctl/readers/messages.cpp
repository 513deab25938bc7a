#include "messages.h"

#include "wire.h"

namespace kolmctl {

namespace {

constexpr std::uint8_t kMaxArgs = 8;

// A code of one of kolmctl's enums, or a garbled message.
template <typename E>
E getCode(WireReader& r, E last) {
    const auto code = r.get<std::uint8_t>();
    if (code > static_cast<std::uint8_t>(last)) r.fail();
    return static_cast<E>(code);
}

template <typename E>
void putCode(WireWriter& w, E code) {
    w.put(static_cast<std::uint8_t>(code));
}

void putFlag(WireWriter& w, bool flag) { w.put(static_cast<std::uint8_t>(flag ? 1 : 0)); }
bool getFlag(WireReader& r) { return r.get<std::uint8_t>() != 0; }

void putLines(WireWriter& w, std::optional<std::uint8_t> lines) {
    putFlag(w, lines.has_value());
    w.put(lines.value_or(0));
}
std::optional<std::uint8_t> getLines(WireReader& r) {
    const bool there = getFlag(r);
    const auto lines = r.get<std::uint8_t>();
    return there ? std::optional(lines) : std::nullopt;
}

void putArg(WireWriter& w, const Arg& a) {
    putCode(w, a.type);
    w.put(a.i).put(a.d);
}

Arg getArg(WireReader& r) {
    Arg a{getCode(r, Type::Pointer)};
    a.i = r.get<std::int32_t>();
    a.d = r.get<double>();
    return a;
}

void putAnswer(WireWriter& w, const Answer& a) {
    const CallResult& r = a.result;
    putFlag(w, r.called);
    w.put(r.value.i).put(r.value.d).put(
        static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(r.value.p)));
    putFlag(w, r.abi.checked);
    w.put(r.abi.brokenRegs).put(r.abi.espError).put(r.abi.fpuDepth).put(r.abi.expectedFpuDepth);
    putCode(w, a.textState);
    w.text(a.text);
    putFlag(w, a.pointeeRead);
    w.put(a.pointee).put(a.at);
}

Answer getAnswer(WireReader& r) {
    Answer a;
    a.result.called = getFlag(r);
    a.result.value.i = r.get<std::int32_t>();
    a.result.value.d = r.get<double>();
    // An address on the plug-in's side: compared and shown, never followed here.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    a.result.value.p = reinterpret_cast<const void*>(static_cast<std::uintptr_t>(r.get<std::uint64_t>()));
    a.result.abi.checked = getFlag(r);
    a.result.abi.brokenRegs = r.get<std::uint32_t>();
    a.result.abi.espError = r.get<std::int32_t>();
    a.result.abi.fpuDepth = r.get<std::uint32_t>();
    a.result.abi.expectedFpuDepth = r.get<std::uint32_t>();
    a.textState = getCode(r, TextState::Unreadable);
    a.text = r.text();
    a.pointeeRead = getFlag(r);
    a.pointee = r.get<double>();
    a.at = r.get<double>();
    return a;
}

}  // namespace

std::string loadRequest(const std::string& path) {
    WireWriter w;
    putCode(w, Request::Load);
    return w.text(path).bytes();
}

std::string callsRequest(const std::vector<Call>& calls) {
    WireWriter w;
    putCode(w, Request::Calls);
    w.put(static_cast<std::uint32_t>(calls.size()));
    for (const Call& c : calls) {
        putCode(w, c.target);
        w.put(c.index).put(static_cast<std::uint8_t>(c.args.size()));
        for (const Arg& a : c.args) putArg(w, a);
    }
    return w.bytes();
}

bool readRequest(const std::string& bytes, Request& out) {
    WireReader r(bytes);
    out.kind = static_cast<Request::Kind>(r.get<std::uint8_t>());
    if (out.kind == Request::Load) {
        out.path = r.text();
        return r.ok();
    }
    if (out.kind != Request::Calls) return false;
    const auto n = r.get<std::uint32_t>();
    out.calls.clear();
    for (std::uint32_t k = 0; k < n && r.ok(); ++k) {
        Call c;
        c.target = getCode(r, Target::Psad);
        c.index = r.get<std::int32_t>();
        const auto args = r.get<std::uint8_t>();
        if (args > kMaxArgs) return false;
        for (std::uint8_t a = 0; a < args; ++a) c.args.push_back(getArg(r));
        out.calls.push_back(std::move(c));
    }
    return r.ok();
}

std::string loadAnswer(const LoadAnswer& a) {
    WireWriter w;
    putCode(w, a.outcome);
    w.text(a.detail).put(a.address).text(a.walkProblem).put(static_cast<std::uint32_t>(a.entries.size()));
    for (const DirectoryEntryRead& e : a.entries) {
        w.text(e.text);
        putCode(w, e.textState);
        w.put(e.entry).text(e.exported);
    }
    putFlag(w, a.peaD);
    putFlag(w, a.psad);
    w.text(a.portHandle);
    putFlag(w, a.simulated);
    putLines(w, a.boxLines);
    return w.bytes();
}

bool readLoadAnswer(const std::string& bytes, LoadAnswer& out) {
    WireReader r(bytes);
    out.outcome = getCode(r, LoadOutcome::UnreadableDirectory);
    out.detail = r.text();
    out.address = r.get<std::uint64_t>();
    out.walkProblem = r.text();
    const auto n = r.get<std::uint32_t>();
    if (n > kMaxEntries) return false;
    out.entries.clear();
    for (std::uint32_t k = 0; k < n && r.ok(); ++k) {
        DirectoryEntryRead e;
        e.text = r.text();
        e.textState = getCode(r, TextState::Unreadable);
        e.entry = r.get<std::uint64_t>();
        e.exported = r.text();
        out.entries.push_back(std::move(e));
    }
    out.peaD = getFlag(r);
    out.psad = getFlag(r);
    out.portHandle = r.text();
    out.simulated = getFlag(r);
    out.boxLines = getLines(r);
    return r.ok();
}

std::string callsAnswer(const std::vector<Answer>& answers, std::optional<std::uint8_t> boxLines) {
    WireWriter w;
    w.put(static_cast<std::uint32_t>(answers.size()));
    for (const Answer& a : answers) putAnswer(w, a);
    putLines(w, boxLines);
    return w.bytes();
}

bool readCallsAnswer(const std::string& bytes, std::vector<Answer>& out,
                     std::optional<std::uint8_t>* boxLines) {
    WireReader r(bytes);
    const auto n = r.get<std::uint32_t>();
    out.clear();
    for (std::uint32_t k = 0; k < n && r.ok(); ++k) out.push_back(getAnswer(r));
    const auto lines = getLines(r);
    if (boxLines != nullptr) *boxLines = lines;
    return r.ok();
}

}  // namespace kolmctl
