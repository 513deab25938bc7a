// The version kolmctl reads from a Windows file's version resource: a small PE
// image with one, and the same image damaged in each field the reader follows. A
// damaged file gives no version, and nothing is read outside the file.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "version_resource.h"

namespace {

// The offsets of the image below.
constexpr std::size_t kPe = 0x40, kCoff = kPe + 4, kOptional = kCoff + 20, kSections = kOptional + 0xE0;
constexpr std::size_t kRoot = 0x200, kVersionInfo = kRoot + 0x58;

void put(std::string& image, std::size_t at, std::uint32_t value, int size = 4) {
    for (int i = 0; i < size; ++i)
        image[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
}

// MZ header, PE32 headers with one section ".rsrc" (RVA 0x1000 at file offset 0x200),
// the resource tree type 16 / name 1 / language 0x40C, and a VS_VERSIONINFO.
std::string imageWithVersion(std::uint32_t high, std::uint32_t low) {
    std::string image(0x400, '\0');
    image[0] = 'M', image[1] = 'Z';
    put(image, 0x3C, kPe);
    put(image, kPe, 0x00004550);
    put(image, kCoff, 0x14C, 2);
    put(image, kCoff + 2, 1, 2);
    put(image, kCoff + 16, 0xE0, 2);
    put(image, kOptional, 0x10B, 2);
    put(image, kOptional + 92, 16);
    put(image, kOptional + 112, 0x1000);
    put(image, kOptional + 116, 0x200);
    put(image, kSections + 12, 0x1000);
    put(image, kSections + 16, 0x200);
    put(image, kSections + 20, 0x200);
    const std::uint32_t dirs[][2] = {{16, 0x80000018}, {1, 0x80000030}, {0x40C, 0x48}};
    for (std::size_t level = 0; level < 3; ++level) {
        put(image, kRoot + 0x18 * level + 14, 1, 2);
        put(image, kRoot + 0x18 * level + 16, dirs[level][0]);
        put(image, kRoot + 0x18 * level + 20, dirs[level][1]);
    }
    put(image, kRoot + 0x48, 0x1000 + 0x58);
    put(image, kRoot + 0x4C, 92);
    put(image, kVersionInfo, 92, 2);
    put(image, kVersionInfo + 2, 52, 2);
    const std::string key = "VS_VERSION_INFO";
    for (std::size_t i = 0; i < key.size(); ++i) put(image, kVersionInfo + 6 + 2 * i, key[i], 2);
    put(image, kVersionInfo + 40, 0xFEEF04BD);
    put(image, kVersionInfo + 48, high);
    put(image, kVersionInfo + 52, low);
    return image;
}

}  // namespace

TEST(KolmctlFileVersion, ReadsTheFixedFileVersion) {
    EXPECT_EQ(kolmctl::versionFromImage(imageWithVersion(0x00010002, 0x00030000)), "1.2.3");
    EXPECT_EQ(kolmctl::versionFromImage(imageWithVersion(0x00010002, 0x00030004)), "1.2.3.4");
}

TEST(KolmctlFileVersion, ADamagedFileHasNoVersion) {
    struct {
        const char* damage;
        std::size_t at;
        std::uint32_t value;
    } const cases[] = {
        {"not MZ", 0, 'X'},
        {"PE header beyond the file", 0x3C, 0xFFFFFF00},
        {"no PE signature", kPe, 0x00004551},
        {"unknown optional header", kOptional, 0x30B},
        {"no resource directory", kOptional + 92, 2},
        {"resources outside every section", kOptional + 112, 0x9000},
        {"section data beyond the file", kSections + 20, 0xFFFFFF00},
        {"no version resource", kRoot + 16, 3},
        {"a directory pointing back at the root", kRoot + 0x18 + 20, 0x80000000},
        {"data where a directory belongs", kRoot + 20, 0x18},
        {"a directory where data belongs", kRoot + 0x30 + 20, 0x80000048},
        {"version data outside every section", kRoot + 0x48, 0x9000},
        {"version data too short", kRoot + 0x4C, 40},
        {"no fixed file information", kVersionInfo + 40, 0xFEEF04BE},
    };
    for (const auto& c : cases) {
        std::string image = imageWithVersion(0x00010000, 0);
        put(image, c.at, c.value, c.at == kOptional || c.at == 0 ? 2 : 4);
        EXPECT_EQ(kolmctl::versionFromImage(image), std::nullopt) << c.damage;
    }
    // Cut anywhere, the file ends before what the reader needs.
    const std::string whole = imageWithVersion(0x00010000, 0);
    for (std::size_t size :
         {std::size_t{0}, std::size_t{0x3E}, kOptional + 100, kRoot + 0x20, kVersionInfo + 50})
        EXPECT_EQ(kolmctl::versionFromImage(whole.substr(0, size)), std::nullopt) << size;
    EXPECT_EQ(kolmctl::fileVersion("/nonexistent/kolmlpt1.dll"), std::nullopt);
}
