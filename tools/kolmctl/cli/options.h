// A command's options as well-made tools take them: "--count 3" or "--count=3", each
// at most once, an option that takes no value refused one, and options that say the
// opposite of each other ("--counts --volts") refused together. Everything else on
// the line is an operand (a channel, a relay, "-1" included).
#pragma once

#include <map>
#include <span>
#include <string>
#include <vector>

#include "commands.h"

namespace kolmctl {

struct OptionRule {
    const char* name;   // "--count"
    const char* value;  // what its value is, for "--count needs a number"; nullptr: a flag
    const char* group;  // options of one group exclude each other; nullptr: none
};

struct Options {
    std::map<std::string, std::string> given;  // by name; "" for a flag
    Args operands;
    bool has(const char* name) const { return given.count(name) != 0; }
    // The option's value, or `otherwise` when it was not given.
    std::string value(const char* name, const std::string& otherwise) const;
};

// Error kUsage, in one line, for an option that is not one of `rules`, a value that
// is missing or not wanted, an option given twice or two of one group.
Options parseOptions(const Args& args, std::span<const OptionRule> rules);

}  // namespace kolmctl
