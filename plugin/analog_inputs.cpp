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
// What EAD answers for the two actions, done or not: NO_VALUE through the scaling of
// a count, as EA answers NO_VALUE for them either way.
constexpr double kActionVolts = NO_VALUE * 5.0 / 1024.0;

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

// One host request on the port. False when it did not happen: no port, or an
// access failed (the procedure then stopped there).
bool take(std::int32_t channel, std::int32_t& count) {
    if (channel == kReinitialise) return kolm::reinitInterface();
    if (!kolm::portReady()) return false;
    if (channel == kRestoreForPrinter) return kolm::restorePort();
    // Both converters are clocked out together; the other channel is discarded.
    std::uint16_t ch0 = 0;
    std::uint16_t ch1 = 0;
    if (!kolm::readChannels(ch0, ch1)) return false;
    count = channel == 0 ? ch0 : ch1;
    return true;
}
}  // namespace

KOLM_ENTRY std::int32_t EA(std::int32_t channel) {
    std::int32_t count = NO_VALUE;  // channels 2 and 3 answer "no value" when done too
    if (!(isConverter(channel) || isAction(channel)) || !take(channel, count)) return NO_VALUE;
    return count;
}

KOLM_ENTRY double EAD(std::int32_t channel) {
    std::int32_t count = NO_VALUE;
    if (isAction(channel)) {
        take(channel, count);
        return kActionVolts;
    }
    // No reading: no count to scale.
    if (!isConverter(channel) || !take(channel, count)) return kolm::NO_VALUE_DOUBLE;
    // 10 bits over a 5 V full scale.
    return static_cast<double>(count) * 5.0 / 1024.0;
}

KOLM_ENTRY double* peaD(std::int32_t channel) {
    peaValue = EAD(channel);
    return &peaValue;
}

KOLM_ENTRY const char* nea(std::int32_t channel) { return channelName(neaName, "CAN voie ", channel); }

KOLM_ENTRY const char* nead(std::int32_t channel) { return channelName(neadName, "tension voie ", channel); }
