#include "utf8.h"

#include <cstdint>

namespace kolmctl {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// The length of the well-formed character at the start of `t`, 0 if there is none.
std::size_t characterAt(std::string_view t) {
    const auto b = [&](std::size_t k) { return static_cast<std::uint8_t>(t[k]); };
    const auto tail = [&](std::size_t k) { return k < t.size() && (b(k) & 0xC0) == 0x80; };
    const std::uint8_t lead = b(0);
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return tail(1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (!tail(1) || !tail(2)) return 0;
        if (lead == 0xE0 && b(1) < 0xA0) return 0;   // overlong
        if (lead == 0xED && b(1) >= 0xA0) return 0;  // a surrogate
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (!tail(1) || !tail(2) || !tail(3)) return 0;
        if (lead == 0xF0 && b(1) < 0x90) return 0;   // overlong
        if (lead == 0xF4 && b(1) >= 0x90) return 0;  // past U+10FFFF
        return 4;
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
