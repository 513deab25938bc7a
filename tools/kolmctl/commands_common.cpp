#include <cerrno>
#include <charconv>
#include <cstring>

#include "commands.h"
#include "cp1252.h"

namespace kolmctl {

std::int32_t parseInt(const std::string& text, const char* what) {
    std::int32_t v = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (ec != std::errc() || ptr != end || text.empty())
        throw CommandError{kUsage, std::string(what) + " must be a whole number, not \"" + text + "\""};
    return v;
}

const Listed& require(const Plugin& p, const char* name, const std::vector<Type>& params) {
    const Listed* l = p.find(name);
    if (l == nullptr)
        throw CommandError{kNotListed, p.path() + " does not list " + name + " in its function directory"};
    if (l->sig->params != params)
        throw CommandError{kNotListed,
                           p.path() + " lists " + describe(*l->sig) + " with parameters kolmctl cannot use"};
    return *l;
}

std::int32_t callInt(const Plugin& p, const Listed& l, const std::vector<Arg>& args) {
    if (l.sig->result != Type::Int)
        throw CommandError{kNotListed, describe(*l.sig) + " does not answer an int"};
    return p.call(l, args).result.value.i;
}

double callDouble(const Plugin& p, const Listed& l, const std::vector<Arg>& args) {
    if (l.sig->result != Type::Double)
        throw CommandError{kNotListed, describe(*l.sig) + " does not answer a double"};
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

std::string nameText(const Plugin& p, const char* name, std::int32_t channel) {
    const Listed* l = p.find(name);
    if (l == nullptr || l->sig->result != Type::Text || l->sig->params != std::vector<Type>{Type::Int})
        return {};
    const Answer a = p.call(*l, {intArg(channel)});
    return textShown(a.textState, a.text);
}

std::string titleText(const Plugin& p, const char* name) {
    const Listed* l = p.find(name);
    if (l == nullptr || l->sig->result != Type::Text || !l->sig->params.empty()) return {};
    const Answer a = p.call(*l, {});
    return textShown(a.textState, a.text);
}

void checkOutput(std::ostream& out, const char* what) {
    if (out.flush()) return;
    const int error = errno;
    throw CommandError{kOutputFailed, std::string("cannot write ") + what +
                                          (error != 0 ? std::string(": ") + std::strerror(error) : "")};
}

void noPortAccess(const Plugin& p) {
    const std::string why = whyNoPort(p);
    const std::string howTo =
        !why.empty() ? why
        : p.kind().container == Container::Pe
            ? "  Put the port helper inpout32.dll (and its driver, if it comes with one) in the host\n"
              "  program's folder, beside the plug-in; the first run may need administrator rights\n"
              "  for the helper to install its driver."
            : "  Load the ppdev module (modprobe ppdev) and add your user to group lp (adduser USER lp,\n"
              "  then log in again); or run as root, for direct port access.";
    throw CommandError{kNoPortAccess, p.path() +
                                          " answered \"no value\" (-777): the plug-in has no access to the "
                                          "parallel port on this machine.\n" +
                                          howTo};
}

}  // namespace kolmctl
