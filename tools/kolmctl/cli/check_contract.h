// What the interface says a plug-in answers: the entry points it lists, and for each
// one the calls `check` makes with what each must answer. Probing and reporting are
// in cmd_check.cpp.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "messages.h"
#include "signature.h"

namespace kolmctl::contract {

constexpr std::size_t kSlotChars = 100;  // the directory's text slots hold 100 characters
constexpr std::size_t kNameChars = 20;   // channel and relay name buffers

// The entry points the interface lists.
inline constexpr const char* kListed[] = {"EA",  "NEA", "EAD", "NEAD",  "SA",     "NSA", "SAD",  "NSAD", "EB",
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

// Whether `a`, the answer of an entry point with this `result` type, is what `e`
// asks for; `why` says what was expected.
bool meets(Expect e, Type result, const Answer& a, std::string& why);

// The calls made to a listed entry point and what each must answer; an entry
// point not of this interface only has to answer.
std::vector<Case> casesFor(const Signature& sig);

}  // namespace kolmctl::contract
