// Analog inputs: the two converter channels as counts and volts, their names, and
// the two port actions reached as channels 2 and 3.
#include "entry_points.h"
#include "kolmunit.h"
#include "name_buffer.h"

using kolm::NO_VALUE;

namespace {
constexpr std::int32_t kRestoreForPrinter = 2;
constexpr std::int32_t kReinitialise = 3;
constexpr char kRestoreName[] = "RAZ pour impression";
constexpr char kReinitName[] = "R\xE9initialisation";  // Windows-1252

kolm::NameBuffer neaName;
kolm::NameBuffer neadName;
double peaValue;

bool isConverter(std::int32_t channel) { return channel == 0 || channel == 1; }
bool isAction(std::int32_t channel) { return channel == kRestoreForPrinter || channel == kReinitialise; }

const char* channelName(kolm::NameBuffer& buffer, const char* prefix, std::int32_t channel) {
    if (isConverter(channel)) return buffer.set(prefix, static_cast<char>('0' + channel));
    if (channel == kRestoreForPrinter) return buffer.set(kRestoreName);
    if (channel == kReinitialise) return buffer.set(kReinitName);
    return buffer.set("");
}
}  // namespace

KOLM_ENTRY std::int32_t EA(std::int32_t channel) {
    if (!(isConverter(channel) || isAction(channel)) || !kolm::portOpen()) return NO_VALUE;
    if (channel == kRestoreForPrinter) {
        kolm::restorePort();
        return NO_VALUE;
    }
    if (channel == kReinitialise) {
        kolm::initInterface();
        return NO_VALUE;
    }
    // Both converters are clocked out together; the other channel is discarded.
    std::uint16_t ch0 = 0;
    std::uint16_t ch1 = 0;
    kolm::readChannels(ch0, ch1);
    return channel == 0 ? ch0 : ch1;
}

KOLM_ENTRY double EAD(std::int32_t channel) {
    if (!(isConverter(channel) || isAction(channel))) return kolm::NO_VALUE_DOUBLE;
    // No port: there is no reading to scale (channels 2 and 3 scale NO_VALUE as always).
    if (isConverter(channel) && !kolm::portOpen()) return kolm::NO_VALUE_DOUBLE;
    // 10 bits over a 5 V full scale.
    return static_cast<double>(EA(channel)) * 5.0 / 1024.0;
}

KOLM_ENTRY double* peaD(std::int32_t channel) {
    peaValue = EAD(channel);
    return &peaValue;
}

KOLM_ENTRY const char* nea(std::int32_t channel) { return channelName(neaName, "CAN voie ", channel); }

KOLM_ENTRY const char* nead(std::int32_t channel) { return channelName(neadName, "tension voie ", channel); }
