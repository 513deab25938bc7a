// Entry points for kinds of channel the KOLM interface does not have (analog
// outputs, their read-back, on/off inputs): fixed answers, no port access.
// And the two texts that identify the build to the host.
#include "entry_points.h"
#include "variant.h"

using kolm::NO_VALUE;

namespace {
constexpr char kEmpty[] = "";
double psadValue;
}  // namespace

KOLM_ENTRY std::int32_t SA(std::int32_t, std::int32_t) { return NO_VALUE; }
KOLM_ENTRY const char* nsa(std::int32_t) { return kEmpty; }
// Setting an analog output answers 0.0, not "no value".
KOLM_ENTRY double SAD(std::int32_t, double) { return 0.0; }
KOLM_ENTRY const char* nsad(std::int32_t) { return kEmpty; }
KOLM_ENTRY std::int32_t RSA(std::int32_t) { return NO_VALUE; }
KOLM_ENTRY double RSAD(std::int32_t) { return kolm::NO_VALUE_DOUBLE; }
KOLM_ENTRY std::int32_t EB(std::int32_t) { return NO_VALUE; }
KOLM_ENTRY const char* neb(std::int32_t) { return kEmpty; }

KOLM_ENTRY double* PSAD(std::int32_t channel, const double* value) {
    // A null pointer is answered, not followed: the host gets 0.0 as for any value.
    psadValue = SAD(channel, value ? *value : 0.0);
    return &psadValue;
}

KOLM_ENTRY const char* titre() { return kolm::variant::title; }
KOLM_ENTRY const char* detail() { return kolm::variant::detail; }
