#include "serve_access.h"

#include <algorithm>

namespace kolmctl {

namespace {

bool digitsAndDots(const std::string& s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

}  // namespace

std::string hexOf(const unsigned char* bytes, std::size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t k = 0; k < n; ++k) {
        out += digits[bytes[k] >> 4];
        out += digits[bytes[k] & 15];
    }
    return out;
}

// Every byte of the token is looked at, whatever the given text holds.
bool sameToken(const std::string& given, const std::string& token) {
    unsigned diff = given.size() == token.size() ? 0 : 1;
    for (std::size_t k = 0; k < token.size(); ++k)
        diff |= static_cast<unsigned char>(token[k]) ^
                static_cast<unsigned char>(k < given.size() ? given[k] : ~token[k]);
    return diff == 0 && !token.empty();
}

bool hostAllowed(const std::string& host, const Listening& at) {
    const std::string port = ":" + std::to_string(at.port);
    if (host.size() <= port.size() || host.compare(host.size() - port.size(), port.size(), port) != 0)
        return false;
    std::string name = host.substr(0, host.size() - port.size());
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
    if (name == at.address) return true;
    if (at.address == "127.0.0.1") return name == "localhost";
    return at.address == "0.0.0.0" && digitsAndDots(name);
}

bool originAllowed(const std::string& origin, const Listening& at) {
    const std::string scheme = "http://";
    return origin.rfind(scheme, 0) == 0 && hostAllowed(origin.substr(scheme.size()), at);
}

}  // namespace kolmctl
