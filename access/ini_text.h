// The lines of the plug-in's two setting files (the port file, the virtual box's signal
// file): sections in brackets, name=value lines, ';' and '#' starting a comment
// anywhere on a line, blanks around every part, CRLF or LF line ends, names in any
// case; a UTF-8 byte-order mark at the start (as Notepad may write) is no part of the
// first line. Byte by byte, without the C library: the Windows DLL imports only KERNEL32.
#pragma once

namespace kolm::ini {

struct Span {
    const char* begin;
    const char* end;
    bool empty() const { return begin == end; }
};

inline bool blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

inline Span trimmed(Span s) {
    while (s.begin < s.end && blank(*s.begin)) ++s.begin;
    while (s.end > s.begin && blank(s.end[-1])) --s.end;
    return s;
}

inline char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether `s` is `word` (lower case), in any case.
inline bool sameWord(Span s, const char* word) {
    for (; s.begin < s.end && *word != '\0'; ++s.begin, ++word)
        if (lower(*s.begin) != *word) return false;
    return s.begin == s.end && *word == '\0';
}

// Steps over a UTF-8 byte-order mark at the start of `text`.
inline void skipByteOrderMark(const char*& text, int& length) {
    if (length >= 3 && text[0] == '\xEF' && text[1] == '\xBB' && text[2] == '\xBF') {
        text += 3;
        length -= 3;
    }
}

// One line of a file, as the reader walks it.
struct Line {
    Span text{};             // before any comment, trimmed; empty for a blank or comment line
    int number = 0;          // from 1
    bool isSection = false;  // it starts with '['
    Span section{};          // the name between the brackets, trimmed; empty without ']'

    Span name{};   // before '=', trimmed; empty when the line has no '='
    Span value{};  // after '=', trimmed
};

class Lines {
public:
    Lines(const char* text, int length) : at_(text), end_(text + length) {
        int left = length;
        skipByteOrderMark(at_, left);
    }

    // The next line, comments and blank lines included; false at the end of the text.
    bool next(Line& line) {
        if (at_ >= end_) return false;
        const char* eol = at_;
        while (eol < end_ && *eol != '\n') ++eol;
        line.number = ++number_;
        const char* stop = at_;
        while (stop < eol && *stop != ';' && *stop != '#') ++stop;
        const Span t = trimmed({at_, stop});
        at_ = eol + 1;
        line.text = t;
        line.isSection = !t.empty() && *t.begin == '[';
        const bool closed = line.isSection && t.end[-1] == ']' && t.end - t.begin > 1;
        line.section = closed ? trimmed({t.begin + 1, t.end - 1}) : Span{t.end, t.end};
        const char* equals = t.begin;
        while (!line.isSection && equals < t.end && *equals != '=') ++equals;
        const bool setting = !line.isSection && equals < t.end;
        line.name = setting ? trimmed({t.begin, equals}) : Span{t.end, t.end};
        line.value = setting ? trimmed({equals + 1, t.end}) : Span{t.end, t.end};
        return true;
    }

private:
    const char* at_ = nullptr;
    const char* end_ = nullptr;
    int number_ = 0;
};

}  // namespace kolm::ini
