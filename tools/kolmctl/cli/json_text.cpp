#include "json_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "utf8.h"

namespace kolmctl {

namespace {

// A cursor over the text being parsed; every step false where the text is not what it wants.
struct Cursor {
    const std::string& s;
    std::size_t at = 0;

    void space() {
        while (at < s.size() && (s[at] == ' ' || s[at] == '\t' || s[at] == '\n' || s[at] == '\r')) ++at;
    }
    bool take(char c) {
        space();
        if (at >= s.size() || s[at] != c) return false;
        ++at;
        return true;
    }
    bool word(const char* w) {
        space();
        const std::string_view v(w);
        if (s.compare(at, v.size(), v) != 0) return false;
        at += v.size();
        return true;
    }
    // The character an escape after a backslash stands for; \u only for the characters
    // below U+0080, which is all the API's names and units need besides plain UTF-8.
    std::optional<char> escaped() {
        if (at >= s.size()) return std::nullopt;
        const char c = s[at++];
        if (c == 'n') return '\n';
        if (c == 't') return '\t';
        if (c == '"' || c == '\\' || c == '/') return c;
        if (c != 'u' || at + 4 > s.size()) return std::nullopt;
        const long code = std::strtol(s.substr(at, 4).c_str(), nullptr, 16);
        at += 4;
        return code > 0 && code < 0x80 ? std::optional(static_cast<char>(code)) : std::nullopt;
    }
    std::optional<std::string> string() {
        if (!take('"')) return std::nullopt;
        std::string out;
        while (at < s.size() && s[at] != '"') {
            const char c = s[at++];
            if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
            const auto e = c == '\\' ? escaped() : std::optional(c);
            if (!e) return std::nullopt;
            out += *e;
        }
        if (!take('"')) return std::nullopt;
        return validUtf8(out) == out ? std::optional(out) : std::nullopt;
    }
    std::optional<double> number() {
        space();
        const char* begin = s.c_str() + at;
        char* end = nullptr;
        const double v = std::strtod(begin, &end);
        if (end == begin || !std::isfinite(v)) return std::nullopt;
        at += static_cast<std::size_t>(end - begin);
        return v;
    }
};

std::optional<JsonValue> value(Cursor& c) {
    JsonValue v;
    c.space();
    if (c.at < c.s.size() && c.s[c.at] == '"') {
        v.text = c.string();
        return v.text ? std::optional(v) : std::nullopt;
    }
    if (c.word("null")) return v;
    if (c.take('[')) {
        v.numbers.emplace();
        if (c.take(']')) return v;
        do {
            const auto n = c.number();
            if (!n) return std::nullopt;
            v.numbers->push_back(*n);
        } while (c.take(','));
        return c.take(']') ? std::optional(v) : std::nullopt;
    }
    v.number = c.number();
    return v.number ? std::optional(v) : std::nullopt;
}

}  // namespace

std::string json(const std::string& raw) {
    const std::string text = validUtf8(raw);
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string jsonNumber(double v) {
    if (!std::isfinite(v)) return "null";
    char buf[32];
    for (int digits = 6; digits <= 17; ++digits) {
        std::snprintf(buf, sizeof buf, "%.*g", digits, v);
        if (std::strtod(buf, nullptr) == v) break;
    }
    return buf;
}

std::optional<std::map<std::string, JsonValue>> parseFlatJson(const std::string& text) {
    Cursor c{text};
    std::map<std::string, JsonValue> object;
    if (!c.take('{')) return std::nullopt;
    if (!c.take('}')) {
        do {
            const auto name = c.string();
            if (!name || !c.take(':')) return std::nullopt;
            auto v = value(c);
            if (!v || !object.emplace(*name, std::move(*v)).second) return std::nullopt;
        } while (c.take(','));
        if (!c.take('}')) return std::nullopt;
    }
    c.space();
    if (c.at != text.size()) return std::nullopt;
    return object;
}

}  // namespace kolmctl
