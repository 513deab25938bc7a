// check: conformance of a plug-in of this interface. The directory must be well
// formed, and every listed entry point must answer boundary and out-of-range
// arguments as the interface says, without crashing; on 32-bit builds every call
// must also keep the register convention (callee-saved registers, stack, x87).
// A probe that crashes or hangs the plug-in is a finding, and the plug-in is
// loaded afresh for the next one.
#include <iterator>

#include "advice.h"
#include "call.h"
#include "capture_text.h"
#include "check_contract.h"
#include "commands.h"
#include "plugin_ports.h"

namespace kolmctl {

namespace {

using contract::Case;
using contract::Expect;
using contract::kSlotChars;

struct Report {
    int ok = 0;
    int failed = 0;
    std::ostream& out;
    bool noPort = false;  // a reading or a switch answered "no value": the box was not reached
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
    case Type::Pointer: return v.address != 0 ? "an address" : "null";
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
    bool hung = false;    // the call gave no answer in time
};

Outcome probe(Plugin& p, const Listed& l, const Case& c) {
    const Call call = Plugin::callOf(l, c.args);
    const Plugin::Attempt at = p.attempt({call});
    if (!at.failure.empty()) return {false, at.failure, false, at.hung};
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

// Relays 0 and 3 switched to the state their lines hold, once the plug-in has been
// told of the relays that are on: SB's and RSB's answers checked, no relay moved.
Outcome relayEcho(Plugin& p, const Listed& sb, const Listed& rsb, std::uint8_t lines) {
    const auto on = [lines](std::int32_t k) { return static_cast<std::int32_t>((lines >> k) & 1); };
    std::vector<Call> calls;
    for (std::int32_t j = 0; j < 4; ++j)
        if (on(j) != 0) calls.push_back(Plugin::callOf(sb, {intArg(j), intArg(1)}));
    const std::size_t echoes = calls.size();
    for (std::int32_t k : {0, 3}) {
        calls.push_back(Plugin::callOf(sb, {intArg(k), intArg(on(k))}));
        calls.push_back(Plugin::callOf(rsb, {intArg(k)}));
    }
    const Plugin::Attempt at = p.attempt(calls);
    if (!at.failure.empty()) return {false, at.failure, false, at.hung};
    for (std::size_t n = 0; n < calls.size(); ++n) {
        const std::string abi = abiProblems(at.answers[n].result.abi);
        if (!abi.empty()) return {false, p.describe(calls[n]) + " " + abi};
        if (n < echoes || (n - echoes) % 2 != 0) continue;
        if (at.answers[n].result.value.i == kNoValue) return {true, "", true};
    }
    for (std::size_t n = echoes; n < calls.size(); ++n) {
        const std::int32_t k = calls[n].args[0].i;
        const bool isSb = (n - echoes) % 2 == 0;
        const std::int32_t want = isSb ? switchEcho(k, on(k)) : on(k);
        const std::int32_t got = at.answers[n].result.value.i;
        if (got != want)
            return {false, p.describe(calls[n]) + " answered " + std::to_string(got) + ", expected " +
                               std::to_string(want)};
    }
    return {true, ""};
}

void checkDirectory(Plugin& p, Report& rep) {
    const Plugin::Attempt again = p.attempt({Call{Target::Directory, 0, {}}});
    if (!again.failure.empty()) rep.fail(again.failure);
    else if (again.answers[0].result.value.address == p.directoryAddress())
        rep.pass("DLLFunctionDirectory answers the same table on every call");
    else rep.fail("DLLFunctionDirectory answers a different table on a second call");
    if (p.directoryEnded())
        rep.pass("the directory ends with the null entry after " +
                 counted(static_cast<long>(p.listed().size()), "entry"));
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

// SB in range, only where kolmctl knows the relay lines: otherwise the plug-in, told of
// no relay as on, would set every relay that is on off. The number of calls made.
int checkRelayEcho(Plugin& p, const Listed& sb, Report& rep, Context& cx, int& failures) {
    const Listed* rsb = p.find("RSB");
    if (rsb == nullptr) return 0;
    if (!cx.box.relays()) {
        rep.note(
            "SB of relays 0 to 3 not tried: kolmctl cannot read the relay lines here, and a switch would "
            "set every relay the plug-in was not told of off");
        return 0;
    }
    const std::uint8_t lines = *cx.box.relays();
    const Outcome o = relayEcho(p, sb, *rsb, lines);
    if (!o.ok) {
        ++failures;
        rep.fail(o.text);
    }
    rep.noPort = rep.noPort || o.noPort;
    if (o.ok && !o.noPort) cx.box.pluginTold();
    int on = 0;
    for (int k = 0; k < 4; ++k) on += (lines >> k) & 1;
    return on + 4;
}

void checkEntryPoints(Plugin& p, Report& rep, Context& cx) {
    for (const Listed& l : p.listed()) {
        if (!l.sig) continue;
        const std::vector<Case> cases = contract::casesFor(*l.sig);
        int failures = 0;
        bool noPort = false;
        int calls = 0;
        for (const Case& c : cases) {
            const Outcome o = probe(p, l, c);
            ++calls;
            if (!o.ok) {
                ++failures;
                rep.fail(o.text);
            }
            noPort = noPort || o.noPort;
            // Each probe of a plug-in that hangs costs the whole time limit: one is enough.
            if (o.hung) {
                rep.note(describe(*l.sig) + ": not probed further, it gave no answer once");
                break;
            }
        }
        rep.noPort = rep.noPort || noPort;
        if (sameWordIgnoringCase(l.sig->name, "SB")) calls += checkRelayEcho(p, l, rep, cx, failures);
        if (failures == 0)
            rep.pass(describe(*l.sig) + ": " + counted(calls, "call") + " answered as expected" +
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
    if (a.result.value.address == 0 || a.result.value.address != b.result.value.address)
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

void cmdCheck(Plugin& p, const Args& args, Context& cx) {
    noArgs(args);
    Report rep{0, 0, cx.out};
    cx.out << "checking " << p.path() << " (" << describe(p.kind()) << ")\n";
    checkDirectory(p, rep);
    checkEntryPoints(p, rep, cx);
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
    // The findings and the counts tell why check fails.
    if (!rep.noPort) {
        if (rep.failed != 0) throw Error{kCheckFailed, {}};
        return;
    }
    // The contract holds without the port too; a box that was never reached is not "all ok".
    cx.out << "check: the box was not reached: " << p.path()
           << " answered \"no value\" (-777) to the readings; it has no access to the parallel port.\n"
           << accessAdvice(p) << "\n";
    throw Error{rep.failed == 0 ? kNoPortAccess : kCheckFailed, {}};
}

}  // namespace kolmctl
