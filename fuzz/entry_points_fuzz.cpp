// Drives the LPT1 plug-in the way a careless host could: each input is a bench
// (what the port held at load, the box's inputs, connected or not, port access
// refused or not) and a sequence of entry-point calls with arbitrary 32-bit
// numbers and doubles. After every call the harness checks what the port saw and
// what the host got back; a broken promise stops the run with a trap.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "entry_points.h"
#include "kolmsim.h"
#include "kolmunit.h"
#include "listed_entry_points.h"
#include "relays.h"
#include "startup.h"
#include "variant.h"

namespace {

constexpr std::uint16_t kBase = kolm::variant::portBase;
constexpr std::uint16_t kStatus = kBase + 1;
constexpr std::uint16_t kOtherBase = kBase == 0x378 ? 0x278 : 0x378;
constexpr std::size_t kNameSize = 21;  // nea, nead, nsb: 20 characters and the NUL
constexpr double kNoValueVolts = -777.0 * 5.0 / 1024.0;

#define KOLM_CHECK(cond)               \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)

// Reads the fuzzer's bytes; past the end it reads zeros.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool more() const { return pos_ < size_; }
    std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::uint32_t word() {
        std::uint32_t w = 0;
        for (int i = 0; i < 4; ++i) w |= static_cast<std::uint32_t>(byte()) << (8 * i);
        return w;
    }

    // A channel, relay or value: mostly around the valid range, sometimes an
    // extreme, sometimes any 32 bits.
    std::int32_t number() {
        const std::uint8_t pick = byte();
        if (pick < 0xC0) return static_cast<std::int32_t>(pick % 8) - 2;  // -2 to 5
        switch (pick % 8) {
        case 0: return std::numeric_limits<std::int32_t>::min();
        case 1: return std::numeric_limits<std::int32_t>::max();
        case 2: return std::numeric_limits<std::int32_t>::min() + 1;
        case 3: return -777;
        case 4: return 256;      // 0 in the low byte
        case 5: return 0x10001;  // 1 in the low 16 bits only
        default: return static_cast<std::int32_t>(word());
        }
    }

    double real() {
        const std::uint8_t pick = byte();
        switch (pick % 12) {
        case 0: return std::numeric_limits<double>::quiet_NaN();
        case 1: return -std::numeric_limits<double>::quiet_NaN();
        case 2: return std::numeric_limits<double>::signaling_NaN();
        case 3: return std::numeric_limits<double>::infinity();
        case 4: return -std::numeric_limits<double>::infinity();
        case 5: return std::numeric_limits<double>::denorm_min();
        case 6: return -std::numeric_limits<double>::denorm_min();
        case 7: return -0.0;
        case 8: return std::numeric_limits<double>::max();
        case 9: return 3.3;
        default: {
            const std::uint64_t bits = word() | static_cast<std::uint64_t>(word()) << 32;
            double d = 0.0;
            std::memcpy(&d, &bits, sizeof d);
            return d;
        }
        }
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// What the harness knows of the bench, to say what a reading must decode to.
struct Bench {
    bool refused = false;
    bool connected = true;
    int count[2] = {0, 0};
    // Whether the box's converters wait for a fresh reading: the box resets them
    // whenever D6 is high or their supply (D4, D5) is off, and only a rising clock
    // edge while selected and powered moves them on.
    bool convertersReset = true;
    // A call made on a failing port left the plug-in to recover on its own (start-up
    // to complete, converters to reset): until a reading completes, calls are held
    // to what must hold whatever the recovery, not to exact traces.
    bool lenient = false;
};
Bench bench;

bool powered(std::uint8_t data) { return (data & 0x30) == 0x30; }

void followConverters(std::uint8_t before, std::uint8_t after) {
    if (!powered(after) || (after & 0x40)) bench.convertersReset = true;
    else if (powered(before) && !(before & 0x80) && (after & 0x80)) bench.convertersReset = false;
}

// Everything the plug-in keeps, and what the two ports hold.
struct State {
    std::uint16_t dataPort, statusPort;
    std::uint32_t savedData;
    std::uint8_t resolution;
    std::uint8_t relayLines[4];
    std::uint8_t relayState;
    std::uint8_t latch, otherLatch;
    bool open;

    bool operator==(const State& o) const {
        return dataPort == o.dataPort && statusPort == o.statusPort && savedData == o.savedData &&
               resolution == o.resolution && std::memcmp(relayLines, o.relayLines, 4) == 0 &&
               relayState == o.relayState && latch == o.latch && otherLatch == o.otherLatch && open == o.open;
    }
};

State snapshot() {
    State s{};
    s.dataPort = kolm::unit.dataPort;
    s.statusPort = kolm::unit.statusPort;
    s.savedData = kolm::unit.savedData;
    s.resolution = kolm::unit.resolution;
    std::memcpy(s.relayLines, kolm::unit.relayLines, 4);
    s.relayState = kolm::relayState;
    s.latch = kolmsim_data(kBase);
    s.otherLatch = kolmsim_data(kOtherBase);
    s.open = kolm::portStarted();
    return s;
}

std::size_t accesses() { return static_cast<std::size_t>(kolmsim_access_count()); }

KolmsimAccess traceAt(std::size_t i) {
    KolmsimAccess a{};
    KOLM_CHECK(kolmsim_trace_at(i, &a) == 1);
    return a;
}

// Each call is checked against a clean trace.
State beforeCall() {
    kolmsim_trace_clear();
    return snapshot();
}

void checkUntouched(const State& before) {
    KOLM_CHECK(accesses() == 0);
    KOLM_CHECK(snapshot() == before);
}

// Only this variant's data and status registers are ever reached.
void checkOwnPortOnly() {
    for (std::size_t i = 0; i < kolmsim_trace_length(); ++i) {
        const KolmsimAccess a = traceAt(i);
        KOLM_CHECK(a.port == kBase || (a.port == kStatus && !a.isWrite));
    }
}

bool isAnalogChannel(std::int32_t c) { return c >= 0 && c <= 3; }
bool isRelay(std::int32_t r) { return r >= 0 && r <= 3; }

// The count a reading of `channel` must give: the box's sample clocked out most
// significant bit first, `resolution` bits into 16; past the box's 10 bits its
// lines stay low. With nothing connected ACK floats high and BUSY reads as 1.
std::uint16_t expectedCount(int channel, unsigned resolution) {
    std::uint16_t v = 0;
    for (unsigned i = 0; i < resolution; ++i) {
        bool bit = true;
        if (bench.connected) {
            const auto sample = static_cast<unsigned>(bench.count[channel]);
            bit = i < 10 && ((sample >> (9 - i)) & 1u) != 0;
        }
        v = static_cast<std::uint16_t>((v << 1) | (bit ? 1 : 0));
    }
    return v;
}

// EA(channel) on a port that failed earlier: the relays are kept and nothing is
// recorded; once a reading completes the exact checks resume.
std::int32_t recoveringEffect(std::int32_t channel, const State& before, const State& after) {
    KOLM_CHECK(after.relayState == before.relayState);
    KOLM_CHECK(std::memcmp(after.relayLines, before.relayLines, 4) == 0);
    if (channel >= 2) return kolm::NO_VALUE;
    for (std::size_t i = 0; i < accesses(); ++i) {
        const KolmsimAccess a = traceAt(i);
        if (a.isWrite) KOLM_CHECK((a.value & 0x0F) == (before.latch & 0x0F));
    }
    KOLM_CHECK(after.latch == ((before.latch & 0x0F) | 0x70));
    KOLM_CHECK(after.open);
    bench.lenient = false;
    bench.convertersReset = true;
    return -1;  // a count whose converters may have started mid-sample: only its range
}

// What EA(channel) did to the port and the state, given its result; returns the
// result EA had to give.
std::int32_t checkAnalogEffect(std::int32_t channel, const State& before) {
    const State after = snapshot();
    if (!isAnalogChannel(channel) || bench.refused) {
        checkUntouched(before);
        return kolm::NO_VALUE;
    }
    checkOwnPortOnly();
    if (bench.lenient) return recoveringEffect(channel, before, after);
    State unchanged = before;
    if (channel == 2) {  // the byte read at the last initialisation goes back
        KOLM_CHECK(accesses() == 1);
        KOLM_CHECK(after.latch == static_cast<std::uint8_t>(before.savedData));
        unchanged.latch = after.latch;
        KOLM_CHECK(after == unchanged);
        followConverters(before.latch, after.latch);
        return kolm::NO_VALUE;
    }
    if (channel == 3) {  // re-initialised: byte saved, relays kept, clock high, supply on
        KOLM_CHECK(accesses() == 2);
        KOLM_CHECK(after.savedData == before.latch);
        KOLM_CHECK(after.latch == ((before.latch & 0x0F) | 0xB0));
        unchanged.latch = after.latch;
        unchanged.savedData = after.savedData;
        KOLM_CHECK(after == unchanged);
        followConverters(before.latch, after.latch);
        return kolm::NO_VALUE;
    }
    // A reading: 3 + 4 x resolution accesses, every write keeps the relay nibble.
    KOLM_CHECK(accesses() == 3u + 4u * before.resolution);
    KOLM_CHECK(kolmsim_trace_length() == accesses());
    for (std::size_t i = 0; i < accesses(); ++i) {
        const KolmsimAccess a = traceAt(i);
        if (a.isWrite) KOLM_CHECK((a.value & 0x0F) == (before.latch & 0x0F));
    }
    KOLM_CHECK(after.latch == ((before.latch & 0x0F) | 0x70));
    unchanged.latch = after.latch;
    KOLM_CHECK(after == unchanged);
    // Converters left mid-sample by an earlier write shift the reading; the box
    // decodes only a reading that starts from reset.
    const bool fresh = bench.convertersReset || !bench.connected;
    bench.convertersReset = true;
    const std::int32_t expected = expectedCount(channel, before.resolution);
    return fresh ? expected : -1;
}

template <typename Fn>
void checkEA(Fn ea, std::int32_t channel) {
    const State before = beforeCall();
    const std::int32_t got = ea(channel);
    const std::int32_t expected = checkAnalogEffect(channel, before);
    if (expected >= 0 || expected == kolm::NO_VALUE) KOLM_CHECK(got == expected);
    else KOLM_CHECK(got >= 0 && got <= 0xFFFF);
}

double expectedVolts(std::int32_t channel, const State& before, std::int32_t count) {
    if (!isAnalogChannel(channel)) return -777.0;
    if (channel >= 2) return kNoValueVolts;  // NO_VALUE through the same scaling
    if (!before.open && bench.refused) return -777.0;
    return count * 5.0 / 1024.0;
}

void checkVolts(double got, std::int32_t channel, const State& before, std::int32_t count) {
    if (count < 0 && count != kolm::NO_VALUE) {  // a shifted reading: only its range
        KOLM_CHECK(got >= 0.0 && got < 5.0 * 65536 / 1024);
        return;
    }
    KOLM_CHECK(got == expectedVolts(channel, before, count));
}

template <typename Fn>
void checkEAD(Fn ead, std::int32_t channel) {
    const State before = beforeCall();
    const double got = ead(channel);
    checkVolts(got, channel, before, checkAnalogEffect(channel, before));
}

void checkPeaD(std::int32_t channel) {
    static const double* first = nullptr;
    const State before = beforeCall();
    const double* got = peaD(channel);
    KOLM_CHECK(got != nullptr);
    if (!first) first = got;
    KOLM_CHECK(got == first);  // the same double every call
    checkVolts(*got, channel, before, checkAnalogEffect(channel, before));
}

// Name texts: NUL-terminated inside the 21-byte buffer, always at the same address,
// and exactly the text the channel has.
void checkName(const char* got, const char* expected, const char*& first) {
    KOLM_CHECK(got != nullptr);
    if (!first) first = got;
    KOLM_CHECK(got == first);
    KOLM_CHECK(std::memchr(got, '\0', kNameSize) != nullptr);
    KOLM_CHECK(std::strcmp(got, expected) == 0);
}

const char* analogName(const char* prefix, std::int32_t channel, char (&buf)[kNameSize]) {
    switch (channel) {
    case 0:
    case 1: {
        const std::size_t n = std::strlen(prefix);
        std::memcpy(buf, prefix, n);
        buf[n] = static_cast<char>('0' + channel);
        buf[n + 1] = '\0';
        return buf;
    }
    case 2: return "RAZ pour impression";
    case 3: return "R\xE9initialisation";
    default: return "";
    }
}

template <typename Fn>
void checkNea(Fn fn, std::int32_t channel) {
    static const char* first = nullptr;
    char buf[kNameSize];
    const State before = beforeCall();
    checkName(fn(channel), analogName("CAN voie ", channel, buf), first);
    checkUntouched(before);
}

template <typename Fn>
void checkNead(Fn fn, std::int32_t channel) {
    static const char* first = nullptr;
    char buf[kNameSize];
    const State before = beforeCall();
    checkName(fn(channel), analogName("tension voie ", channel, buf), first);
    checkUntouched(before);
}

template <typename Fn>
void checkNsb(Fn fn, std::int32_t relay) {
    static const char* first = nullptr;
    char buf[kNameSize] = "";
    if (isRelay(relay)) {
        std::strcpy(buf, "relais ");
        buf[7] = static_cast<char>('0' + relay);
        buf[8] = '\0';
    }
    const State before = beforeCall();
    checkName(fn(relay), buf, first);
    checkUntouched(before);
}

template <typename Fn>
void checkRSB(Fn rsb, std::int32_t relay) {
    const State before = beforeCall();
    const std::int32_t got = rsb(relay);
    checkUntouched(before);
    if (!isRelay(relay)) KOLM_CHECK(got == kolm::NO_VALUE);
    else KOLM_CHECK(got == ((before.relayState >> relay) & 1));
}

template <typename Fn>
void checkSB(Fn sb, std::int32_t relay, std::int32_t value) {
    const State before = beforeCall();
    const std::int32_t got = sb(relay, value);
    if (!isRelay(relay) || bench.refused) {
        checkUntouched(before);
        KOLM_CHECK(got == kolm::NO_VALUE);
        return;
    }
    checkOwnPortOnly();
    const State after = snapshot();
    const bool started = before.open;  // else the start-up is completed first: 2 more accesses
    // relay x 100 + value, wrapping as a 32-bit host computes it.
    KOLM_CHECK(got == static_cast<std::int32_t>(static_cast<std::uint32_t>(relay) * 100u +
                                                static_cast<std::uint32_t>(value)));
    KOLM_CHECK(accesses() == (started ? 2u : 4u));
    // The converter's nibble is kept, every relay line is rewritten from the requests.
    KOLM_CHECK((after.latch & 0xF0) == (before.latch & 0xF0));
    KOLM_CHECK(after.relayLines[relay] == (value == 1 ? 1 : 0));
    std::uint8_t lines = 0;
    for (unsigned k = 0; k < 4; ++k)
        if (after.relayLines[k]) lines |= static_cast<std::uint8_t>(1u << k);
    KOLM_CHECK((after.latch & 0x0F) == lines);
    // Read-back agrees with what the box's coils see.
    KOLM_CHECK(after.relayState == lines);
    for (std::int32_t k = 0; k < 4; ++k) KOLM_CHECK(RSB(k) == ((kolmsim_data(kBase) >> k) & 1));
    State unchanged = before;
    unchanged.latch = after.latch;
    unchanged.relayState = after.relayState;
    unchanged.savedData = after.savedData;
    unchanged.open = after.open;
    std::memcpy(unchanged.relayLines, after.relayLines, 4);
    KOLM_CHECK(after == unchanged);
    if (started) KOLM_CHECK(after.savedData == before.savedData);
    followConverters(before.latch, after.latch);
}

// A request made while the port fails at one access, or at every access from one
// on: if an access failed, the request stopped there, answers "no value" and
// records nothing; no failed read ever becomes a reading or a relay state.
void failingCall(Input& in) {
    const std::uint32_t first = 1u + in.byte() % 48u;
    const std::uint32_t count = (in.byte() & 1) ? UINT32_MAX : 1u;
    const int kinds = 1 + in.byte() % 3;
    const std::int32_t n = in.byte() % 4;
    const std::uint8_t what = in.byte() % 4;
    const std::int32_t value = in.number();
    const State before = beforeCall();
    kolmsim_fail_accesses(first, count, kinds);
    bool noValue = false;
    switch (what) {
    case 0: noValue = EA(n) == kolm::NO_VALUE; break;
    case 1: noValue = EAD(n) == (n >= 2 ? kNoValueVolts : -777.0); break;
    case 2: noValue = *peaD(n) == (n >= 2 ? kNoValueVolts : -777.0); break;
    default: noValue = SB(n, value) == kolm::NO_VALUE; break;
    }
    const bool failed = kolmsim_failed_count() > 0;
    kolmsim_fail_accesses(0, 0, 0);
    checkOwnPortOnly();
    KOLM_CHECK(kolmsim_attempts_after_failure() == 0);
    if (bench.refused) {
        checkUntouched(before);
        return;
    }
    bench.lenient = true;
    if (!failed) return;
    KOLM_CHECK(noValue);
    const State after = snapshot();
    KOLM_CHECK(after.relayState == before.relayState);
    KOLM_CHECK(std::memcmp(after.relayLines, before.relayLines, 4) == 0);
    KOLM_CHECK(after.savedData == before.savedData);
}

template <typename Fn>
void checkFixedInt(Fn fn, std::int32_t expected) {
    const State before = beforeCall();
    KOLM_CHECK(fn() == expected);
    checkUntouched(before);
}

void checkEmptyText(const char* got) {
    KOLM_CHECK(got != nullptr);
    KOLM_CHECK(got[0] == '\0');
}

void checkSAD(double got) { KOLM_CHECK(got == 0.0 && !std::signbit(got)); }

void checkPSAD(std::int32_t channel, const double* value) {
    static const double* first = nullptr;
    const State before = beforeCall();
    const double* got = PSAD(channel, value);
    checkUntouched(before);
    KOLM_CHECK(got != nullptr && got != value);
    if (!first) first = got;
    KOLM_CHECK(got == first);
    checkSAD(*got);
}

// The directory's entries (listed_entry_points.h); each signature fits its 101-byte slot.

DirectoryEntry* checkDirectory() {
    static DirectoryEntry* first = nullptr;
    const State before = beforeCall();
    DirectoryEntry* dir = DLLFunctionDirectory();
    checkUntouched(before);
    KOLM_CHECK(dir != nullptr);
    if (!first) first = dir;
    KOLM_CHECK(dir == first);
    for (int k = 0; k < 17; ++k) {
        KOLM_CHECK(dir[k].entry == kListedEntryPoints[k]);
        KOLM_CHECK(dir[k].signature != nullptr);
        KOLM_CHECK(std::memchr(dir[k].signature, '\0', 101) != nullptr);
        KOLM_CHECK(std::strncmp(dir[k].signature, "PURE PASCAL ", 12) == 0);
    }
    KOLM_CHECK(dir[17].signature == nullptr && dir[17].entry == nullptr);
    return dir;
}

template <typename F>
F as(const void* p) {
    return reinterpret_cast<F>(const_cast<void*>(p));
}

using IntFn = std::int32_t(KOLM_CALL*)(std::int32_t);
using IntIntFn = std::int32_t(KOLM_CALL*)(std::int32_t, std::int32_t);
using DoubleFn = double(KOLM_CALL*)(std::int32_t);
using TextFn = const char*(KOLM_CALL*)(std::int32_t);
using SadFn = double(KOLM_CALL*)(std::int32_t, double);
using TitleFn = const char*(KOLM_CALL*)();

// A call through the address the directory gives, as the host makes it.
void callListed(Input& in) {
    const DirectoryEntry* dir = checkDirectory();
    const int k = in.byte() % 17;
    const void* e = dir[k].entry;
    const std::int32_t n = in.number();
    switch (k) {
    case 0: checkEA(as<IntFn>(e), n); break;
    case 1: checkNea(as<TextFn>(e), n); break;
    case 2: checkEAD(as<DoubleFn>(e), n); break;
    case 3: checkNead(as<TextFn>(e), n); break;
    case 4: {
        const std::int32_t v = in.number();
        checkFixedInt([&] { return as<IntIntFn>(e)(n, v); }, kolm::NO_VALUE);
        break;
    }
    case 6: {
        const double v = in.real();
        const State before = beforeCall();
        checkSAD(as<SadFn>(e)(n, v));
        checkUntouched(before);
        break;
    }
    case 5:
    case 7:
    case 9: {
        const State before = beforeCall();
        checkEmptyText(as<TextFn>(e)(n));
        checkUntouched(before);
        break;
    }
    case 8:
    case 14: checkFixedInt([&] { return as<IntFn>(e)(n); }, kolm::NO_VALUE); break;
    case 10: checkSB(as<IntIntFn>(e), n, in.number()); break;
    case 11: checkNsb(as<TextFn>(e), n); break;
    case 12:
    case 13: {
        const State before = beforeCall();
        const char* got = as<TitleFn>(e)();
        checkUntouched(before);
        KOLM_CHECK(std::strcmp(got, k == 12 ? kolm::variant::title : kolm::variant::detail) == 0);
        break;
    }
    case 15: {
        const State before = beforeCall();
        KOLM_CHECK(as<DoubleFn>(e)(n) == -777.0);
        checkUntouched(before);
        break;
    }
    default: checkRSB(as<IntFn>(e), n); break;
    }
}

// A fresh load of the library: all state zero, the port holding `held`, then the
// loader's start-up. With access refused nothing at all reaches the port.
void load(std::uint8_t held, bool refused) {
    kolmsim_reset();
    kolmsim_set_data(kBase, held);
    kolmsim_set_data(kOtherBase, static_cast<std::uint8_t>(~held));
    kolmsim_refuse_access(refused ? 1 : 0);
    for (int ch = 0; ch < 2; ++ch) {
        kolmsim_set_count(kBase, ch, bench.count[ch]);
        kolmsim_set_count(kOtherBase, ch, 1023 - bench.count[ch]);
    }
    kolmsim_set_connected(kBase, bench.connected ? 1 : 0);
    kolm::resetModule();
    kolm::relayState = 0;
    bench.refused = refused;
    bench.convertersReset = true;
    kolmsim_trace_clear();
    kolm::startLibrary();
    checkOwnPortOnly();
    KOLM_CHECK(kolm::unit.resolution == 10);
    KOLM_CHECK(kolm::portStarted() == !refused);
    KOLM_CHECK(kolm::relayState == 0);
    if (refused) {
        KOLM_CHECK(accesses() == 0);
        KOLM_CHECK(kolmsim_data(kBase) == held);
    } else {
        KOLM_CHECK(accesses() == 2);
        KOLM_CHECK(kolm::unit.savedData == held);
        KOLM_CHECK(kolmsim_data(kBase) == ((held & 0x0F) | 0xB0));
        followConverters(held, kolmsim_data(kBase));
    }
}

// The box's inputs as the harness wants them; the bench keeps a count in range.
void setInputs(Input& in) {
    for (int ch = 0; ch < 2; ++ch) {
        const auto raw = static_cast<std::int32_t>(in.word());
        bench.count[ch] = raw < 0 ? 0 : raw > 1023 ? 1023 : raw;
        kolmsim_set_count(kBase, ch, raw);
    }
}

void step(Input& in) {
    const std::uint8_t op = in.byte();
    switch (op % 21) {
    case 0:
    case 1: checkEA(&EA, in.number()); break;
    case 2: checkEAD(&EAD, in.number()); break;
    case 3: checkPeaD(in.number()); break;
    case 4: checkNea(&nea, in.number()); break;
    case 5: checkNead(&nead, in.number()); break;
    case 6:
    case 7: {
        const std::int32_t relay = in.number();
        checkSB(&SB, relay, in.number());
        break;
    }
    case 8: checkRSB(&RSB, in.number()); break;
    case 9: checkNsb(&nsb, in.number()); break;
    case 10: {
        const std::int32_t ch = in.number();
        const std::int32_t v = in.number();
        checkFixedInt([&] { return SA(ch, v); }, kolm::NO_VALUE);
        break;
    }
    case 11: {
        const std::int32_t ch = in.number();
        const State before = beforeCall();
        checkEmptyText(nsa(ch));
        checkEmptyText(nsad(ch));
        checkEmptyText(neb(ch));
        checkUntouched(before);
        break;
    }
    case 12: {
        const std::int32_t ch = in.number();
        const double v = in.real();
        const State before = beforeCall();
        checkSAD(SAD(ch, v));
        checkUntouched(before);
        break;
    }
    case 13: {
        const std::int32_t ch = in.number();
        const double v = in.real();
        checkPSAD(ch, (in.byte() & 1) ? &v : nullptr);
        break;
    }
    case 14: {
        const std::int32_t ch = in.number();
        checkFixedInt([&] { return RSA(ch); }, kolm::NO_VALUE);
        checkFixedInt([&] { return EB(ch); }, kolm::NO_VALUE);
        const State before = beforeCall();
        KOLM_CHECK(RSAD(ch) == -777.0);
        checkUntouched(before);
        break;
    }
    case 15: {
        const State before = beforeCall();
        KOLM_CHECK(std::strcmp(titre(), kolm::variant::title) == 0);
        KOLM_CHECK(std::strcmp(detail(), kolm::variant::detail) == 0);
        KOLM_CHECK(titre() == titre());
        checkUntouched(before);
        break;
    }
    case 16: callListed(in); break;
    case 17: setInputs(in); break;
    case 18: {  // the box unplugged or plugged back between two calls
        bench.connected = !bench.connected;
        kolmsim_set_connected(kBase, bench.connected ? 1 : 0);
        break;
    }
    case 20: failingCall(in); break;
    default: {
        // Another resolution: the reading's length and decoding must follow it.
        kolm::unit.resolution = static_cast<std::uint8_t>(in.byte() % 24);
        break;
    }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    // The bench: what the port held, whether access is refused, the box's inputs.
    const std::uint8_t held = in.byte();
    const std::uint8_t flags = in.byte();
    bench = Bench{};
    bench.connected = (flags & 2) == 0;
    setInputs(in);
    load(held, (flags & 1) != 0);
    for (int calls = 0; in.more() && calls < 256; ++calls) step(in);
    return 0;
}
