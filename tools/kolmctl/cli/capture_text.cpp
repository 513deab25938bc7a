#include "capture_text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace kolmctl {

namespace {

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
long daysFromCivil(long y, long m, long d) {
    y -= m <= 2 ? 1 : 0;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

long secondsOf(const std::tm& t) {
    return daysFromCivil(t.tm_year + 1900L, t.tm_mon + 1L, t.tm_mday) * 86400L + t.tm_hour * 3600L +
           t.tm_min * 60L + t.tm_sec;
}

}  // namespace

std::optional<CsvStyle> csvStyleNamed(const char* value) {
    const std::string v = value == nullptr ? "" : value;
    if (v.empty() || v == "rfc") return kCsvRfc;
    if (v == "fr") return kCsvFrench;
    return std::nullopt;
}

void appendNumber(std::string& out, double v, int decimals, CsvStyle style) {
    char buf[48];
    const int n = std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    for (int k = 0; k < n && k < static_cast<int>(sizeof buf); ++k)
        out += buf[k] == '.' ? style.decimal : buf[k];
}

std::string csvField(const std::string& text, CsvStyle style) {
    if (text.find_first_of(std::string(1, style.separator) + "\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string isoLocalTime(std::chrono::system_clock::time_point t, bool microseconds) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
    const long micros = static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                              t - std::chrono::system_clock::from_time_t(seconds))
                                              .count());
    const std::tm local = *std::localtime(&seconds);
    const std::tm utc = *std::gmtime(&seconds);
    const long offset = (secondsOf(local) - secondsOf(utc)) / 60;  // minutes east of UTC
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    char rest[32];
    if (microseconds)
        std::snprintf(rest, sizeof rest, ".%06ld%c%02ld:%02ld", micros, offset < 0 ? '-' : '+',
                      std::labs(offset) / 60, std::labs(offset) % 60);
    else
        std::snprintf(rest, sizeof rest, "%c%02ld:%02ld", offset < 0 ? '-' : '+', std::labs(offset) / 60,
                      std::labs(offset) % 60);
    return std::string(date) + rest;
}

std::string counted(long n, const std::string& noun) {
    if (n == 1) return "1 " + noun;
    if (noun.ends_with('y')) return std::to_string(n) + " " + noun.substr(0, noun.size() - 1) + "ies";
    return std::to_string(n) + " " + noun + "s";
}

std::size_t textColumns(const std::string& utf8) {
    return static_cast<std::size_t>(std::count_if(
        utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

}  // namespace kolmctl
