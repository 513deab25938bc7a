// kolmctl's readers of untrusted bytes on their own: directory texts, Windows-1252
// to UTF-8, the PE export directory and the version resource. A damaged or hostile
// file yields "not exported" or no version, and nothing is read outside its bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "cp1252.h"
#include "messages.h"
#include "pe_exports.h"
#include "signature.h"
#include "utf8.h"
#include "version_resource.h"

using kolmctl::Type;

TEST(KolmctlSignature, ReadsEveryFormTheDirectoryUses) {
    struct {
        const char* text;
        Type result;
        const char* name;
        std::vector<Type> params;
    } const cases[] = {
        {"PURE PASCAL int EA(int)", Type::Int, "EA", {Type::Int}},
        {"PURE PASCAL INT SB(int,int)", Type::Int, "SB", {Type::Int, Type::Int}},
        {"PURE PASCAL double SAD(int,double)", Type::Double, "SAD", {Type::Int, Type::Double}},
        {"PURE PASCAL DOUBLE RSAD(INT)", Type::Double, "RSAD", {Type::Int}},
        {"PURE PASCAL asciiz Detail()", Type::Text, "Detail", {}},
    };
    for (const auto& c : cases) {
        const auto sig = kolmctl::parseSignature(c.text);
        ASSERT_TRUE(sig) << c.text;
        EXPECT_EQ(sig->result, c.result) << c.text;
        EXPECT_EQ(sig->name, c.name);
        EXPECT_EQ(sig->params, c.params) << c.text;
    }
}

TEST(KolmctlSignature, RejectsTextsOfAnotherForm) {
    for (const char* text :
         {"PASCAL int EA(int)", "PURE PASCAL float EA(int)", "PURE PASCAL int EA(long)",
          "PURE PASCAL int EA(int", "PURE PASCAL int EA(int) ", "PURE PASCAL int (int)",
          "PURE PASCAL int E A(int)", "PURE PASCAL int EA(int,)", "PURE PASCAL int EA(asciiz)"}) {
        std::string why;
        EXPECT_FALSE(kolmctl::parseSignature(text, &why)) << text;
        EXPECT_FALSE(why.empty()) << text;
    }
}

// What the system names ports and folders with reaches a JSON reader as UTF-8.
TEST(KolmctlUtf8, KeepsWellFormedTextAndReplacesTheRest) {
    const std::string replaced = "\xEF\xBF\xBD";
    EXPECT_EQ(kolmctl::validUtf8("PCIe \xC3\xA0 parall\xC3\xA8le \xE2\x82\xAC \xF0\x9F\x94\x8C"),
              "PCIe \xC3\xA0 parall\xC3\xA8le \xE2\x82\xAC \xF0\x9F\x94\x8C");
    EXPECT_EQ(kolmctl::validUtf8("lp\xE9"), "lp" + replaced) << "a Latin-1 byte";
    EXPECT_EQ(kolmctl::validUtf8("\xC0\xAF\xED\xA0\x80"),
              replaced + replaced + replaced + replaced + replaced)
        << "an overlong form and a surrogate";
    EXPECT_EQ(kolmctl::validUtf8("\xE2\x82"), replaced + replaced) << "cut short";
}

// The side's answer about a load is read back only as a load can give it.
TEST(KolmctlMessages, ALoadAnswerWithAnOutcomeNoLoadGivesIsGarbled) {
    kolmctl::LoadAnswer sent;
    sent.outcome = kolmctl::LoadOutcome::NullDirectory;
    std::string bytes = kolmctl::loadAnswer(sent);
    kolmctl::LoadAnswer read;
    EXPECT_TRUE(kolmctl::readLoadAnswer(bytes, read));
    EXPECT_EQ(read.outcome, kolmctl::LoadOutcome::NullDirectory);
    for (const int outcome : {5, 11, 255}) {
        bytes[0] = static_cast<char>(outcome);
        EXPECT_FALSE(kolmctl::readLoadAnswer(bytes, read)) << outcome;
    }
}

TEST(KolmctlCp1252, ConvertsEveryRangeToUtf8) {
    EXPECT_EQ(kolmctl::utf8FromCp1252("f\xE9vrier"), "f\xC3\xA9vrier");
    EXPECT_EQ(kolmctl::utf8FromCp1252("\x80 \x9C \xFF \xA0"), "\xE2\x82\xAC \xC5\x93 \xC3\xBF \xC2\xA0");
    EXPECT_EQ(kolmctl::utf8FromCp1252("\x81"), "\xEF\xBF\xBD") << "unassigned byte";
    EXPECT_EQ(kolmctl::utf8FromCp1252(nullptr), "");
    EXPECT_EQ(kolmctl::utf8FromCp1252("\x1B[2J\tA\x7F"), "\\x1B[2J\\x09A\\x7F") << "control bytes escaped";
}

namespace {
// A PE32 image as the loader maps it, with an export directory of two functions.
std::vector<unsigned char> peImage() {
    std::vector<unsigned char> img(0x400);
    auto put32 = [&](std::size_t at, std::uint32_t v) { std::memcpy(&img[at], &v, 4); };
    auto put16 = [&](std::size_t at, std::uint16_t v) { std::memcpy(&img[at], &v, 2); };
    put32(0x3C, 0x80);
    put32(0x80, 0x4550);  // "PE\0\0"
    put16(0x98, 0x10B);   // PE32
    put32(0x98 + 56, 0x400);
    put32(0x98 + 92, 16);
    put32(0x98 + 96, 0x200);  // the export directory
    const std::uint32_t directory[] = {2, 2, 0x300, 0x320, 0x340};
    for (std::size_t k = 0; k < 5; ++k) put32(0x200 + 20 + 4 * k, directory[k]);
    put32(0x300, 0x1000), put32(0x304, 0x2000);
    put32(0x320, 0x360), put32(0x324, 0x368);
    std::memcpy(&img[0x360], "EA", 3), std::memcpy(&img[0x368], "SB", 3);
    put16(0x340, 0), put16(0x342, 1);
    return img;
}
}  // namespace

TEST(KolmctlPeImage, NamesAnExportAndNeverReadsOutsideTheImage) {
    auto img = peImage();
    EXPECT_EQ(kolmctl::peImageSize(img.data(), 0x100), 0x400u);
    EXPECT_EQ(kolmctl::peExportAt(img.data(), img.size(), 0x1000), "EA");
    EXPECT_EQ(kolmctl::peExportAt(img.data(), img.size(), 0x2000), "SB");
    EXPECT_EQ(kolmctl::peExportAt(img.data(), img.size(), 0x3000), "");
    struct {
        std::size_t at;
        std::uint32_t value;
    } const damage[] = {
        {0x200 + 20, 1},          // SB's ordinal 1 past a function table cut to one entry
        {0x324, 0x7FFFFFF0},      // a name past the end
        {0x200 + 28, 0x3FE},      // the function table running off the end
        {0x98 + 96, 0xFFFFFFF0},  // the export directory past the end
        {0x3C, 0xFFFFFFFC},       // the NT headers past the end
    };
    for (const auto& d : damage) {
        auto bad = peImage();
        std::memcpy(&bad[d.at], &d.value, 4);
        EXPECT_EQ(kolmctl::peExportAt(bad.data(), bad.size(), 0x2000), "") << std::hex << d.at;
    }
}

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
