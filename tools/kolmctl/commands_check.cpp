// check: conformance of a plug-in of this interface. The directory must be well
// formed, and every listed entry point must answer boundary and out-of-range
// arguments as the interface says, without crashing; on 32-bit builds every call
// must also keep the register convention (callee-saved registers, stack, x87).
// A probe that crashes or hangs the plug-in is a finding, and the plug-in is
// loaded afresh for the next one.
#include <climits>
#include <cstring>

#include "commands.h"
#include "cp1252.h"

namespace kolmctl {

namespace {

constexpr std::size_t kSlotChars = 100;                   // the directory's text slots hold 100 characters
constexpr std::size_t kNameChars = 20;                    // channel and relay name buffers
constexpr double kNoValueScaled = -777.0 * 5.0 / 1024.0;  // EAD(2), EAD(3)

const std::int32_t kOutOfRange[] = {-1, 4, INT_MIN, INT_MAX};

// The 17 entry points the interface lists.
const char* const kInterface[] = {"EA",  "NEA", "EAD", "NEAD",  "SA",     "NSA", "SAD",  "NSAD", "EB",
                                  "NEB", "SB",  "NSB", "titre", "Detail", "RSA", "RSAD", "RSB"};

enum class Expect {
    NoValue,        // int -777
    NoValueDouble,  // -777.0
    Zero,           // 0.0
    ScaledNoValue,  // -3.7939453125
    Count,          // 0 to 1023, or -777 without port access
    Volts,          // 0 to 5 V, or -777.0 without port access
    Bit,            // 0 or 1
    EmptyText,
    Name,      // non-empty, at most 20 characters
    Text,      // non-empty
    Anything,  // answering is enough
};

struct Case {
    std::vector<Arg> args;
    Expect expect;
};

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

std::string abiProblems(const AbiReport& abi) {
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

// Whether `a`, the answer of an entry point with this `result` type, is what `e`
// asks for; `why` says what was expected.
bool meets(Expect e, Type result, const Answer& a, std::string& why) {
    const Value& v = a.result.value;
    const bool text = result == Type::Text && a.textState == TextState::Whole;
    const std::size_t textLength = a.text.size();
    switch (e) {
    case Expect::NoValue: why = "-777 (no value)"; return result == Type::Int && v.i == kNoValue;
    case Expect::NoValueDouble: why = "-777.0"; return result == Type::Double && v.d == kNoValueDouble;
    case Expect::Zero: why = "0.0"; return result == Type::Double && v.d == 0.0;
    case Expect::ScaledNoValue: why = "-3.7939453125"; return result == Type::Double && v.d == kNoValueScaled;
    case Expect::Count:
        why = "a count from 0 to 1023, or -777";
        return result == Type::Int && ((v.i >= 0 && v.i <= 1023) || v.i == kNoValue);
    case Expect::Volts:
        why = "volts from 0 to 5, or -777.0";
        return result == Type::Double && ((v.d >= 0.0 && v.d < 5.0) || v.d == kNoValueDouble);
    case Expect::Bit: why = "0 or 1"; return result == Type::Int && (v.i == 0 || v.i == 1);
    case Expect::EmptyText: why = "an empty text"; return text && textLength == 0;
    case Expect::Name:
        why = "a name of 1 to 20 characters";
        return text && textLength >= 1 && textLength <= kNameChars;
    case Expect::Text: why = "a text"; return text && textLength >= 1;
    case Expect::Anything: why = "an answer"; return true;
    }
    return false;
}

std::vector<Case> channelCases(std::initializer_list<std::int32_t> inRange, Expect inExpect, Expect outExpect,
                               std::vector<Arg> extra = {}) {
    std::vector<Case> cases;
    auto with = [&](std::int32_t ch) {
        std::vector<Arg> a{intArg(ch)};
        a.insert(a.end(), extra.begin(), extra.end());
        return a;
    };
    for (std::int32_t ch : inRange) cases.push_back({with(ch), inExpect});
    for (std::int32_t ch : kOutOfRange) cases.push_back({with(ch), outExpect});
    return cases;
}

// What the interface says each listed entry point answers.
std::vector<Case> casesFor(const Signature& sig) {
    const std::string& n = sig.name;
    auto is = [&](const char* name) { return sameWordIgnoringCase(n, name); };
    if (is("EA")) {
        auto c = channelCases({0, 1}, Expect::Count, Expect::NoValue);
        // Channel 2 restores the port for a printer, 3 initialises it again: in that order.
        c.push_back({{intArg(2)}, Expect::NoValue});
        c.push_back({{intArg(3)}, Expect::NoValue});
        return c;
    }
    if (is("EAD")) {
        auto c = channelCases({0, 1}, Expect::Volts, Expect::NoValueDouble);
        c.push_back({{intArg(2)}, Expect::ScaledNoValue});
        c.push_back({{intArg(3)}, Expect::ScaledNoValue});
        return c;
    }
    if (is("NEA") || is("NEAD")) return channelCases({0, 1, 2, 3}, Expect::Name, Expect::EmptyText);
    if (is("NSB")) return channelCases({0, 3}, Expect::Name, Expect::EmptyText);
    if (is("RSB")) return channelCases({0, 3}, Expect::Bit, Expect::NoValue);
    if (is("SB")) return channelCases({}, Expect::Anything, Expect::NoValue, {intArg(1)});
    if (is("SA")) return channelCases({0}, Expect::NoValue, Expect::NoValue, {intArg(100)});
    if (is("SAD")) return channelCases({0}, Expect::Zero, Expect::Zero, {doubleArg(3.3)});
    if (is("NSA") || is("NSAD") || is("NEB")) return channelCases({0}, Expect::EmptyText, Expect::EmptyText);
    if (is("RSA") || is("EB")) return channelCases({0}, Expect::NoValue, Expect::NoValue);
    if (is("RSAD")) return channelCases({0}, Expect::NoValueDouble, Expect::NoValueDouble);
    if (is("titre") || is("Detail")) return {{{}, Expect::Text}};
    // Not of this interface: it only has to answer.
    std::vector<Case> cases;
    for (std::int32_t v : {0, -1, INT_MAX}) {
        std::vector<Arg> a;
        for (Type t : sig.params) a.push_back(t == Type::Double ? doubleArg(v) : intArg(v));
        cases.push_back({a, Expect::Anything});
    }
    return cases;
}

// A finding, worded in full: "EA(4) crashed (Illegal instruction)".
struct Outcome {
    bool ok = true;
    std::string text;
};

Outcome probe(const Plugin& p, const Listed& l, const Case& c) {
    const Call call = Plugin::callOf(l, c.args);
    const Plugin::Attempt at = p.attempt({call});
    if (!at.failure.empty()) return {false, at.failure};
    const Answer& a = at.answers[0];
    if (!a.result.called)
        return {false, p.describe(call) + " cannot be called by kolmctl (more than 3 parameters)"};
    std::string why;
    std::string problems = abiProblems(a.result.abi);
    if (!meets(c.expect, l.sig->result, a, why))
        problems = "answered " + show(l.sig->result, a) + ", expected " + why +
                   (problems.empty() ? "" : "; ") + problems;
    if (!problems.empty()) return {false, p.describe(call) + " " + problems};
    const Value& v = a.result.value;
    return {true, (c.expect == Expect::Count || c.expect == Expect::Volts) &&
                          (v.i == kNoValue || v.d == kNoValueDouble)
                      ? "no port access"
                      : ""};
}

// A relay switched to the state it already has: checks the answer without moving it.
Outcome relayEcho(const Plugin& p, const Listed& sb, const Listed& rsb, std::int32_t k) {
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
    if (r.value.i == kNoValue) return {true, "no port access"};
    if (r.value.i != k * 100 + was)
        return {false, name + " answered " + std::to_string(r.value.i) + ", expected " +
                           std::to_string(k * 100 + was)};
    return {true, ""};
}

void checkDirectory(const Plugin& p, Report& rep) {
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
    for (const char* name : kInterface) {
        if (p.find(name) != nullptr) continue;
        if (!missing.empty()) missing += ", ";
        missing += name;
    }
    if (missing.empty()) rep.pass("all 17 entry points of the interface are listed");
    else rep.fail("not listed: " + missing);
}

// SB writes back, for relays 0 and 3, the state RSB reports: the relays stay as they were.
int checkRelayEcho(const Plugin& p, const Listed& sb, Report& rep, bool& noPort) {
    const Listed* rsb = p.find("RSB");
    if (rsb == nullptr) return 0;
    int failures = 0;
    for (std::int32_t k : {0, 3}) {
        const Outcome o = relayEcho(p, sb, *rsb, k);
        if (!o.ok) {
            ++failures;
            rep.fail(o.text);
        }
        noPort = noPort || o.text == "no port access";
    }
    return failures;
}

void checkEntryPoints(const Plugin& p, Report& rep) {
    for (const Listed& l : p.listed()) {
        if (!l.sig) continue;
        const std::vector<Case> cases = casesFor(*l.sig);
        int failures = 0;
        bool noPort = false;
        for (const Case& c : cases) {
            const Outcome o = probe(p, l, c);
            if (!o.ok) {
                ++failures;
                rep.fail(o.text);
            }
            noPort = noPort || o.text == "no port access";
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

void checkPeaD(const Plugin& p, Report& rep) {
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

void checkPsad(const Plugin& p, Report& rep) {
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

int cmdCheck(const Plugin& p, const Args& args, Context& cx) {
    if (!args.empty()) throw CommandError{kUsage, "unexpected argument \"" + args.front() + "\""};
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
