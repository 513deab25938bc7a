#include "options.h"

#include <cctype>

namespace kolmctl {

namespace {

bool looksLikeOption(const std::string& a) {
    return a.size() > 1 && a[0] == '-' && std::isdigit(static_cast<unsigned char>(a[1])) == 0 && a[1] != '.';
}

// The value of option `rule`, written as args[i] ("--count=3", `equals` at its '='),
// or in the next argument ("--count 3", which moves `i` on); "" for a flag.
std::string valueOf(const OptionRule& rule, const Args& args, std::size_t& i, std::size_t equals) {
    const std::string name = rule.name;
    if (rule.value == nullptr) {
        if (equals != std::string::npos) throw Error{kUsage, name + " takes no value"};
        return {};
    }
    if (equals == std::string::npos) {
        if (i + 1 >= args.size()) throw Error{kUsage, name + " needs " + rule.value};
        return args[++i];
    }
    std::string value = args[i].substr(equals + 1);
    if (value.empty()) throw Error{kUsage, name + " needs " + rule.value};
    return value;
}

}  // namespace

std::string Options::value(const char* name, const std::string& otherwise) const {
    const auto it = given.find(name);
    return it == given.end() ? otherwise : it->second;
}

Options parseOptions(const Args& args, std::span<const OptionRule> rules) {
    Options o;
    std::map<std::string, std::string> groupTakenBy;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (!looksLikeOption(args[i])) {
            o.operands.push_back(args[i]);
            continue;
        }
        const std::size_t equals = args[i].find('=');
        const std::string name = args[i].substr(0, equals);
        const OptionRule* rule = nullptr;
        for (const OptionRule& s : rules)
            if (name == s.name) rule = &s;
        if (rule == nullptr) throw Error{kUsage, "unknown option " + name};
        std::string value = valueOf(*rule, args, i, equals);
        if (o.has(rule->name)) throw Error{kUsage, name + " is given twice"};
        if (rule->group != nullptr) {
            const auto [taken, fresh] = groupTakenBy.emplace(rule->group, name);
            if (!fresh) throw Error{kUsage, taken->second + " and " + name + " cannot be used together"};
        }
        o.given.emplace(rule->name, value);
    }
    return o;
}

}  // namespace kolmctl
