// What every entry point shares: the host's calling convention and "no value".
#pragma once

#include <cstdint>

#include "interface_facts.h"

// The host calls every entry point with the 32-bit register convention it knows as
// "PURE PASCAL": the first three integer or pointer arguments in EAX, EDX, ECX, a
// double on the stack and removed by the callee, EBX/ESI/EDI/EBP preserved. GCC's
// regparm(3) with stdcall is exactly that. x86-64 has no such convention: there the
// entry points use the platform's C ABI with the same argument and result types.
#if defined(__i386__)
#define KOLM_CALL __attribute__((regparm(3), stdcall))
#else
#define KOLM_CALL
#endif

// Windows exports through the generated .def; ELF builds hide everything else.
#if defined(_WIN32)
#define KOLM_ENTRY extern "C" KOLM_CALL
#else
#define KOLM_ENTRY extern "C" __attribute__((visibility("default"))) KOLM_CALL
#endif

namespace kolm {
// Answer of an integer entry point that has no value; double ones answer -777.0.
constexpr std::int32_t NO_VALUE = facts::kNoValue;
constexpr double NO_VALUE_DOUBLE = facts::kNoValue;
}  // namespace kolm
