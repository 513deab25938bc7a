#include "cp1252.h"

#include <cstdint>
#include <cstdio>

namespace kolmctl {

namespace {

// 0x80-0x9F: the printable characters Windows-1252 puts where Latin-1 has controls.
// 0 marks the five unassigned bytes.
constexpr std::uint16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

void append(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

std::string utf8FromCp1252(const std::string& text) {
    std::string out;
    for (const char c : text) {
        std::uint32_t code = static_cast<unsigned char>(c);
        if (code < 0x20 || code == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(code));
            out += escaped;
            continue;
        }
        if (code >= 0x80 && code < 0xA0) code = kHigh[code - 0x80] ? kHigh[code - 0x80] : 0xFFFD;
        append(out, code);
    }
    return out;
}

std::string utf8FromCp1252(const char* text) {
    return text == nullptr ? std::string() : utf8FromCp1252(std::string(text));
}

}  // namespace kolmctl
