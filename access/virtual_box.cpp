// Port access to the virtual box that kolmsim carries inside itself: the behavioural
// model of a KOLM box (sim/kolm_box.h) on the data and status registers of the port it
// is opened on, powered up when the plug-in loads. Its inputs show the signals of
// kolmsim.ini beside the plug-in (signal_file.h), or the demo signals without one, over
// the time since load; its relay lines drive the RC circuits of those signals. The
// plug-in's procedures run their real port sequences against it, and a reading is what
// the box's converters clock out on the edges those sequences make, as on a real box.
//
// A signal file that is there but not clear leaves the plug-in without a box: it
// answers "no value", and kolmctl info says what is wrong with the file.
#include "kolm_box.h"
#include "module_file.h"
#include "monotonic_clock.h"
#include "port_access.h"
#include "signal_file.h"
#include "virtual_box_panel.h"

namespace kolm {

namespace {

constexpr unsigned kRegisters = 3;  // data, status, control
constexpr std::uint8_t kRelayLines = 0x0F;
constexpr std::uint8_t kUnwired = 0xFF;  // the control register: nothing of the box behind it

kolmsim::Box box;
kolmsim::Inputs inputs;
kolmsim::Recording recordings[kInputs];
RecordingNames recordingNames;
char fileText[kRecordingFileMax];  // one file at a time, while the plug-in loads
std::uint16_t opened;
double poweredAt;
// Written through volatile: nothing in the plug-in reads it, a program that loaded it does.
volatile BoxPanel panel;
static_assert(offsetof(BoxPanel, self) == kBoxPanelSelfAt &&
              offsetof(BoxPanel, dataLines) == kBoxPanelLinesAt);

double sincePowerUp() { return monotonicSeconds() - poweredAt; }

double inputVolts(void*, int channel) { return inputs.volts(channel, sincePowerUp()); }

void showOnPanel(std::uint8_t lines) { panel.dataLines = lines; }

void powerPanel() {
    for (unsigned k = 0; k < sizeof kBoxPanelMark; ++k) panel.mark[k] = kBoxPanelMark[k];
    panel.self = reinterpret_cast<std::uintptr_t>(&panel);
    showOnPanel(box.readData());
}

bool boxIn(std::uint16_t port, std::uint8_t& value) {
    const unsigned reg = static_cast<unsigned>(port - opened) & 0xFFFFu;
    if (reg >= kRegisters) return false;
    value = reg == 0 ? box.readData() : reg == 1 ? box.readStatus() : kUnwired;
    return true;
}

bool boxOut(std::uint16_t port, std::uint8_t value) {
    const unsigned reg = static_cast<unsigned>(port - opened) & 0xFFFFu;
    if (reg >= kRegisters) return false;
    if (reg != 0) return true;
    // A relay that moves starts or stops charging its circuit from this moment.
    if (((value ^ box.readData()) & kRelayLines) != 0) inputs.relays(value & kRelayLines, sincePowerUp());
    box.writeData(value);
    showOnPanel(value);
    return true;
}

int readBeside(void*, const char* name, char* text, int capacity) {
    return readBesideModule(name, text, capacity);
}

const PortAccess boxAccess = {boxIn, boxOut, nullptr};

}  // namespace

const PortAccess* openPortAccess(std::uint16_t base) {
    const SignalSource source =
        loadSignals(readBeside, nullptr, fileText, inputs.signals(), recordingNames, recordings);
    if (source.verdict.problem != SignalProblem::none) return nullptr;
    poweredAt = monotonicSeconds();
    inputs.restart(0.0);
    box = kolmsim::Box();
    box.setInputs({inputVolts, nullptr});
    opened = base;
    powerPanel();
    return &boxAccess;
}

}  // namespace kolm
