// Parsing the port file. Written without the C library, since the Windows DLL
// imports nothing but KERNEL32: byte by byte, no copies.
#include "port_file.h"

namespace kolm {

namespace {

struct Span {
    const char* begin;
    const char* end;
};

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

Span trimmed(Span s) {
    while (s.begin < s.end && blank(*s.begin)) ++s.begin;
    while (s.end > s.begin && blank(s.end[-1])) --s.end;
    return s;
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameWord(Span s, const char* word) {
    for (; s.begin < s.end && *word != '\0'; ++s.begin, ++word)
        if (lower(*s.begin) != *word) return false;
    return s.begin == s.end && *word == '\0';
}

int digitValue(char c, int radix) {
    const char l = lower(c);
    const int v = l >= '0' && l <= '9' ? l - '0' : l >= 'a' && l <= 'f' ? l - 'a' + 10 : radix;
    return v < radix ? v : -1;
}

// A whole number in hex (0x...) or decimal, or -1; values past 0xFFFFF stop counting.
long number(Span s) {
    int radix = 10;
    if (s.end - s.begin > 2 && s.begin[0] == '0' && lower(s.begin[1]) == 'x') {
        radix = 16;
        s.begin += 2;
    }
    if (s.begin == s.end) return -1;
    long value = 0;
    for (; s.begin < s.end; ++s.begin) {
        const int d = digitValue(*s.begin, radix);
        if (d < 0) return -1;
        if (value <= 0xFFFFF) value = value * radix + d;
    }
    return value;
}

// The line's text before any comment.
Span content(Span line) {
    for (const char* p = line.begin; p < line.end; ++p)
        if (*p == ';' || *p == '#') return trimmed({line.begin, p});
    return trimmed(line);
}

}  // namespace

PortFile parsePortFile(const char* text, int length, std::uint16_t& base) {
    const char* const end = text + length;
    bool inPortSection = false;
    bool found = false;
    long value = 0;
    for (const char* at = text; at < end;) {
        const char* eol = at;
        while (eol < end && *eol != '\n') ++eol;
        const Span line = content({at, eol});
        at = eol + 1;
        if (line.begin == line.end) continue;
        if (*line.begin == '[') {
            inPortSection = line.end[-1] == ']' && sameWord(trimmed({line.begin + 1, line.end - 1}), "port");
            continue;
        }
        const char* equals = line.begin;
        while (equals < line.end && *equals != '=') ++equals;
        if (!inPortSection || equals == line.end || !sameWord(trimmed({line.begin, equals}), "base"))
            continue;
        if (found) return PortFile::twoBases;
        found = true;
        value = number(trimmed({equals + 1, line.end}));
    }
    if (!found) return PortFile::noBase;
    if (value < 0) return PortFile::notANumber;
    if (value < kLowestBase || value > kHighestBase) return PortFile::outOfRange;
    if (value % 4 != 0) return PortFile::notAligned;
    base = static_cast<std::uint16_t>(value);
    return PortFile::valid;
}

}  // namespace kolm
