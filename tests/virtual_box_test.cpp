// The virtual box's inputs: each kind of signal sampled against its formula, the RC
// circuit against its exponential, recordings, noise and the converter's counts; and
// every signal file of the table read to the problem and the line it must give.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "kolm_box.h"
#include "signal_file_cases.h"

namespace {

using kolmsim::Inputs;

// The box's inputs from a kolmsim.ini and maybe rec.csv, restarted at time 0.
struct Signals {
    explicit Signals(const char* ini, const char* recording = nullptr) : row{"", ini, recording} {
        const kolm::SignalSource s =
            kolm::loadSignals(readRowFile, &row, buffer->data(), inputs.signals(), names, recordings->r);
        EXPECT_EQ(s.verdict.problem, kolm::SignalProblem::none) << "line " << s.verdict.line;
        inputs.restart(0.0);
    }
    SignalFileCase row;
    std::unique_ptr<std::array<char, kolm::kRecordingFileMax>> buffer =
        std::make_unique<std::array<char, kolm::kRecordingFileMax>>();
    struct Recordings {
        kolmsim::Recording r[kolmsim::kInputs];
    };
    std::unique_ptr<Recordings> recordings = std::make_unique<Recordings>();
    kolm::RecordingNames names{};
    Inputs inputs;
};

constexpr double kTimes[] = {0.0, 0.13, 0.5, 1.7, 12.3, 1000.05, 86400.2};
constexpr double kF = 0.7;  // hertz, in every waveform below

struct KindRow {
    const char* name;
    const char* ini;
    int channel;
    double (*formula)(double t);
};

double phaseOf(double t) { return std::fmod(kF * t, 1.0); }

constexpr KindRow kKinds[] = {
    {"constant", "[channel1]\nsignal=constant\noffset=3.3\n", 1, [](double) { return 3.3; }},
    {"sine", "[channel0]\nsignal=sine\noffset=2.5\namplitude=2\nfrequency=0.7\n", 0,
     [](double t) { return 2.5 + 2.0 * std::sin(2.0 * M_PI * kF * t); }},
    {"square", "[channel0]\nsignal=square\noffset=2.5\namplitude=2\nfrequency=0,7\n", 0,
     [](double t) { return phaseOf(t) < 0.5 ? 4.5 : 0.5; }},
    {"triangle", "[channel1]\nsignal=triangle\noffset=2\namplitude=1.5\nfrequency=7e-1\n", 1,
     [](double t) { return 2.0 + 1.5 * (2.0 / M_PI) * std::asin(std::sin(2.0 * M_PI * kF * t)); }},
    {"ramp", "[channel0]\nsignal=ramp\noffset=2.5\namplitude=2.5\nfrequency=.7\n", 0,
     [](double t) { return 2.5 + 2.5 * (2.0 * phaseOf(t) - 1.0); }},
    {"a channel without a section", "[channel0]\nsignal=constant\noffset=1\n", 1, [](double) { return 0.0; }},
};

}  // namespace

TEST(VirtualBoxSignals, EachKindFollowsItsFormula) {
    for (const KindRow& row : kKinds) {
        Signals box(row.ini);
        for (const double t : kTimes)
            EXPECT_NEAR(box.inputs.volts(row.channel, t), row.formula(t), 1e-9)
                << row.name << " at " << t << " s";
    }
}

TEST(VirtualBoxSignals, WithoutAFileChannel0IsASineAndChannel1ARamp) {
    Signals box(nullptr);
    EXPECT_NEAR(box.inputs.volts(0, 2.5), 4.5, 1e-9);    // a quarter of its 10 s
    EXPECT_NEAR(box.inputs.volts(1, 15.0), 3.75, 1e-9);  // three quarters of 0 to 5 V in 20 s
}

// Relay 2 connects 5 V through R to C (tau = RC = 0.5 s) from 1 s, and lets C
// discharge through R from 3 s; the other relays change nothing.
TEST(VirtualBoxSignals, TheRcCircuitChargesAndDischargesAlongItsExponential) {
    constexpr double tau = 0.5;
    Signals box("[channel1]\nsignal=rc\ntau=0.5\nsupply=5\nrelay=2\n");
    Inputs& in = box.inputs;
    in.relays(0x0B, 0.5);
    EXPECT_EQ(in.volts(1, 1.0), 0.0);
    in.relays(0x04, 1.0);
    for (int k = 0; k < 16; ++k) {
        const double t = 1.0 + k * 0.125;
        EXPECT_NEAR(in.volts(1, t), 5.0 * (1.0 - std::exp(-(t - 1.0) / tau)), 1e-12) << t;
    }
    EXPECT_GE(in.volts(1, 1.0 + 5 * tau), 0.99 * 5.0) << "five time constants: within 1 % of full scale";
    in.relays(0x0F, 2.0);
    const double top = 5.0 * (1.0 - std::exp(-2.0 / tau));
    in.relays(0x00, 3.0);
    for (int k = 0; k < 24; ++k) {
        const double t = 3.0 + k * 0.25;
        EXPECT_NEAR(in.volts(1, t), top * std::exp(-(t - 3.0) / tau), 1e-12) << t;
    }
    EXPECT_NEAR(in.volts(1, 1000.0), 0.0, 1e-300) << "long discharged, no denormal trouble";
}

TEST(VirtualBoxSignals, ARecordingPlaysStraightBetweenItsPointsInALoop) {
    Signals comma(kRecordingRow, "time_s,ch0_volts\n0,1\n1,3\n3,2\n");
    for (auto [t, v] : {std::pair{0.5, 2.0}, {1.0, 3.0}, {2.0, 2.5}, {3.0, 1.0}, {3.5, 2.0}, {61.0, 3.0}})
        EXPECT_NEAR(comma.inputs.volts(1, t), v, 1e-12) << t;
    Signals french(kRecordingRow, "0;1,5\r\n0,5;2,5\r\n");
    EXPECT_NEAR(french.inputs.volts(1, 0.25), 2.0, 1e-12);
}

TEST(VirtualBoxSignals, NoiseHasTheRmsAskedAroundTheSignal) {
    Signals box("[channel0]\nsignal=constant\noffset=2\nnoise=0.1\n");
    double sum = 0.0, squares = 0.0, widest = 0.0;
    constexpr int n = 20000;
    for (int k = 0; k < n; ++k) {
        const double e = box.inputs.volts(0, k * 0.001) - 2.0;
        sum += e;
        squares += e * e;
        widest = std::max(widest, std::fabs(e));
    }
    EXPECT_NEAR(sum / n, 0.0, 0.003);
    EXPECT_NEAR(std::sqrt(squares / n), 0.1, 0.003);
    EXPECT_LE(widest, 0.6);
}

TEST(VirtualBoxSignals, TheConverterCountsWholeStepsOfFiveOver1024Volts) {
    const std::pair<double, int> rows[] = {
        {0.0, 0},    {5.0 / 1024, 1}, {2.5, 512}, {2.5 - 1e-9, 511}, {4.9951171875, 1023},
        {5.0, 1023}, {7.0, 1023},     {-0.5, 0},  {std::nan(""), 0}};
    for (auto [volts, count] : rows) EXPECT_EQ(kolmsim::Box::countOf(volts), count) << volts;
}

TEST(VirtualBoxSignalFiles, EachRowGivesItsProblemAndLine) {
    auto buffer = std::make_unique<std::array<char, kolm::kRecordingFileMax>>();
    struct Recordings {
        kolmsim::Recording r[kolmsim::kInputs];
    };
    auto recordings = std::make_unique<Recordings>();
    for (const SignalFileCase& row : kSignalFileCases) {
        kolm::RecordingNames names{};
        Inputs inputs;
        const kolm::SignalSource s =
            kolm::loadSignals(readRowFile, const_cast<SignalFileCase*>(&row), buffer->data(),
                              inputs.signals(), names, recordings->r);
        EXPECT_EQ(s.verdict.problem, row.problem) << row.name;
        EXPECT_EQ(s.fromFile, row.ini != nullptr) << row.name;
        if (row.problem == kolm::SignalProblem::none) continue;
        EXPECT_EQ(s.verdict.line, row.line) << row.name;
        EXPECT_EQ(s.verdict.channel, row.channel) << row.name;
    }
}
