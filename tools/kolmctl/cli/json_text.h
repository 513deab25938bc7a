// JSON as kolmctl writes it (ports --json, serve's API) and the small objects serve's
// API takes: one level of names, each a string, a number or an array of numbers.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kolmctl {

// A JSON string: UTF-8 (anything else replaced), quotes, backslashes and control
// characters escaped.
std::string json(const std::string& raw);
// null for an empty text.
inline std::string jsonOrNull(const std::string& text) { return text.empty() ? "null" : json(text); }
inline const char* jsonBool(bool b) { return b ? "true" : "false"; }
// A number as JSON: its shortest exact form; null where it is not finite.
std::string jsonNumber(double v);

struct JsonValue {
    std::optional<std::string> text;
    std::optional<double> number;
    std::optional<std::vector<double>> numbers;
};
// `{"name": value, ...}` with values as above (and null: no value); nullopt for
// anything else, a name given twice included.
std::optional<std::map<std::string, JsonValue>> parseFlatJson(const std::string& text);

}  // namespace kolmctl
