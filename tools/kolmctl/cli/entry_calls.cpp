// The commands' ways of calling the plug-in: by the name its directory lists, with
// the types the command needs, and texts shown as a person can read them.
#include <cerrno>
#include <charconv>
#include <cstring>

#include "advice.h"
#include "commands.h"
#include "cp1252.h"

namespace kolmctl {

std::int32_t parseInt(const std::string& text, const char* what) {
    std::int32_t v = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (ec == std::errc::result_out_of_range && ptr == end)
        throw Error{kUsage, std::string(what) + " is too large: " + text};
    if (ec != std::errc() || ptr != end || text.empty())
        throw Error{kUsage, std::string(what) + " must be a whole number, not \"" + text + "\""};
    return v;
}

const Listed& require(const Plugin& p, const char* name, const std::vector<Type>& params) {
    const Listed* l = p.find(name);
    if (l == nullptr)
        throw Error{kNotListed, p.path() + " does not list " + name + " in its function directory"};
    if (l->sig->params != params)
        throw Error{kNotListed,
                    p.path() + " lists " + describe(*l->sig) + " with parameters kolmctl cannot use"};
    return *l;
}

std::int32_t callInt(Plugin& p, const Listed& l, const std::vector<Arg>& args) {
    if (l.sig->result != Type::Int) throw Error{kNotListed, describe(*l.sig) + " does not answer an int"};
    return p.call(l, args).result.value.i;
}

double callDouble(Plugin& p, const Listed& l, const std::vector<Arg>& args) {
    if (l.sig->result != Type::Double)
        throw Error{kNotListed, describe(*l.sig) + " does not answer a double"};
    return p.call(l, args).result.value.d;
}

std::string textShown(TextState state, const std::string& cp1252) {
    switch (state) {
    case TextState::Null:
    case TextState::None: return {};
    case TextState::Unreadable: return "(the text cannot be read)";
    case TextState::Unended:
        return utf8FromCp1252(cp1252) + "... (no end within " + std::to_string(kTextLimit) + " characters)";
    case TextState::Whole: break;
    }
    return utf8FromCp1252(cp1252);
}

std::string nameText(Plugin& p, const char* name, std::int32_t channel) {
    const Listed* l = p.find(name);
    if (l == nullptr || l->sig->result != Type::Text || l->sig->params != std::vector<Type>{Type::Int})
        return {};
    const Answer a = p.call(*l, {intArg(channel)});
    return textShown(a.textState, a.text);
}

std::string titleText(Plugin& p, const char* name) {
    const Listed* l = p.find(name);
    if (l == nullptr || l->sig->result != Type::Text || !l->sig->params.empty()) return {};
    const Answer a = p.call(*l, {});
    return textShown(a.textState, a.text);
}

void checkOutput(std::ostream& out, const char* what) {
    if (out.flush()) return;
    const int error = errno;
    if (error == EPIPE) throw Error{kReaderGone, std::string("the reader of ") + what + " went away"};
    throw Error{kOutputFailed, std::string("cannot write ") + what +
                                   (error != 0 ? std::string(": ") + std::strerror(error) : "")};
}

void noPortAccess(Plugin& p) {
    const char* what = virtualBox(p) ? "its virtual box has no signals"
                                     : "the plug-in has no access to the parallel port on this machine";
    throw Error{kNoPortAccess, p.path() + " answered \"no value\" (-777): " + what + ".\n" + accessAdvice(p)};
}

}  // namespace kolmctl
