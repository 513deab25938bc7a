#include "utf8.h"

#include <cstdint>

namespace kolmctl {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// The well-formed byte sequences of UTF-8, by their first byte: how long the sequence
// is and what its second byte may be (which rules out overlong forms, surrogates and
// code points past U+10FFFF); every later byte is 0x80 to 0xBF.
struct Lead {
    std::uint8_t first, last;
    std::uint8_t length;
    std::uint8_t secondLow, secondHigh;
};
constexpr Lead kLeads[] = {
    {0x00, 0x7F, 1, 0, 0},       {0xC2, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF},
    {0xE1, 0xEC, 3, 0x80, 0xBF}, {0xED, 0xED, 3, 0x80, 0x9F}, {0xEE, 0xEF, 3, 0x80, 0xBF},
    {0xF0, 0xF0, 4, 0x90, 0xBF}, {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F},
};

// The length of the well-formed character at the start of `t`, 0 if there is none.
std::size_t characterAt(std::string_view t) {
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(t[k]); };
    for (const Lead& lead : kLeads) {
        if (byte(0) < lead.first || byte(0) > lead.last) continue;
        if (t.size() < lead.length) return 0;
        if (lead.length > 1 && (byte(1) < lead.secondLow || byte(1) > lead.secondHigh)) return 0;
        for (std::size_t k = 2; k < lead.length; ++k)
            if ((byte(k) & 0xC0) != 0x80) return 0;
        return lead.length;
    }
    return 0;
}

}  // namespace

std::string validUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const std::size_t n = characterAt(text);
        if (n == 0) {
            out += kReplacement;
            text.remove_prefix(1);
        } else {
            out.append(text.substr(0, n));
            text.remove_prefix(n);
        }
    }
    return out;
}

}  // namespace kolmctl
