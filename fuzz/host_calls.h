// What one fuzz input asks for, decoded from its bytes: the bench at load, then a
// sequence of steps, each a call a careless host could make (arbitrary 32-bit
// numbers and doubles, sometimes on a port that fails part-way) or a change made
// to the bench between two calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "expected_directory.h"

// The entry points: the listed ones first, in the order of the function directory,
// in rows as it lists them.
// clang-format off
enum class Entry : std::uint8_t {
    EA, nea, EAD, nead, SA, nsa, SAD, nsad, EB, neb, SB, nsb, titre, detail, RSA, RSAD, RSB,
    peaD, PSAD, Directory
};
// clang-format on
static_assert(static_cast<int>(Entry::RSB) + 1 == kListedCount);
constexpr int kEntryCount = static_cast<int>(Entry::Directory) + 1;

// Of the accesses of `kinds` (KOLMSIM_FAIL_READS, _WRITES) a call makes, those from
// the `first` on fail, `count` of them; count 0: a port that works.
struct PortFailure {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
    int kinds = 0;
};

struct Step {
    enum class Kind : std::uint8_t { Call, SetInputs, Unplug, Resolution };
    Kind kind = Kind::Call;
    Entry entry = Entry::EA;
    std::int32_t n = 0;           // channel or relay
    std::int32_t value = 0;       // SA's and SB's second argument
    double real = 0.0;            // SAD's and PSAD's value
    bool passReal = false;        // PSAD gets the address of `real`, else a null pointer
    PortFailure failure;          // the port the call is made on
    std::int32_t inputs[2] = {};  // SetInputs: the counts asked of the box's converters
    std::uint8_t resolution = 0;  // Resolution: the bits a reading clocks out from now on
};

struct Session {
    std::uint8_t held = 0;    // the data byte the port held before load
    bool refused = false;     // the platform refuses access to the port
    bool connected = true;    // the box plugged into the port
    std::vector<Step> steps;  // the first sets the box's inputs
};

Session decode(const std::uint8_t* data, std::size_t size);
