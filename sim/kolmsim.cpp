#include "kolmsim.h"

#include <chrono>
#include <cmath>
#include <vector>

#include "kolm_box.h"
#include "signals.h"

namespace {

constexpr uint16_t kBases[] = {0x378, 0x278};
constexpr int kMaxBoxes = 4;  // the two usual ports and add-in cards

struct FailurePlan {
    uint32_t first = 0;
    uint32_t count = 0;
    int kinds = 0;
    uint32_t seen = 0;  // accesses of those kinds since the plan was set
};

// A box as powered up on the bench: latch 0x00, the demo signals on its inputs.
kolmsim::Box freshBox() {
    static kolmsim::Inputs demo = [] {
        kolmsim::Inputs inputs;
        kolmsim::demoSignals(inputs.signals());
        inputs.restart(0.0);
        return inputs;
    }();
    kolmsim::Box box;
    box.setInputs({[](void* inputs, int channel) {
                       using namespace std::chrono;
                       const double now = duration<double>(steady_clock::now().time_since_epoch()).count();
                       return static_cast<kolmsim::Inputs*>(inputs)->volts(channel, now);
                   },
                   &demo});
    return box;
}

struct Bench {
    Bench() {
        for (auto& box : boxes) box = freshBox();
    }
    kolmsim::Box boxes[kMaxBoxes];
    uint16_t bases[kMaxBoxes] = {kBases[0], kBases[1]};
    int boxCount = 2;
    bool refused = false;
    bool tracing = true;
    uint64_t accesses = 0;
    uint64_t failed = 0;
    uint64_t afterFailure = 0;
    FailurePlan plan;
    std::vector<KolmsimAccess> trace;
};

Bench& bench() {
    static Bench instance;
    return instance;
}

// The box whose data register (offset 0) or status register (offset 1) is `port`.
kolmsim::Box* boxAt(uint16_t port, int offset) {
    Bench& b = bench();
    for (int i = 0; i < b.boxCount; ++i)
        if (port == b.bases[i] + offset) return &b.boxes[i];
    return nullptr;
}

// Whether this access is one the plan makes fail; counts every attempt.
bool fails(bool isWrite) {
    Bench& b = bench();
    if (b.failed > 0) ++b.afterFailure;
    FailurePlan& p = b.plan;
    if (!(p.kinds & (isWrite ? KOLMSIM_FAIL_WRITES : KOLMSIM_FAIL_READS))) return false;
    const uint32_t n = ++p.seen;
    if (n < p.first || n - p.first >= p.count) return false;
    ++b.failed;
    return true;
}

void record(bool isWrite, uint16_t port, uint8_t value) {
    Bench& b = bench();
    ++b.accesses;
    if (b.tracing && b.trace.size() < KOLMSIM_TRACE_CAPACITY)
        b.trace.push_back(KolmsimAccess{static_cast<uint8_t>(isWrite ? 1 : 0), value, port});
}

}  // namespace

int kolmsim_try_in(uint16_t port, uint8_t* value) {
    if (fails(false)) return 0;
    uint8_t v = 0xFF;
    if (kolmsim::Box* data = boxAt(port, 0)) v = data->readData();
    else if (kolmsim::Box* status = boxAt(port, 1)) v = status->readStatus();
    record(false, port, v);
    *value = v;
    return 1;
}

int kolmsim_try_out(uint16_t port, uint8_t value) {
    if (fails(true)) return 0;
    if (kolmsim::Box* box = boxAt(port, 0)) box->writeData(value);
    record(true, port, value);
    return 1;
}

uint8_t kolmsim_in(uint16_t port) {
    uint8_t value = 0xFF;
    kolmsim_try_in(port, &value);
    return value;
}

void kolmsim_out(uint16_t port, uint8_t value) { kolmsim_try_out(port, value); }

void kolmsim_fail_accesses(uint32_t first, uint32_t count, int kinds) {
    bench().plan = FailurePlan{first, count, count ? kinds : 0, 0};
}

uint64_t kolmsim_failed_count(void) { return bench().failed; }
uint64_t kolmsim_attempts_after_failure(void) { return bench().afterFailure; }

void kolmsim_reset(void) {
    Bench& b = bench();
    for (auto& box : b.boxes) box = freshBox();
    b.bases[0] = kBases[0];
    b.bases[1] = kBases[1];
    b.boxCount = 2;
    b.refused = false;
    b.tracing = true;
    b.accesses = 0;
    b.failed = 0;
    b.afterFailure = 0;
    b.plan = FailurePlan{};
    b.trace.clear();
}

int kolmsim_add_box(uint16_t base) {
    Bench& b = bench();
    if (boxAt(base, 0)) return 1;
    if (b.boxCount == kMaxBoxes) return 0;
    b.bases[b.boxCount] = base;
    b.boxes[b.boxCount++] = freshBox();
    return 1;
}

void kolmsim_set_data(uint16_t base, uint8_t value) {
    if (kolmsim::Box* box = boxAt(base, 0)) box->setLatch(value);
}

void kolmsim_set_count(uint16_t base, int channel, int count) {
    kolmsim::Box* box = boxAt(base, 0);
    if (!box || channel < 0 || channel > 1) return;
    if (count < 0) count = 0;
    box->setCount(channel, static_cast<uint16_t>(count > 0xFFFF ? 0xFFFF : count));
}

void kolmsim_set_volts(uint16_t base, int channel, double volts) {
    // The converter's full scale is 5 V over 1024 counts.
    const double counts = std::floor(volts * 1024.0 / 5.0);
    kolmsim_set_count(base, channel, counts < 0 ? 0 : counts > 1023 ? 1023 : static_cast<int>(counts));
}

void kolmsim_set_connected(uint16_t base, int connected) {
    if (kolmsim::Box* box = boxAt(base, 0)) box->setConnected(connected != 0);
}

uint8_t kolmsim_data(uint16_t base) {
    kolmsim::Box* box = boxAt(base, 0);
    return box ? box->readData() : 0xFF;
}

int kolmsim_count(uint16_t base, int channel) {
    const kolmsim::Box* box = boxAt(base, 0);
    return box && channel >= 0 && channel <= 1 ? box->input(channel) : -1;
}

int kolmsim_connected(uint16_t base) {
    const kolmsim::Box* box = boxAt(base, 0);
    return box && box->connected() ? 1 : 0;
}

int kolmsim_converters_waiting(uint16_t base) {
    const kolmsim::Box* box = boxAt(base, 0);
    return box && box->convertersWaiting() ? 1 : 0;
}

void kolmsim_refuse_access(int refuse) { bench().refused = refuse != 0; }
int kolmsim_access_refused(void) { return bench().refused ? 1 : 0; }

size_t kolmsim_trace_length(void) { return bench().trace.size(); }

int kolmsim_trace_at(size_t index, KolmsimAccess* out) {
    const auto& trace = bench().trace;
    if (index >= trace.size() || !out) return 0;
    *out = trace[index];
    return 1;
}

uint64_t kolmsim_access_count(void) { return bench().accesses; }

void kolmsim_trace_clear(void) {
    bench().trace.clear();
    bench().accesses = 0;
    bench().failed = 0;
    bench().afterFailure = 0;
}

void kolmsim_trace_enable(int enabled) { bench().tracing = enabled != 0; }
