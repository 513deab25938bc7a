// check: conformance of a plug-in of this interface. The directory must be well
// formed, and every listed entry point must answer boundary and out-of-range
// arguments as the interface says, without crashing; on 32-bit builds every call
// must also keep the register convention (callee-saved registers, stack, x87).
// A probe that crashes or hangs the plug-in is a finding, and the plug-in is
// loaded afresh for the next one.
#include <iterator>

#include "call.h"
#include "check_contract.h"
#include "commands.h"

namespace kolmctl {

namespace {

using contract::Case;
using contract::Expect;
using contract::kSlotChars;

struct Report {
    int ok = 0;
    int failed = 0;
    std::ostream& out;
    void pass(const std::string& s) {
        ++ok;
        out << "ok    " << s << "\n";
    }
    void fail(const std::string& s) {
        ++failed;
        out << "FAIL  " << s << "\n";
    }
    void note(const std::string& s) { out << "note  " << s << "\n"; }
};

std::string show(Type t, const Answer& a) {
    const Value& v = a.result.value;
    switch (t) {
    case Type::Int: return std::to_string(v.i);
    case Type::Double: {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.10g", v.d);
        return buf;
    }
    case Type::Text:
        return a.textState == TextState::Null ? "null" : "\"" + textShown(a.textState, a.text) + "\"";
    case Type::Pointer: return v.p ? "an address" : "null";
    }
    return "?";
}

std::string abiProblems(const ConventionReport& abi) {
    if (abi.kept()) return {};
    std::string s;
    const char* regs[] = {"EBX", "ESI", "EDI", "EBP"};
    for (int k = 0; k < 4; ++k)
        if (abi.brokenRegs & (1u << k)) s += std::string(s.empty() ? "" : ", ") + regs[k] + " not preserved";
    if (abi.espError != 0)
        s += std::string(s.empty() ? "" : ", ") + "stack off by " + std::to_string(abi.espError) + " bytes";
    if (abi.fpuDepth != abi.expectedFpuDepth)
        s += std::string(s.empty() ? "" : ", ") + "x87 stack depth " + std::to_string(abi.fpuDepth) +
             ", expected " + std::to_string(abi.expectedFpuDepth);
    return s;
}

// A finding, worded in full: "EA(4) crashed (Illegal instruction)".
struct Outcome {
    bool ok = true;
    std::string text;
    bool noPort = false;  // answered as the plug-in answers without port access
};

Outcome probe(Plugin& p, const Listed& l, const Case& c) {
    const Call call = Plugin::callOf(l, c.args);
    const Plugin::Attempt at = p.attempt({call});
    if (!at.failure.empty()) return {false, at.failure};
    const Answer& a = at.answers[0];
    if (!a.result.called)
        return {false, p.describe(call) + " cannot be called by kolmctl (more than 3 parameters)"};
    std::string why;
    std::string problems = abiProblems(a.result.abi);
    if (!contract::meets(c.expect, l.sig->result, a, why))
        problems = "answered " + show(l.sig->result, a) + ", expected " + why +
                   (problems.empty() ? "" : "; ") + problems;
    if (!problems.empty()) return {false, p.describe(call) + " " + problems};
    const Value& v = a.result.value;
    const bool reading = c.expect == Expect::Count || c.expect == Expect::Volts;
    return {true, "", reading && (v.i == kNoValue || v.d == kNoValueDouble)};
}

// A relay switched to the state it already has: checks the answer without moving it.
Outcome relayEcho(Plugin& p, const Listed& sb, const Listed& rsb, std::int32_t k) {
    const std::string name = "SB(" + std::to_string(k) + ",RSB(" + std::to_string(k) + "))";
    const Plugin::Attempt state = p.attempt({Plugin::callOf(rsb, {intArg(k)})});
    if (!state.failure.empty()) return {false, state.failure};
    const std::int32_t was = state.answers[0].result.value.i;
    const Plugin::Attempt set = p.attempt({Plugin::callOf(sb, {intArg(k), intArg(was)})});
    if (!set.failure.empty()) return {false, set.failure};
    const CallResult& r = set.answers[0].result;
    const std::string abi =
        abiProblems(state.answers[0].result.abi.kept() ? r.abi : state.answers[0].result.abi);
    if (!abi.empty()) return {false, name + " " + abi};
    if (r.value.i == kNoValue) return {true, "", true};
    if (r.value.i != k * 100 + was)
        return {false, name + " answered " + std::to_string(r.value.i) + ", expected " +
                           std::to_string(k * 100 + was)};
    return {true, ""};
}

void checkDirectory(Plugin& p, Report& rep) {
    const Plugin::Attempt again = p.attempt({Call{Target::Directory, 0, {}}});
    if (!again.failure.empty()) rep.fail(again.failure);
    else if (reinterpret_cast<std::uintptr_t>(again.answers[0].result.value.p) == p.directoryAddress())
        rep.pass("DLLFunctionDirectory answers the same table on every call");
    else rep.fail("DLLFunctionDirectory answers a different table on a second call");
    if (p.directoryEnded())
        rep.pass("the directory ends with the null entry after " + std::to_string(p.listed().size()) +
                 " entries");
    else rep.fail("the directory is not well formed: " + p.walkProblem());
    for (const Listed& l : p.listed()) {
        const std::string label =
            "entry " + std::to_string(l.number) + " \"" + textShown(l.textState, l.text) + "\"";
        if (!l.sig) rep.fail(label + ": unreadable text: " + l.parseError);
        if (l.text.size() > kSlotChars)
            rep.fail(label + ": longer than " + std::to_string(kSlotChars) + " characters");
        std::string finding = label;
        if (l.exported.empty()) {
            rep.fail(finding.append(": its address is not an exported entry point"));
        } else if (l.sig && !sameWordIgnoringCase(l.exported, l.sig->name.c_str())) {
            rep.fail(finding.append(": its address is the export ")
                         .append(l.exported)
                         .append(", not ")
                         .append(l.sig->name));
        } else if (l.sig && l.text.size() <= kSlotChars) {
            rep.pass(finding.append(" -> export ").append(l.exported));
        }
    }
    std::string missing;
    for (const char* name : contract::kListed) {
        if (p.find(name) != nullptr) continue;
        if (!missing.empty()) missing += ", ";
        missing += name;
    }
    if (missing.empty())
        rep.pass("all " + std::to_string(std::size(contract::kListed)) +
                 " entry points of the interface are listed");
    else rep.fail("not listed: " + missing);
}

// SB writes back, for relays 0 and 3, the state RSB reports: the relays stay as they were.
int checkRelayEcho(Plugin& p, const Listed& sb, Report& rep, bool& noPort) {
    const Listed* rsb = p.find("RSB");
    if (rsb == nullptr) return 0;
    int failures = 0;
    for (std::int32_t k : {0, 3}) {
        const Outcome o = relayEcho(p, sb, *rsb, k);
        if (!o.ok) {
            ++failures;
            rep.fail(o.text);
        }
        noPort = noPort || o.noPort;
    }
    return failures;
}

void checkEntryPoints(Plugin& p, Report& rep) {
    for (const Listed& l : p.listed()) {
        if (!l.sig) continue;
        const std::vector<Case> cases = contract::casesFor(*l.sig);
        int failures = 0;
        bool noPort = false;
        for (const Case& c : cases) {
            const Outcome o = probe(p, l, c);
            if (!o.ok) {
                ++failures;
                rep.fail(o.text);
            }
            noPort = noPort || o.noPort;
        }
        int calls = static_cast<int>(cases.size());
        if (sameWordIgnoringCase(l.sig->name, "SB")) {
            calls += p.find("RSB") != nullptr ? 2 : 0;
            failures += checkRelayEcho(p, l, rep, noPort);
        }
        if (failures == 0)
            rep.pass(describe(*l.sig) + ": " + std::to_string(calls) + " calls answered as expected" +
                     (noPort ? " (no port access: readings answered -777)" : ""));
    }
}

void checkPeaD(Plugin& p, Report& rep) {
    if (!p.exportsPeaD()) {
        rep.fail("peaD is not exported");
        return;
    }
    const Plugin::Attempt at =
        p.attempt({Call{Target::PeaD, 0, {intArg(4)}}, Call{Target::PeaD, 0, {intArg(-1)}}});
    if (!at.failure.empty()) return rep.fail(at.failure);
    const Answer& a = at.answers[0];
    const Answer& b = at.answers[1];
    if (a.result.value.p == nullptr || a.result.value.p != b.result.value.p)
        rep.fail("peaD answers a different address on each call");
    else if (!b.pointeeRead) rep.fail("peaD(-1) answers an address that cannot be read");
    else if (b.pointee != kNoValueDouble)
        rep.fail("peaD(-1) points at " + std::to_string(b.pointee) + ", expected -777.0");
    else rep.pass("peaD (exported, not listed): one address, -777.0 out of range");
}

void checkPsad(Plugin& p, Report& rep) {
    if (!p.exportsPsad()) {
        rep.fail("PSAD is not exported");
        return;
    }
    const Plugin::Attempt at = p.attempt({Call{Target::Psad, 0, {intArg(1), pointerTo(2.5)}}});
    if (!at.failure.empty()) return rep.fail(at.failure);
    if (!at.answers[0].pointeeRead || at.answers[0].pointee != 0.0)
        rep.fail("PSAD(1,&2.5) does not point at 0.0");
    else rep.pass("PSAD (exported, not listed): points at 0.0");
}

}  // namespace

int cmdCheck(Plugin& p, const Args& args, Context& cx) {
    noArgs(args);
    Report rep{0, 0, cx.out};
    cx.out << "checking " << p.path() << " (" << describe(p.kind()) << ")\n";
    checkDirectory(p, rep);
    checkEntryPoints(p, rep);
    checkPeaD(p, rep);
    checkPsad(p, rep);
    if (callsAreChecked())
        rep.note(
            "every call went through the register convention, checked for EBX, ESI, EDI, EBP, the stack and "
            "the x87 stack");
    else
        rep.note(
            "calls use the x86-64 C ABI here; register preservation is checked by the 32-bit builds of "
            "kolmctl");
    cx.out << "check: " << rep.ok << " ok, " << rep.failed << " failed\n";
    return rep.failed == 0 ? kOk : kCheckFailed;
}

}  // namespace kolmctl
