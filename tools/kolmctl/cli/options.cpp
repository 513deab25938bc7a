#include "options.h"

#include <cctype>

namespace kolmctl {

namespace {

bool looksLikeOption(const std::string& a) {
    return a.size() > 1 && a[0] == '-' && !std::isdigit(static_cast<unsigned char>(a[1])) && a[1] != '.';
}

}  // namespace

std::string Options::value(const char* name, const std::string& otherwise) const {
    const auto it = given.find(name);
    return it == given.end() ? otherwise : it->second;
}

Options parseOptions(const Args& args, std::span<const OptionSpec> specs) {
    Options o;
    std::map<std::string, std::string> groupTakenBy;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (!looksLikeOption(args[i])) {
            o.operands.push_back(args[i]);
            continue;
        }
        const std::size_t equals = args[i].find('=');
        const std::string name = args[i].substr(0, equals);
        const OptionSpec* spec = nullptr;
        for (const OptionSpec& s : specs)
            if (name == s.name) spec = &s;
        if (spec == nullptr) throw Error{kUsage, "unknown option " + name};
        std::string value;
        if (spec->value == nullptr) {
            if (equals != std::string::npos) throw Error{kUsage, name + " takes no value"};
        } else if (equals != std::string::npos) {
            value = args[i].substr(equals + 1);
            if (value.empty()) throw Error{kUsage, name + " needs " + spec->value};
        } else {
            if (i + 1 >= args.size()) throw Error{kUsage, name + " needs " + spec->value};
            value = args[++i];
        }
        if (o.has(spec->name)) throw Error{kUsage, name + " is given twice"};
        if (spec->group != nullptr) {
            const auto [taken, fresh] = groupTakenBy.emplace(spec->group, name);
            if (!fresh) throw Error{kUsage, taken->second + " and " + name + " cannot be used together"};
        }
        o.given.emplace(spec->name, value);
    }
    return o;
}

}  // namespace kolmctl
