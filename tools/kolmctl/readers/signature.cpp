#include "signature.h"

#include <cctype>
#include <cstring>

namespace kolmctl {

namespace {

constexpr char kConvention[] = "PURE PASCAL ";

bool sameWord(const std::string& a, const char* b) { return sameWordIgnoringCase(a, b); }

std::optional<Type> resultType(const std::string& word) {
    if (sameWord(word, "int")) return Type::Int;
    if (sameWord(word, "double")) return Type::Double;
    if (sameWord(word, "asciiz")) return Type::Text;
    return std::nullopt;
}

std::optional<Type> paramType(const std::string& word) {
    if (sameWord(word, "int")) return Type::Int;
    if (sameWord(word, "double")) return Type::Double;
    return std::nullopt;
}

bool isNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

std::optional<Signature> fail(std::string* why, const std::string& reason) {
    if (why) *why = reason;
    return std::nullopt;
}

}  // namespace

std::optional<Signature> parseSignature(const char* text, std::string* why) {
    if (text == nullptr) return fail(why, "no text");
    const std::string s(text);
    if (s.compare(0, sizeof kConvention - 1, kConvention) != 0)
        return fail(why, "does not start with \"PURE PASCAL \"");
    std::size_t pos = sizeof kConvention - 1;
    const std::size_t space = s.find(' ', pos);
    if (space == std::string::npos) return fail(why, "no result type");
    Signature sig;
    const auto result = resultType(s.substr(pos, space - pos));
    if (!result) return fail(why, "unknown result type \"" + s.substr(pos, space - pos) + "\"");
    sig.result = *result;
    pos = space + 1;
    const std::size_t open = s.find('(', pos);
    if (open == std::string::npos) return fail(why, "no parameter list");
    sig.name = s.substr(pos, open - pos);
    if (sig.name.empty()) return fail(why, "no name");
    for (char c : sig.name)
        if (!isNameChar(c)) return fail(why, "bad character in the name \"" + sig.name + "\"");
    const std::size_t close = s.find(')', open);
    if (close == std::string::npos || close + 1 != s.size())
        return fail(why, "the parameter list does not end the text");
    const std::string list = s.substr(open + 1, close - open - 1);
    if (!list.empty()) {
        std::size_t from = 0;
        while (true) {
            const std::size_t comma = list.find(',', from);
            const std::string word =
                list.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
            const auto type = paramType(word);
            if (!type) return fail(why, "unknown parameter type \"" + word + "\"");
            sig.params.push_back(*type);
            if (comma == std::string::npos) break;
            from = comma + 1;
        }
    }
    return sig;
}

bool sameWordIgnoringCase(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

const char* typeName(Type type) {
    switch (type) {
    case Type::Int: return "int";
    case Type::Double: return "double";
    case Type::Text: return "asciiz";
    case Type::Pointer: return "pointer";
    }
    return "?";
}

std::string describe(const Signature& sig) {
    std::string out = std::string(typeName(sig.result)) + " " + sig.name + "(";
    for (std::size_t i = 0; i < sig.params.size(); ++i) {
        if (i) out += ",";
        out += typeName(sig.params[i]);
    }
    return out + ")";
}

}  // namespace kolmctl
