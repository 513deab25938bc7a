// The 20 exports, as the host calls them. Texts are Windows-1252 and owned by the
// library; the host copies what it needs and frees nothing.
#pragma once

#include <cstdint>

#include "entry.h"

struct DirectoryEntry {
    const char* signature;  // e.g. "PURE PASCAL int EA(int)"
    const void* entry;
};

KOLM_ENTRY DirectoryEntry* DLLFunctionDirectory();

// Analog inputs: channels 0 and 1 read the converters, 2 restores the port's data
// byte for a printer, 3 re-initialises the interface.
KOLM_ENTRY std::int32_t EA(std::int32_t channel);
KOLM_ENTRY double EAD(std::int32_t channel);
KOLM_ENTRY double* peaD(std::int32_t channel);
KOLM_ENTRY const char* nea(std::int32_t channel);
KOLM_ENTRY const char* nead(std::int32_t channel);

// Relays 0 to 3.
KOLM_ENTRY std::int32_t SB(std::int32_t relay, std::int32_t value);
KOLM_ENTRY std::int32_t RSB(std::int32_t relay);
KOLM_ENTRY const char* nsb(std::int32_t relay);

// Kinds of channel the interface lacks: fixed answers.
KOLM_ENTRY std::int32_t SA(std::int32_t channel, std::int32_t value);
KOLM_ENTRY const char* nsa(std::int32_t channel);
KOLM_ENTRY double SAD(std::int32_t channel, double value);
KOLM_ENTRY double* PSAD(std::int32_t channel, const double* value);
KOLM_ENTRY const char* nsad(std::int32_t channel);
KOLM_ENTRY std::int32_t RSA(std::int32_t channel);
KOLM_ENTRY double RSAD(std::int32_t channel);
KOLM_ENTRY std::int32_t EB(std::int32_t channel);
KOLM_ENTRY const char* neb(std::int32_t channel);

// Identification of the build.
KOLM_ENTRY const char* titre();
KOLM_ENTRY const char* detail();
