#include "check_contract.h"

#include <climits>

#include "cp1252.h"
#include "interface_facts.h"

namespace kolmctl::contract {

namespace {

constexpr double kNoValueScaled =
    kNoValueDouble * kolm::facts::kScaleVolts / kolm::facts::kScaleCounts;  // EAD(2), EAD(3)
const std::int32_t kOutOfRange[] = {-1, 4, INT_MIN, INT_MAX};

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

}  // namespace

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
        return result == Type::Int && ((v.i >= 0 && v.i <= kolm::facts::kFullCount) || v.i == kNoValue);
    case Expect::Volts:
        why = "volts from 0 to 5, or -777.0";
        return result == Type::Double &&
               ((v.d >= 0.0 && v.d < kolm::facts::kScaleVolts) || v.d == kNoValueDouble);
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

}  // namespace kolmctl::contract
