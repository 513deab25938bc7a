// The rows of a table of tests/rules/, which kolmctl's tests and the Python package's
// read alike: ';' between fields, '#' lines left out, the first other line the header.
#pragma once

#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

using RuleRow = std::map<std::string, std::string>;

inline std::vector<std::string> ruleFields(const std::string& line, char separator = ';') {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, separator);) fields.push_back(field);
    if (!line.empty() && line.back() == separator) fields.emplace_back();
    return fields;
}

// `name`'s rows (e.g. "schedules.csv"), each field under its header's name.
inline std::vector<RuleRow> ruleRows(const std::string& name) {
    std::ifstream in(std::string(KOLM_RULES_DIR) + "/" + name);
    if (!in) throw std::runtime_error("cannot read the rules table " + name);
    std::vector<std::string> header;
    std::vector<RuleRow> rows;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        const std::vector<std::string> fields = ruleFields(line);
        if (header.empty()) {
            header = fields;
            continue;
        }
        if (fields.size() != header.size())
            throw std::runtime_error((name + ": a row without every field: ").append(line));
        RuleRow row;
        for (std::size_t k = 0; k < fields.size(); ++k) row[header[k]] = fields[k];
        rows.push_back(row);
    }
    return rows;
}
