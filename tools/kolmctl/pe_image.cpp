#include "pe_image.h"

#include <cstring>

namespace kolmctl {

namespace {

constexpr std::uint32_t kNtOffsetField = 0x3C;  // e_lfanew in the DOS header
constexpr std::uint32_t kOptionalHeader = 24;   // "PE\0\0" and the 20-byte file header
constexpr std::uint32_t kSizeOfImage = 56;      // in the optional header, PE32 and PE32+ alike
constexpr std::uint16_t kPe32 = 0x10B, kPe32Plus = 0x20B;
constexpr std::size_t kMaxName = 256;

// Bounds-checked little-endian reads: false when any byte lies outside the image.
class Image {
public:
    Image(const unsigned char* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
    bool has(std::uint64_t at, std::uint64_t n) const { return at <= size_ && n <= size_ - at; }
    template <typename T>
    bool get(std::uint64_t at, T& out) const {
        if (!has(at, sizeof out)) return false;
        std::memcpy(&out, bytes_ + at, sizeof out);
        return true;
    }
    bool name(std::uint64_t at, std::string& out) const {
        out.clear();
        for (std::uint64_t k = at; k < size_ && out.size() < kMaxName; ++k) {
            if (bytes_[k] == 0) return !out.empty();
            out += static_cast<char>(bytes_[k]);
        }
        return false;
    }

private:
    const unsigned char* bytes_;
    std::size_t size_;
};

// Where the optional header starts, and whether it is PE32+; false if the headers are not there.
bool optionalHeader(const Image& img, std::uint32_t& at, bool& plus) {
    std::uint32_t nt = 0;
    std::uint32_t signature = 0;
    std::uint16_t magic = 0;
    if (!img.get(kNtOffsetField, nt) || !img.get(nt, signature) || signature != 0x4550) return false;
    at = nt + kOptionalHeader;
    if (!img.get(at, magic) || (magic != kPe32 && magic != kPe32Plus)) return false;
    plus = magic == kPe32Plus;
    return true;
}

}  // namespace

std::size_t peImageSize(const unsigned char* image, std::size_t headerBytes) {
    const Image img(image, headerBytes);
    std::uint32_t at = 0;
    bool plus = false;
    std::uint32_t size = 0;
    if (!optionalHeader(img, at, plus) || !img.get(at + std::uint64_t{kSizeOfImage}, size)) return 0;
    return size;
}

std::string peExportAt(const unsigned char* image, std::size_t size, std::uint32_t rva) {
    const Image img(image, size);
    std::uint32_t at = 0;
    bool plus = false;
    if (!optionalHeader(img, at, plus)) return {};
    // The data directories follow the count of them; the export directory is the first.
    const std::uint64_t countAt = at + std::uint64_t{plus ? 108u : 92u};
    std::uint32_t directories = 0;
    std::uint32_t exportsAt = 0;
    if (!img.get(countAt, directories) || directories < 1 || !img.get(countAt + 4, exportsAt) ||
        exportsAt == 0)
        return {};
    std::uint32_t functionCount = 0, nameCount = 0, functions = 0, names = 0, ordinals = 0;
    if (!img.get(exportsAt + std::uint64_t{20}, functionCount) ||
        !img.get(exportsAt + std::uint64_t{24}, nameCount) ||
        !img.get(exportsAt + std::uint64_t{28}, functions) ||
        !img.get(exportsAt + std::uint64_t{32}, names) || !img.get(exportsAt + std::uint64_t{36}, ordinals))
        return {};
    for (std::uint32_t i = 0; i < nameCount; ++i) {
        std::uint16_t ordinal = 0;
        std::uint32_t code = 0, nameAt = 0;
        if (!img.get(ordinals + std::uint64_t{2} * i, ordinal) ||
            !img.get(names + std::uint64_t{4} * i, nameAt))
            return {};
        if (ordinal >= functionCount || !img.get(functions + std::uint64_t{4} * ordinal, code)) continue;
        std::string name;
        if (code == rva && img.name(nameAt, name)) return name;
    }
    return {};
}

}  // namespace kolmctl
