// How a capture is written for people and their spreadsheets: the two CSV styles,
// numbers in them, the wall-clock time a capture started, counts of things, and the
// width of a text.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

namespace kolmctl {

// RFC 4180 (',' between fields, '.' in numbers), or the style spreadsheets set for
// French (and most of Europe) expect: ';' between fields and a decimal comma.
struct CsvStyle {
    char separator;
    char decimal;
};
constexpr CsvStyle kCsvRfc{',', '.'};
constexpr CsvStyle kCsvFrench{';', ','};

// The style --csv writes, from the environment variable KOLMCTL_CSV: "fr" for the
// French one, "rfc" or unset for RFC 4180; nullopt for anything else.
std::optional<CsvStyle> csvStyleNamed(const char* value);

// `v` with `decimals` digits after the style's decimal mark.
void appendNumber(std::string& out, double v, int decimals, CsvStyle style);
// A line of text as one CSV field: quoted (RFC 4180) only where it holds the
// separator, a quote or a line end.
std::string csvField(const std::string& text, CsvStyle style);

// "2026-12-08T13:05:02.123456+01:00": ISO 8601 local time with its offset from UTC.
std::string isoLocalTime(std::chrono::system_clock::time_point t, bool microseconds = true);

// "1 reading", "2 readings", "1 entry", "3 entries".
std::string counted(long n, const std::string& noun);

// The columns a UTF-8 text takes on a terminal or in a chart: one per character.
std::size_t textColumns(const std::string& utf8);

}  // namespace kolmctl
