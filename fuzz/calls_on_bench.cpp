#include "calls_on_bench.h"

#include <cstring>

#include "entry_points.h"
#include "kolmsim.h"
#include "kolmunit.h"
#include "listed_entry_points.h"
#include "relays.h"
#include "startup.h"

namespace {

State snapshot() {
    State s{};
    s.dataPort = kolm::unit.dataPort;
    s.statusPort = kolm::unit.statusPort;
    s.savedData = kolm::unit.savedData;
    s.resolution = kolm::unit.resolution;
    std::memcpy(s.relayLines, kolm::unit.relayLines, 4);
    s.relayState = kolm::relayState;
    s.latch = kolmsim_data(kVariant.base);
    s.otherLatch = kolmsim_data(kVariant.otherBase);
    s.open = kolm::portStarted();
    return s;
}

// The entry at the address the directory lists for it.
template <typename Fn>
Fn listed(Entry e) {
    return reinterpret_cast<Fn>(const_cast<void*>(kListedEntryPoints[static_cast<int>(e)]));
}

using IntFn = std::int32_t(KOLM_CALL*)(std::int32_t);
using IntIntFn = std::int32_t(KOLM_CALL*)(std::int32_t, std::int32_t);
using DoubleFn = double(KOLM_CALL*)(std::int32_t);
using TextFn = const char*(KOLM_CALL*)(std::int32_t);
using SadFn = double(KOLM_CALL*)(std::int32_t, double);
using TitleFn = const char*(KOLM_CALL*)();

void call(const Step& s, Outcome& o) {
    const double* answer = nullptr;
    switch (s.entry) {
    case Entry::EA:
    case Entry::EB:
    case Entry::RSA:
    case Entry::RSB: o.number = listed<IntFn>(s.entry)(s.n); break;
    case Entry::SA:
    case Entry::SB: o.number = listed<IntIntFn>(s.entry)(s.n, s.value); break;
    case Entry::EAD:
    case Entry::RSAD: o.real = listed<DoubleFn>(s.entry)(s.n); break;
    case Entry::SAD: o.real = listed<SadFn>(s.entry)(s.n, s.real); break;
    case Entry::titre:
    case Entry::detail: o.address = listed<TitleFn>(s.entry)(); break;
    case Entry::peaD: o.address = answer = peaD(s.n); break;
    case Entry::PSAD: o.address = answer = PSAD(s.n, s.passReal ? &s.real : nullptr); break;
    case Entry::Directory: o.address = DLLFunctionDirectory(); break;
    default: o.address = listed<TextFn>(s.entry)(s.n); break;
    }
    if (answer) o.real = *answer;
}

}  // namespace

Outcome load(const Session& session) {
    kolmsim_reset();
    kolmsim_set_data(kVariant.base, session.held);
    kolmsim_set_data(kVariant.otherBase, static_cast<std::uint8_t>(~session.held));
    kolmsim_refuse_access(session.refused ? 1 : 0);
    kolmsim_set_connected(kVariant.base, session.connected ? 1 : 0);
    kolm::resetLibrary();
    Outcome o;
    o.before = snapshot();
    kolmsim_trace_clear();
    kolm::startLibrary();
    o.after = snapshot();
    return o;
}

Outcome run(const Step& s) {
    Outcome o;
    switch (s.kind) {
    case Step::Kind::SetInputs:
        // The other port's box gets other counts: a reading taken there shows.
        for (int ch = 0; ch < 2; ++ch) {
            kolmsim_set_count(kVariant.base, ch, s.inputs[ch]);
            kolmsim_set_count(kVariant.otherBase, ch, 1023 - kolmsim_count(kVariant.base, ch));
        }
        return o;
    case Step::Kind::Unplug:
        kolmsim_set_connected(kVariant.base, kolmsim_connected(kVariant.base) ? 0 : 1);
        return o;
    case Step::Kind::Resolution: kolm::unit.resolution = s.resolution; return o;
    case Step::Kind::Call: break;
    }
    kolmsim_trace_clear();
    o.before = snapshot();
    o.fresh = kolmsim_converters_waiting(kVariant.base) != 0;
    kolmsim_fail_accesses(s.failure.first, s.failure.count, s.failure.kinds);
    call(s, o);
    o.failed = kolmsim_failed_count() > 0;
    kolmsim_fail_accesses(0, 0, 0);
    o.after = snapshot();
    return o;
}
