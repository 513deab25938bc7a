// A directory text such as "PURE PASCAL double SAD(int,double)": the calling
// convention, the result type, the name and the parameter types of an entry point.
// Type words are matched without regard to case ("INT" and "int" are the same).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kolmctl {

enum class Type { Int, Double, Text, Pointer };  // Text: "asciiz", NUL-terminated

struct Signature {
    Type result = Type::Int;
    std::string name;  // as the directory spells it, e.g. "NEA"
    std::vector<Type> params;
};

// nullopt, with the reason in `why`, when the text is not of that form.
std::optional<Signature> parseSignature(const char* text, std::string* why = nullptr);

const char* typeName(Type type);
bool sameWordIgnoringCase(const std::string& a, const char* b);
// "double SAD(int,double)"
std::string describe(const Signature& sig);

}  // namespace kolmctl
