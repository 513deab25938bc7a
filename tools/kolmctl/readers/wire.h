// The bytes kolmctl and the plug-in's side exchange: fixed-size little fields and
// length-prefixed strings. The reader checks every length against what is left, so
// a garbled answer is an error, never a read past the end.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace kolmctl {

class WireWriter {
public:
    template <typename T>
    WireWriter& put(T v) {
        char raw[sizeof v];
        std::memcpy(raw, &v, sizeof v);
        bytes_.append(raw, sizeof v);
        return *this;
    }
    WireWriter& text(const std::string& s) {
        put(static_cast<std::uint32_t>(s.size()));
        bytes_ += s;
        return *this;
    }
    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
};

class WireReader {
public:
    explicit WireReader(const std::string& bytes) : bytes_(bytes) {}
    template <typename T>
    T get() {
        T v{};
        if (bytes_.size() - at_ < sizeof v) {
            ok_ = false;
            return v;
        }
        std::memcpy(&v, bytes_.data() + at_, sizeof v);
        at_ += sizeof v;
        return v;
    }
    std::string text() {
        const auto n = get<std::uint32_t>();
        if (!ok_ || bytes_.size() - at_ < n) {
            ok_ = false;
            return {};
        }
        std::string s = bytes_.substr(at_, n);
        at_ += n;
        return s;
    }
    // Whether every field was there and made sense.
    bool ok() const { return ok_; }
    // A field was there but holds what no writer writes.
    void fail() { ok_ = false; }

private:
    const std::string& bytes_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

}  // namespace kolmctl
