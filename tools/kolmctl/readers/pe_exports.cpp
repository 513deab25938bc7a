#include "pe_exports.h"

#include <optional>

#include "byte_view.h"

namespace kolmctl {

namespace {

constexpr std::uint32_t kNtOffsetField = 0x3C;  // e_lfanew in the DOS header
constexpr std::uint32_t kOptionalHeader = 24;   // "PE\0\0" and the 20-byte file header
constexpr std::uint32_t kSizeOfImage = 56;      // in the optional header, PE32 and PE32+ alike
constexpr std::uint32_t kPe32 = 0x10B, kPe32Plus = 0x20B;
constexpr std::size_t kLongestName = 255;

struct OptionalHeader {
    std::uint64_t at;
    bool plus = false;  // PE32+, the 64-bit layout
};

// Where the optional header starts; nullopt if the headers are not there.
std::optional<OptionalHeader> optionalHeader(const ByteView& img) {
    const auto nt = img.le32(kNtOffsetField);
    if (!nt || img.le32(*nt) != 0x4550U) return std::nullopt;  // "PE\0\0"
    const std::uint64_t at = std::uint64_t{*nt} + kOptionalHeader;
    const auto magic = img.le16(at);
    if (!magic || (*magic != kPe32 && *magic != kPe32Plus)) return std::nullopt;
    return OptionalHeader{at, magic == kPe32Plus};
}

}  // namespace

std::size_t peImageSize(const unsigned char* image, std::size_t headerBytes) {
    const ByteView img(image, headerBytes);
    const auto header = optionalHeader(img);
    const auto size = header ? img.le32(header->at + kSizeOfImage) : std::nullopt;
    return size ? *size : 0;
}

std::string peExportAt(const unsigned char* image, std::size_t size, std::uint32_t rva) {
    const ByteView img(image, size);
    const auto header = optionalHeader(img);
    if (!header) return {};
    // The data directories follow the count of them; the export directory is the first.
    const std::uint64_t countAt = header->at + (header->plus ? 108u : 92u);
    const auto directories = img.le32(countAt);
    const auto exportsAt = img.le32(countAt + 4);
    if (!directories || *directories < 1 || !exportsAt || *exportsAt == 0) return {};
    const auto functionCount = img.le32(*exportsAt + std::uint64_t{20});
    const auto nameCount = img.le32(*exportsAt + std::uint64_t{24});
    const auto functions = img.le32(*exportsAt + std::uint64_t{28});
    const auto names = img.le32(*exportsAt + std::uint64_t{32});
    const auto ordinals = img.le32(*exportsAt + std::uint64_t{36});
    if (!functionCount || !nameCount || !functions || !names || !ordinals) return {};
    for (std::uint32_t i = 0; i < *nameCount; ++i) {
        const std::optional<std::uint32_t> ordinal = img.le16(*ordinals + 2ULL * i);
        const std::optional<std::uint32_t> nameAt = img.le32(*names + 4ULL * i);
        if (!ordinal || !nameAt) return {};
        // An ordinal past the function table names no function, whatever lies there.
        if (*ordinal < *functionCount && img.le32(*functions + 4ULL * *ordinal) == rva)
            if (auto name = img.name(*nameAt, kLongestName)) return *name;
    }
    return {};
}

}  // namespace kolmctl
