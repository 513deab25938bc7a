// Makes a session's steps on the LPT1 plug-in linked into the fuzzer and on the
// simulated bench, and records what each call did for the reference to judge.
#pragma once

#include <cstdint>

#include "host_calls.h"
#include "host_contract.h"
#include "variant.h"

// The port this build drives and the one it must never touch, with its texts.
inline constexpr VariantContract kVariant =
    kolm::variant::portBase == kLpt1Contract.base ? kLpt1Contract : kLpt2Contract;

// Everything the plug-in keeps, and what the two ports' latches hold.
struct State {
    std::uint16_t dataPort, statusPort;
    std::uint32_t savedData;
    std::uint8_t resolution;
    std::uint8_t relayLines[4];
    std::uint8_t relayState;
    std::uint8_t latch, otherLatch;
    bool open;

    bool operator==(const State&) const = default;
};

// A call's answer, and the state around it; the bench's trace holds its accesses.
struct Outcome {
    State before{}, after{};
    bool fresh = false;             // the box's converters waited for a reading as it began
    std::int32_t number = 0;        // an integer answer
    double real = 0.0;              // a double answer, or the double a pointer answer points to
    const void* address = nullptr;  // a text, double or directory answer
    bool failed = false;            // an access failed
};

// A fresh load of the library: all state zero, the port holding `held`, then the
// loader's start-up.
Outcome load(const Session& session);
Outcome run(const Step& step);
