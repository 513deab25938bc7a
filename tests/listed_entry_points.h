// This build's entry points in the order a host must find them in the function
// directory, for tests and the fuzzer that link the plug-in's code (the texts that go
// with them are in expected_directory.h).
#pragma once

#include <cstring>
#include <iterator>

#include "entry_points.h"
#include "expected_directory.h"

inline const void* const kListedEntryPoints[] = {
    reinterpret_cast<const void*>(&EA),    reinterpret_cast<const void*>(&nea),
    reinterpret_cast<const void*>(&EAD),   reinterpret_cast<const void*>(&nead),
    reinterpret_cast<const void*>(&SA),    reinterpret_cast<const void*>(&nsa),
    reinterpret_cast<const void*>(&SAD),   reinterpret_cast<const void*>(&nsad),
    reinterpret_cast<const void*>(&EB),    reinterpret_cast<const void*>(&neb),
    reinterpret_cast<const void*>(&SB),    reinterpret_cast<const void*>(&nsb),
    reinterpret_cast<const void*>(&titre), reinterpret_cast<const void*>(&detail),
    reinterpret_cast<const void*>(&RSA),   reinterpret_cast<const void*>(&RSAD),
    reinterpret_cast<const void*>(&RSB),
};
static_assert(std::size(kListedEntryPoints) == std::size(kExpectedDirectory));

// This build's entry point behind the export `name` of a listed entry.
inline const void* listedEntryPoint(const char* name) {
    for (int k = 0; k < kListedCount; ++k)
        if (std::strcmp(kExpectedDirectory[k].exportName, name) == 0) return kListedEntryPoints[k];
    return nullptr;
}
