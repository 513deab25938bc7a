#include "reference_model.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "bench_trace.h"
#include "entry_points.h"
#include "expected_directory.h"
#include "fuzz_check.h"
#include "kolm_box.h"
#include "kolmsim.h"
#include "listed_entry_points.h"

using kolm::NO_VALUE;

namespace {

constexpr std::uint16_t kBase = kVariant.base;
// A count whose converters may have started mid-sample: only its range is known.
constexpr std::int32_t kAnyCount = -1;

bool isAnalogChannel(std::int32_t c) { return c >= 0 && c <= 3; }
bool isRelay(std::int32_t r) { return r >= 0 && r <= 3; }
bool refused() { return kolmsim_access_refused() != 0; }

// Only this variant's data and status registers are ever reached.
void checkOwnPortOnly() {
    for (const KolmsimAccess& a : benchTrace())
        KOLM_CHECK(a.port == kBase || (a.port == kBase + 1 && !a.isWrite));
}

void checkUntouched(const Outcome& o) {
    KOLM_CHECK(kolmsim_access_count() == 0);
    KOLM_CHECK(o.after == o.before);
}

// What a call must leave, and every access the port must have seen on the way.
struct Expected {
    explicit Expected(const State& before) : state(before) {}
    State state;
    std::vector<KolmsimAccess> trace;

    // The start-up: the data byte read and saved, written back with its relays,
    // clock high, D6 low, supply on.
    void initialise() {
        trace.push_back(R(kBase, state.latch));
        state.savedData = state.latch;
        write((state.latch & 0x0F) | 0xB0);
        state.open = true;
    }
    void write(unsigned value) {
        state.latch = static_cast<std::uint8_t>(value);
        trace.push_back(W(kBase, state.latch));
    }
    void check(const Outcome& o) const {
        KOLM_CHECK(benchTrace() == trace);
        KOLM_CHECK(o.after == state);
    }
};

void checkRelaysKept(const Outcome& o) {
    KOLM_CHECK(o.after.relayState == o.before.relayState);
    KOLM_CHECK(std::memcmp(o.after.relayLines, o.before.relayLines, 4) == 0);
}

// A reading: every write keeps the relay nibble, and D6 is high at the end.
void checkReadingWrites(const Outcome& o) {
    for (const KolmsimAccess& a : benchTrace())
        if (a.isWrite) KOLM_CHECK((a.value & 0x0F) == (o.before.latch & 0x0F));
    KOLM_CHECK(o.after.latch == ((o.before.latch & 0x0F) | 0x70));
}

// The count a reading of `channel` must give: the box's sample clocked out most
// significant bit first, `resolution` bits into 16; past the box's 10 bits its
// lines stay low. With nothing connected ACK floats high and BUSY reads as 1.
std::int32_t expectedCount(std::int32_t channel, unsigned resolution) {
    constexpr unsigned bits = kolmsim::Box::bits;
    const bool connected = kolmsim_connected(kBase) != 0;
    const auto sample = static_cast<unsigned>(kolmsim_count(kBase, channel));
    std::uint16_t v = 0;
    for (unsigned i = 0; i < resolution; ++i) {
        const bool bit = !connected || (i < bits && ((sample >> (bits - 1 - i)) & 1u) != 0);
        v = static_cast<std::uint16_t>((v << 1) | (bit ? 1 : 0));
    }
    return v;
}

// EA(0) or EA(1): both converters clocked out, 3 + 4 x resolution accesses.
std::int32_t reading(std::int32_t channel, const Outcome& o) {
    KOLM_CHECK(kolmsim_access_count() == 3u + 4u * o.before.resolution);
    KOLM_CHECK(kolmsim_trace_length() == kolmsim_access_count());
    checkReadingWrites(o);
    State expected = o.before;
    expected.latch = o.after.latch;
    KOLM_CHECK(o.after == expected);
    // Converters left mid-sample by an earlier call shift the reading; the box
    // decodes only a reading that starts from reset.
    return o.fresh || !kolmsim_connected(kBase) ? expectedCount(channel, o.before.resolution) : kAnyCount;
}

void checkCount(std::int32_t got, std::int32_t expected) {
    if (expected == kAnyCount) KOLM_CHECK(got >= 0 && got <= 0xFFFF);
    else KOLM_CHECK(got == expected);
}

// EAD and peaD: the count over a 5 V full scale of 1024; channels 2 and 3 give
// NO_VALUE through the same scaling, done or not; any other call that took no
// reading gives -777.0.
void checkVolts(double got, std::int32_t channel, std::int32_t count) {
    if (count == kAnyCount) KOLM_CHECK(got >= 0.0 && got < 5.0 * 65536 / 1024);
    else if (channel == 2 || channel == 3 || count != NO_VALUE) KOLM_CHECK(got == count * 5.0 / 1024.0);
    else KOLM_CHECK(got == -777.0);
}

// SB(relay, value): exactly 1 is on, anything else off; every relay line is
// rewritten from the requests with the converter's nibble kept, and the read-back
// agrees with what the box's coils see.
void checkSwitch(const Step& s, const Outcome& o) {
    if (!isRelay(s.n) || refused()) {
        checkUntouched(o);
        KOLM_CHECK(o.number == NO_VALUE);
        return;
    }
    // relay x 100 + value, wrapping as a 32-bit host computes it.
    KOLM_CHECK(o.number == static_cast<std::int32_t>(static_cast<std::uint32_t>(s.n) * 100u +
                                                     static_cast<std::uint32_t>(s.value)));
    Expected e{o.before};
    if (!e.state.open) e.initialise();  // a port not yet started is started first
    e.state.relayLines[s.n] = s.value == 1 ? 1 : 0;
    std::uint8_t lines = 0;
    for (unsigned k = 0; k < 4; ++k)
        if (e.state.relayLines[k]) lines |= static_cast<std::uint8_t>(1u << k);
    e.trace.push_back(R(kBase, e.state.latch));
    e.write((e.state.latch & 0xF0) | lines);
    e.state.relayState = lines;
    e.check(o);
}

// The texts an entry gives for `n`. Compared up to the expected NUL: a name ends
// within the host's 21-byte buffer.
std::string expectedText(Entry e, std::int32_t n) {
    switch (e) {
    case Entry::nea:
    case Entry::nead:
        if (n == 2) return "RAZ pour impression";
        if (n == 3) return "R\xE9initialisation";
        if (n != 0 && n != 1) return "";
        return (e == Entry::nea ? "CAN voie " : "tension voie ") + std::to_string(n);
    case Entry::nsb: return isRelay(n) ? "relais " + std::to_string(n) : "";
    case Entry::titre: return kVariant.title;
    case Entry::detail: return kVariant.detail;
    default: return "";  // nsa, nsad, neb: kinds of channel the box lacks
    }
}

bool sameText(const void* got, const char* want) {
    return std::memchr(got, '\0', std::strlen(want) + 1) != nullptr &&
           std::strcmp(static_cast<const char*>(got), want) == 0;
}

// The directory: each listed entry at its place with its exact text, then the
// entry of nulls that ends it.
void checkDirectory(const void* address) {
    KOLM_CHECK(
        host::directoryDifferences(static_cast<const DirectoryEntry*>(address), listedEntryPoint).empty());
}

// Texts, peaD's and PSAD's doubles and the directory come by address: never null,
// and the same address on every call, as a host that keeps the pointer expects.
void checkAddress(Entry e, const void* got) {
    constexpr Entry kByValue[] = {Entry::EA, Entry::EAD, Entry::SA,   Entry::SAD, Entry::EB,
                                  Entry::SB, Entry::RSA, Entry::RSAD, Entry::RSB};
    static const void* first[kEntryCount] = {};
    if (std::ranges::find(kByValue, e) != std::end(kByValue)) return;
    KOLM_CHECK(got != nullptr);
    const void*& seen = first[static_cast<int>(e)];
    if (!seen) seen = got;
    KOLM_CHECK(got == seen);
}

}  // namespace

void Reference::checkLoad(const Outcome& o) {
    // 10-bit readings on this variant's port, then the start-up unless access is refused.
    Expected e{o.before};
    e.state.dataPort = kBase;
    e.state.statusPort = kBase + 1;
    e.state.resolution = 10;
    if (!refused()) e.initialise();
    e.check(o);
    lenient_ = false;
}

void Reference::check(const Step& s, const Outcome& o) {
    if (s.kind != Step::Kind::Call) return;
    checkOwnPortOnly();
    checkAddress(s.entry, o.address);
    if (s.failure.count != 0) return failing(s, o);
    switch (s.entry) {
    case Entry::EA: return checkCount(o.number, analog(s.n, o));
    case Entry::EAD:
    case Entry::peaD: return checkVolts(o.real, s.n, analog(s.n, o));
    case Entry::SB: return checkSwitch(s, o);
    default: break;
    }
    checkUntouched(o);
    switch (s.entry) {
    case Entry::SA:
    case Entry::EB:
    case Entry::RSA: KOLM_CHECK(o.number == NO_VALUE); break;
    case Entry::RSB:
        KOLM_CHECK(o.number == (isRelay(s.n) ? (o.before.relayState >> s.n) & 1 : NO_VALUE));
        break;
    case Entry::RSAD: KOLM_CHECK(o.real == -777.0); break;
    case Entry::PSAD: KOLM_CHECK(o.address != &s.real); [[fallthrough]];
    case Entry::SAD: KOLM_CHECK(o.real == 0.0 && !std::signbit(o.real)); break;  // +0.0, not "no value"
    case Entry::Directory: checkDirectory(o.address); break;
    default: KOLM_CHECK(sameText(o.address, expectedText(s.entry, s.n).c_str())); break;
    }
}

// What EA, EAD or peaD on `channel` did to the port and the state; returns the
// count the call had to answer.
std::int32_t Reference::analog(std::int32_t channel, const Outcome& o) {
    if (!isAnalogChannel(channel) || refused()) {
        checkUntouched(o);
        return NO_VALUE;
    }
    if (lenient_) return recovering(channel, o);
    if (channel < 2) return reading(channel, o);
    Expected e{o.before};
    if (channel == 3 || !e.state.open) e.initialise();  // 3 re-initialises
    if (channel == 2) e.write(e.state.savedData);       // the byte read at the last initialisation goes back
    e.check(o);
    return NO_VALUE;
}

// EA(channel) on a port that failed earlier: the relays are kept and nothing is
// recorded; once a reading completes the exact checks resume.
std::int32_t Reference::recovering(std::int32_t channel, const Outcome& o) {
    checkRelaysKept(o);
    if (channel >= 2) return NO_VALUE;
    checkReadingWrites(o);
    KOLM_CHECK(o.after.open);
    lenient_ = false;
    return kAnyCount;
}

// A request made while the port fails: if an access failed, the request stopped
// there, answers "no value" and records nothing; no failed read ever becomes a
// reading or a relay state.
void Reference::failing(const Step& s, const Outcome& o) {
    KOLM_CHECK(kolmsim_attempts_after_failure() == 0);
    if (refused()) return checkUntouched(o);
    lenient_ = true;
    if (!o.failed) return;
    if (s.entry == Entry::EA || s.entry == Entry::SB) KOLM_CHECK(o.number == NO_VALUE);
    else checkVolts(o.real, s.n, NO_VALUE);
    checkRelaysKept(o);
    KOLM_CHECK(o.after.savedData == o.before.savedData);
}
