// Who kolmctl serve answers: a request that carries the token, sent to the address it
// listens on. A Host (or Origin) naming anything else is a page of another site that
// reached this one through a name that resolves to it (DNS rebinding): refused.
#pragma once

#include <cstddef>
#include <string>

namespace kolmctl {

// The bytes as lowercase hex digits.
std::string hexOf(const unsigned char* bytes, std::size_t n);
// Whether `given` is `token`, in a time that does not depend on where they differ.
bool sameToken(const std::string& given, const std::string& token);

// Where the server listens: "127.0.0.1" (the default), an address of the machine, or
// 0.0.0.0 (all of them), and its port.
struct Listening {
    std::string address;
    int port = 0;
};
// Whether a Host header names the server: its own address, "localhost" or 127.0.0.1
// where it listens on the loopback address, any address of the machine written as
// digits where it listens on all of them; always with its port.
bool hostAllowed(const std::string& host, const Listening& at);
// Whether an Origin header is a page of the server itself ("http://" and a Host as above).
bool originAllowed(const std::string& origin, const Listening& at);

}  // namespace kolmctl
