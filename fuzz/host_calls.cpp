#include "host_calls.h"

#include <cstring>
#include <limits>

namespace {

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
        using Limits = std::numeric_limits<std::int32_t>;
        // -777 is the "no value" answer, 256 is 0 in the low byte, 0x10001 is 1 in
        // the low 16 bits only.
        static constexpr std::int32_t kOdd[6] = {Limits::min(), Limits::max(), Limits::min() + 1,
                                                 -777,          256,           0x10001};
        const std::uint8_t pick = byte();
        if (pick < 0xC0) return static_cast<std::int32_t>(pick % 8) - 2;  // -2 to 5
        return pick % 8 < 6 ? kOdd[pick % 8] : static_cast<std::int32_t>(word());
    }

    // A double: mostly one a host should never send, sometimes any 64 bits.
    double real() {
        using Limits = std::numeric_limits<double>;
        static constexpr double kOdd[10] = {Limits::quiet_NaN(),     -Limits::quiet_NaN(),
                                            Limits::signaling_NaN(), Limits::infinity(),
                                            -Limits::infinity(),     Limits::denorm_min(),
                                            -Limits::denorm_min(),   -0.0,
                                            Limits::max(),           3.3};
        const std::uint8_t pick = byte() % 12;
        if (pick < 10) return kOdd[pick];
        const std::uint64_t bits = word() | static_cast<std::uint64_t>(word()) << 32;
        double d = 0.0;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

class Decoder {
public:
    Decoder(const std::uint8_t* data, std::size_t size) : in_(data, size) {}

    Session session() {
        Session s;
        s.held = in_.byte();
        const std::uint8_t flags = in_.byte();
        s.refused = (flags & 1) != 0;
        s.connected = (flags & 2) == 0;
        inputs();
        for (int calls = 0; in_.more() && calls < 256; ++calls) next();
        s.steps = std::move(steps_);
        return s;
    }

private:
    Step& bench(Step::Kind kind) {
        Step& s = steps_.emplace_back();
        s.kind = kind;
        return s;
    }

    // A call with `n`, then the arguments its entry takes; a relay switched is read
    // back at once, all four, as a host shows them.
    void call(Entry entry, std::int32_t n = 0) {
        Step& s = bench(Step::Kind::Call);
        s.entry = entry;
        s.n = n;
        if (entry == Entry::SA || entry == Entry::SB) s.value = in_.number();
        if (entry == Entry::SAD || entry == Entry::PSAD) s.real = in_.real();
        if (entry == Entry::PSAD) s.passReal = (in_.byte() & 1) != 0;
        if (entry == Entry::SB)
            for (std::int32_t k = 0; k < 4; ++k) call(Entry::RSB, k);
    }

    // A call through the directory, as the host makes it: it reads the directory,
    // then calls the entry at one of its places.
    void listed() {
        call(Entry::Directory);
        const auto entry = static_cast<Entry>(in_.byte() % kListedCount);
        call(entry, in_.number());
    }

    void inputs() {
        Step& s = bench(Step::Kind::SetInputs);
        for (std::int32_t& count : s.inputs) count = static_cast<std::int32_t>(in_.word());
    }

    // A request made while the port fails at one access, or at every access from
    // one on.
    void failing() {
        Step& s = bench(Step::Kind::Call);
        s.failure.first = 1u + in_.byte() % 48u;
        s.failure.count = (in_.byte() & 1) ? UINT32_MAX : 1u;
        s.failure.kinds = 1 + in_.byte() % 3;
        s.n = in_.byte() % 4;
        constexpr Entry kOnPort[4] = {Entry::EA, Entry::EAD, Entry::peaD, Entry::SB};
        s.entry = kOnPort[in_.byte() % 4];
        s.value = in_.number();
    }

    void next() {
        const int op = in_.byte() % 21;
        switch (op) {
        case 15:
            call(Entry::titre);
            call(Entry::detail);
            return;
        case 16: listed(); return;
        case 17: inputs(); return;
        case 18: bench(Step::Kind::Unplug); return;  // the box unplugged or plugged back
        case 19:
            bench(Step::Kind::Resolution).resolution = static_cast<std::uint8_t>(in_.byte() % 24);
            return;
        case 20: failing(); return;
        default: break;
        }
        // The entries the other ops call, each with the same channel or relay.
        static const std::vector<Entry> kCalls[15] = {
            {Entry::EA},   {Entry::EA},   {Entry::EAD},
            {Entry::peaD}, {Entry::nea},  {Entry::nead},
            {Entry::SB},   {Entry::SB},   {Entry::RSB},
            {Entry::nsb},  {Entry::SA},   {Entry::nsa, Entry::nsad, Entry::neb},
            {Entry::SAD},  {Entry::PSAD}, {Entry::RSA, Entry::EB, Entry::RSAD}};
        const std::int32_t n = in_.number();
        for (Entry e : kCalls[op]) call(e, n);
    }

    Input in_;
    std::vector<Step> steps_;
};

}  // namespace

Session decode(const std::uint8_t* data, std::size_t size) { return Decoder(data, size).session(); }
