#include "version_resource.h"

#include <cstdint>
#include <fstream>

#include "byte_view.h"

namespace kolmctl {

namespace {

constexpr std::uint32_t kVersionResourceType = 16;  // RT_VERSION
constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr std::uint32_t kSubdirectory = 0x80000000;

// The file offset of a relative virtual address, through the section table.
std::optional<std::uint64_t> fileOffset(const ByteView& im, std::uint64_t table, std::uint32_t count,
                                        std::uint32_t rva) {
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t s = table + 40ULL * i;
        const auto address = im.le32(s + 12), rawSize = im.le32(s + 16), rawOffset = im.le32(s + 20);
        if (!address || !rawSize || !rawOffset) return std::nullopt;
        if (rva >= *address && rva - *address < *rawSize) return std::uint64_t{*rawOffset} + (rva - *address);
    }
    return std::nullopt;
}

// The entry of resource directory `dir` with this id (or its first entry): where it
// points, relative to the resource root, with the high bit set for a subdirectory.
// Only forward: a tree that points back at itself ends here rather than looping.
std::optional<std::uint32_t> child(const ByteView& im, std::uint64_t root, std::uint64_t dir,
                                   std::optional<std::uint32_t> id) {
    const auto named = im.le16(dir + 12), ids = im.le16(dir + 14);
    if (!named || !ids) return std::nullopt;
    for (std::uint32_t i = 0; i < *named + *ids; ++i) {
        const auto name = im.le32(dir + 16 + 8ULL * i), to = im.le32(dir + 20 + 8ULL * i);
        if (!name || !to) return std::nullopt;
        if (id && (i < *named || *name != *id)) continue;
        if (root + (*to & ~kSubdirectory) <= dir) return std::nullopt;
        return *to;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> versionFromImage(std::string_view bytes) {
    const ByteView im(bytes);
    if (bytes.size() < 64 || bytes[0] != 'M' || bytes[1] != 'Z') return std::nullopt;
    const auto pe = im.le32(0x3C);
    if (!pe || im.le32(*pe) != 0x00004550U) return std::nullopt;  // "PE\0\0"
    const std::uint64_t coff = std::uint64_t{*pe} + 4, optional = coff + 20;
    const auto sections = im.le16(coff + 2), optionalSize = im.le16(coff + 16), magic = im.le16(optional);
    if (!sections || !optionalSize || !magic) return std::nullopt;
    // The data directories follow the optional header's fixed part: 96 bytes for
    // PE32, 112 for PE32+. The resource table is directory 2.
    const std::uint64_t directories = optional + (*magic == 0x20B ? 112 : 96);
    const auto directoryCount = im.le32(directories - 4), resourceRva = im.le32(directories + 16);
    if ((*magic != 0x10B && *magic != 0x20B) || !directoryCount || *directoryCount < 3 || !resourceRva)
        return std::nullopt;
    const std::uint64_t table = optional + *optionalSize;
    const auto root = fileOffset(im, table, *sections, *resourceRva);
    if (!root) return std::nullopt;

    // Type 16, then its first name and its first language: a data entry.
    std::uint64_t at = *root;
    for (int level = 0; level < 3; ++level) {
        const auto to = child(im, *root, at,
                              level == 0 ? std::optional<std::uint32_t>(kVersionResourceType) : std::nullopt);
        if (!to || ((*to & kSubdirectory) != 0) != (level < 2)) return std::nullopt;
        at = *root + (*to & ~kSubdirectory);
    }
    const auto dataRva = im.le32(at), dataSize = im.le32(at + 4);
    if (!dataRva || !dataSize) return std::nullopt;
    const auto data = fileOffset(im, table, *sections, *dataRva);
    if (!data) return std::nullopt;

    // VS_VERSIONINFO: three 16-bit fields, the key "VS_VERSION_INFO" in UTF-16
    // with its NUL (32 bytes), padding to 40, then the fixed information.
    const auto valueLength = im.le16(*data + 2), signature = im.le32(*data + 40);
    const auto high = im.le32(*data + 48), low = im.le32(*data + 52);
    if (*dataSize < 92 || !valueLength || *valueLength < 52 || signature != kFixedInfoSignature || !high ||
        !low)
        return std::nullopt;
    std::string v =
        std::to_string(*high >> 16) + "." + std::to_string(*high & 0xFFFF) + "." + std::to_string(*low >> 16);
    if ((*low & 0xFFFF) != 0) v += "." + std::to_string(*low & 0xFFFF);
    return v;
}

std::optional<std::string> fileVersion(const std::string& path) {
    // A plug-in DLL is a few hundred kilobytes; anything past 64 MB is not one.
    constexpr std::streamoff kLargest = 64 << 20;
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
    if (size < 0 || size > kLargest) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.seekg(0);
    if (!in.read(bytes.data(), static_cast<std::streamsize>(size))) return std::nullopt;
    return versionFromImage(bytes);
}

}  // namespace kolmctl
