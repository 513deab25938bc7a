// Bytes read without trusting them: every field a file gives is checked against the
// end, and a field beyond it reads as nothing. The readers of plug-in files take
// every offset, count and size through here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "little_endian.h"

namespace kolmctl {

class ByteView {
public:
    ByteView(const unsigned char* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
    explicit ByteView(std::string_view bytes)
        : ByteView(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()) {}

    std::size_t size() const { return size_; }
    // Whether `n` bytes from `at` lie within the bytes.
    bool has(std::uint64_t at, std::uint64_t n) const { return at <= size_ && n <= size_ - at; }
    // The little-endian field of `width` bytes (1 to 4) at `at`.
    std::optional<std::uint32_t> le(std::uint64_t at, int width) const {
        if (!has(at, static_cast<std::uint64_t>(width))) return std::nullopt;
        return kolm::littleEndian<std::uint32_t>(bytes_ + at, width);
    }
    std::optional<std::uint32_t> le16(std::uint64_t at) const { return le(at, 2); }
    std::optional<std::uint32_t> le32(std::uint64_t at) const { return le(at, 4); }
    // The NUL-terminated name at `at`, of 1 to `longest` characters; nullopt when it
    // is empty, longer, or runs off the end.
    std::optional<std::string> name(std::uint64_t at, std::size_t longest) const {
        std::string out;
        for (std::uint64_t k = at; k < size_ && out.size() <= longest; ++k) {
            if (bytes_[k] == 0) return out.empty() ? std::nullopt : std::optional(out);
            out += static_cast<char>(bytes_[k]);
        }
        return std::nullopt;
    }

private:
    const unsigned char* bytes_;
    std::size_t size_;
};

}  // namespace kolmctl
