// Calling an entry point by its parsed signature, with this build's convention.
#include <gtest/gtest.h>

#include "call.h"

using kolmctl::Type;

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
    const std::uint64_t one = callEntry(reinterpret_cast<const void*>(&text),
                                        sig("PURE PASCAL asciiz F(int)"), {kolmctl::intArg(1)})
                                  .value.address;
    EXPECT_EQ(one, reinterpret_cast<std::uintptr_t>(text(1)));
    const double v = 2.5;
    const kolmctl::Signature ptr{Type::Pointer, "P", {Type::Int, Type::Pointer}};
    EXPECT_EQ(callEntry(reinterpret_cast<const void*>(&pointerOf), ptr,
                        {kolmctl::intArg(1), kolmctl::pointerArg(&v)})
                  .value.address,
              reinterpret_cast<std::uintptr_t>(&v));
    EXPECT_FALSE(callEntry(reinterpret_cast<const void*>(&twoInts), sig("PURE PASCAL int F(int,int)"),
                           {kolmctl::intArg(1)})
                     .called)
        << "argument count must match";
}
