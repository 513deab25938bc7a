// kolmctl's pieces on their own: reading directory texts, calling by signature,
// Windows-1252 to UTF-8, the chart and the PE export reader.
#include <gtest/gtest.h>

#include <cstring>

#include "call.h"
#include "cp1252.h"
#include "live_view.h"
#include "pe_exports.h"
#include "machine_ports.h"
#include "signature.h"
#include "svg_plot.h"

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

namespace {
std::int32_t twoInts(std::int32_t a, std::int32_t b) { return a * 100 + b; }
double mixed(std::int32_t a, double b, std::int32_t c) { return a * 1000.0 + b + c; }
const double* pointerOf(std::int32_t, const double* p) { return p; }
const char* text(std::int32_t k) { return k == 1 ? "one" : ""; }
}  // namespace

TEST(KolmctlCall, PassesEachArgumentAsItsSignatureSays) {
    using kolmctl::callEntry;
    auto sig = [](const char* t) { return *kolmctl::parseSignature(t); };
    EXPECT_EQ(callEntry(reinterpret_cast<const void*>(&twoInts), sig("PURE PASCAL int F(int,int)"),
                        {kolmctl::intArg(3), kolmctl::intArg(-7)})
                  .value.i,
              293);
    EXPECT_EQ(callEntry(reinterpret_cast<const void*>(&mixed), sig("PURE PASCAL double F(int,double,int)"),
                        {kolmctl::intArg(2), kolmctl::doubleArg(0.5), kolmctl::intArg(7)})
                  .value.d,
              2007.5);
    EXPECT_STREQ(static_cast<const char*>(callEntry(reinterpret_cast<const void*>(&text),
                                                    sig("PURE PASCAL asciiz F(int)"), {kolmctl::intArg(1)})
                                              .value.p),
                 "one");
    const double v = 2.5;
    const kolmctl::Signature ptr{Type::Pointer, "P", {Type::Int, Type::Pointer}};
    EXPECT_EQ(callEntry(reinterpret_cast<const void*>(&pointerOf), ptr,
                        {kolmctl::intArg(1), kolmctl::pointerArg(&v)})
                  .value.p,
              &v);
    EXPECT_FALSE(callEntry(reinterpret_cast<const void*>(&twoInts), sig("PURE PASCAL int F(int,int)"),
                           {kolmctl::intArg(1)})
                     .called)
        << "argument count must match";
}

TEST(KolmctlCp1252, ConvertsEveryRangeToUtf8) {
    EXPECT_EQ(kolmctl::utf8FromCp1252("f\xE9vrier"), "f\xC3\xA9vrier");
    EXPECT_EQ(kolmctl::utf8FromCp1252("\x80 \x9C \xFF \xA0"), "\xE2\x82\xAC \xC5\x93 \xC3\xBF \xC2\xA0");
    EXPECT_EQ(kolmctl::utf8FromCp1252("\x81"), "\xEF\xBF\xBD") << "unassigned byte";
    EXPECT_EQ(kolmctl::utf8FromCp1252(nullptr), "");
    EXPECT_EQ(kolmctl::utf8FromCp1252("\x1B[2J\tA\x7F"), "\\x1B[2J\\x09A\\x7F") << "control bytes escaped";
}

TEST(KolmctlView, BarIsProportionalAndClamped) {
    EXPECT_EQ(kolmctl::bar(0.0, 4), "[....]");
    EXPECT_EQ(kolmctl::bar(0.5, 4), "[##..]");
    EXPECT_EQ(kolmctl::bar(1.5, 4), "[####]");
    EXPECT_EQ(kolmctl::bar(-1.0, 4), "[....]");
}

TEST(KolmctlPlot, PlacesVoltsOnTheVerticalScaleAndEscapesNames) {
    const std::string svg = kolmctl::svgPlot("a<b", {0.0, 1.0}, {{"R\xC3\xA9 & co", {0.0, 5.0}}});
    // 0 V at the bottom of the plot area (y = 370), 5 V at the top (y = 40).
    EXPECT_NE(svg.find("points=\"60.00,370.00 780.00,40.00\""), std::string::npos) << svg;
    EXPECT_NE(svg.find(">a&lt;b</text>"), std::string::npos);
    EXPECT_NE(svg.find(">R\xC3\xA9 &amp; co</text>"), std::string::npos);
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

TEST(KolmctlPlot, ALongCaptureKeepsABoundedEvenlySpacedSeries) {
    kolmctl::PlotSeries plot({"a"}, 100);
    for (int k = 0; k < 10000; ++k) plot.add(k, {k / 2000.0});
    ASSERT_LE(plot.seconds().size(), 100u);
    EXPECT_GE(plot.seconds().size(), 50u);
    const double step = plot.seconds()[1] - plot.seconds()[0];
    for (std::size_t k = 1; k < plot.seconds().size(); ++k)
        EXPECT_EQ(plot.seconds()[k] - plot.seconds()[k - 1], step);
    EXPECT_EQ(plot.series()[0].volts.back(), plot.seconds().back() / 2000.0);
    EXPECT_EQ(plot.added(), 10000);
}

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
        {0x342, 7},               // an ordinal past the function count
        {0x324, 0x7FFFFFF0},      // a name past the end
        {0x200 + 28, 0x3FE},      // the function table running off the end
        {0x98 + 96, 0xFFFFFFF0},  // the export directory past the end
        {0x3C, 0xFFFFFFFC},       // the NT headers past the end
    };
    for (const auto& d : damage) {
        auto bad = peImage();
        std::memcpy(&bad[d.at], &d.value, d.at == 0x342 ? 2 : 4);
        EXPECT_EQ(kolmctl::peExportAt(bad.data(), bad.size(), 0x2000), "") << std::hex << d.at;
    }
}

// The configuration manager's I/O descriptors (IO_DES, packed: count, type, 64-bit
// first and last port, flags), as it answers for a parallel-port device.
TEST(KolmctlPorts, ReadsTheParallelBaseFromTheIoDescriptors) {
    auto descriptor = [](std::uint64_t first, std::uint64_t last) {
        std::vector<unsigned char> d(28, 0);
        for (int k = 0; k < 8; ++k) {
            d[8 + k] = static_cast<unsigned char>(first >> (8 * k));
            d[16 + k] = static_cast<unsigned char>(last >> (8 * k));
        }
        d[24] = 0x11;  // flags: 16-bit decode, port I/O
        return d;
    };
    struct {
        const char* device;
        std::vector<std::vector<unsigned char>> answers;
        std::uint16_t base;
    } const cases[] = {
        {"board port, SPP and ECP", {descriptor(0x378, 0x37F), descriptor(0x778, 0x77A)}, 0x378},
        {"PCIe card, ECP range first", {descriptor(0xD000, 0xD003), descriptor(0xD010, 0xD017)}, 0xD010},
        {"old port, its 3 registers", {descriptor(0x3BC, 0x3BE)}, 0x3BC},
        {"PCIe card, one range", {descriptor(0xD010, 0xD017)}, 0xD010},
        {"nothing usable", {descriptor(0x3BD, 0x3BF), descriptor(0x10000, 0x10007), {1, 2, 3}}, 0},
    };
    for (const auto& c : cases) {
        std::vector<kolmctl::IoRange> ranges;
        for (const auto& a : c.answers) {
            kolmctl::IoRange r{};
            if (kolmctl::parseIoDescriptor(a.data(), a.size(), r)) ranges.push_back(r);
        }
        EXPECT_EQ(kolmctl::parallelBase(ranges), c.base) << c.device;
    }
}
