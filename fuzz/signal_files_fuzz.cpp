// The virtual box's setting files, fed anything: kolmsim.ini and a recording. Every
// answer either names a problem at a line the text has, or gives signals within their
// ranges that the box can sample at any time without a value that is not a number.
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz_check.h"
#include "signal_file.h"

namespace {

int lineCount(const std::string& text) {
    int lines = 1;
    for (const char c : text) lines += c == '\n' ? 1 : 0;
    return lines;
}

void checkSignals(kolmsim::Signal (&signals)[kolmsim::kInputs], const kolm::RecordingNames& names) {
    kolmsim::Inputs inputs;
    for (int ch = 0; ch < kolmsim::kInputs; ++ch) {
        const kolmsim::Signal& s = signals[ch];
        KOLM_CHECK(s.frequency > 0.0 && s.frequency <= 10000.0 && s.tau > 0.0 && s.noise >= 0.0);
        KOLM_CHECK(s.relay >= 0 && s.relay <= 3 && std::fabs(s.offset) <= 100.0 &&
                   std::fabs(s.supply) <= 100.0);
        for (const char* c = names[ch]; *c != '\0'; ++c) KOLM_CHECK(*c != '/' && *c != '\\' && *c != ':');
        inputs.signal(ch) = s;
        inputs.signal(ch).recording = nullptr;
    }
    inputs.restart(0.0);
    for (const double t : {0.0, 0.25, 3.5, 1e4}) {
        inputs.relays(static_cast<std::uint8_t>(static_cast<int>(t) & 0x0F), t);
        for (int ch = 0; ch < kolmsim::kInputs; ++ch) KOLM_CHECK(std::isfinite(inputs.volts(ch, t)));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const int lines = lineCount(text);

    kolmsim::Signal signals[kolmsim::kInputs];
    kolm::RecordingNames names{};
    const kolm::SignalVerdict ini =
        kolm::parseSignalFile(text.data(), static_cast<int>(text.size()), signals, names);
    KOLM_CHECK(ini.line >= 0 && ini.line <= lines && ini.channel >= 0 && ini.channel < kolmsim::kInputs);
    if (ini.problem == kolm::SignalProblem::none) checkSignals(signals, names);

    static const auto recording = std::make_unique<kolmsim::Recording>();
    const kolm::SignalVerdict csv =
        kolm::parseRecording(text.data(), static_cast<int>(text.size()), *recording);
    KOLM_CHECK(csv.line >= 0 && csv.line <= lines);
    if (csv.problem == kolm::SignalProblem::none) {
        KOLM_CHECK(recording->points >= 1 && recording->points <= kolmsim::kMaxRecordingPoints);
        for (int k = 1; k < recording->points; ++k) KOLM_CHECK(recording->time[k] > recording->time[k - 1]);
        kolmsim::Inputs inputs;
        inputs.signal(0).shape = kolmsim::Shape::Recording;
        inputs.signal(0).recording = recording.get();
        for (const double t : {0.0, 0.5, 17.25, 1e6}) KOLM_CHECK(std::isfinite(inputs.volts(0, t)));
    }
    return 0;
}
