// The virtual box's signal file beside kolmsim, as the tests lay it out: one table for
// the parser's own test, the hosts that load kolmsim and kolmctl. Each row is a
// kolmsim.ini (and maybe the recording rec.csv it names) and what it must come to: the
// readings it gives, or no box at all with the problem and the line at fault.
#pragma once

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "port_file_cases.h"
#include "signal_file.h"

constexpr int kAnyCount = -1;  // a signal that changes with time: any count will do

struct SignalFileCase {
    const char* name = "";
    const char* ini = nullptr;        // kolmsim.ini's bytes; nullptr: none; kFolderText...: see layOutSpecial
    const char* recording = nullptr;  // rec.csv's bytes, the same way
    kolm::SignalProblem problem = kolm::SignalProblem::none;
    int line = 0;
    int channel = 0;
    int counts[2] = {kAnyCount, kAnyCount};  // what EA(0) and EA(1) read when there is no problem
};

// Too long to be read whole, however valid.
inline constexpr auto kLongSignalFile = [] {
    std::array<char, kolm::kSignalFileMax + 32> text{};
    const char head[] = "[channel0]\nsignal=sine\n";
    for (std::size_t k = 0; k + 1 < text.size(); ++k) text[k] = k + 1 < sizeof head ? head[k] : ';';
    return text;
}();
// One point more than a recording may hold: "0,1", "1,1", ... "4096,1".
inline constexpr auto kLongRecording = [] {
    std::array<char, std::size_t{8} * (kolmsim::kMaxRecordingPoints + 2)> text{};
    std::size_t at = 0;
    for (int k = 0; k <= kolmsim::kMaxRecordingPoints; ++k) {
        char digits[8] = {};
        int n = 0;
        for (int v = k; n == 0 || v > 0; v /= 10) digits[n++] = static_cast<char>('0' + v % 10);
        while (n > 0) text[at++] = digits[--n];
        for (const char c : {',', '1', '\n'}) text[at++] = c;
    }
    return text;
}();

using P = kolm::SignalProblem;
inline const char kRecordingRow[] = "[channel1]\nsignal=csv\nfile=rec.csv\n";

inline const SignalFileCase kSignalFileCases[] = {
    {"no file: the demo signals", nullptr},
    // 0x2AA and 0x155: a swapped channel, a reversed bit order or a missed inversion of
    // BUSY reads as another count.
    {"constants, CRLF, comments, decimal comma, names in any case",
     "; lesson 1\r\n[Channel0]\r\nSIGNAL = Constant ; "
     "held\r\noffset=3,3301\r\n\r\n[channel1]\r\nsignal=constant\r\n"
     "offset=1.6651\r\n",
     nullptr,
     P::none,
     0,
     0,
     {682, 341}},
    {"a recording, with a header and comments",
     kRecordingRow,
     "# kolmctl capture\ntime_s,ch0_volts\n0,1.6651\n10,1.6651\n",
     P::none,
     0,
     0,
     {0, 341}},
    // The file as a whole.
    {"unreadable", kFolderText, nullptr, P::unreadable},
    {"larger than the plug-in reads", kLongSignalFile.data(), nullptr, P::unreadable},
    {"a FIFO", kFifoText, nullptr, P::unreadable},
    {"a device", kDeviceText, nullptr, P::unreadable},
    {"a UTF-8 byte-order mark",
     "\xEF\xBB\xBF[channel0]\nsignal=constant\noffset=3.3301\n[channel1]\nsignal=constant\noffset=1.6651\n",
     nullptr,
     P::none,
     0,
     0,
     {682, 341}},
    // What is wrong before any section, or in channel 0's.
    {"unknown section", "[voie0]\nsignal=sine\n", nullptr, P::unknownSection, 1},
    {"section twice", "[channel0]\nsignal=sine\n\n[channel0]\n", nullptr, P::sectionTwice, 4},
    {"setting outside a section", "signal=sine\n[channel0]\n", nullptr, P::outsideSection, 1},
    {"not a setting", "[channel0]\nsine\n", nullptr, P::notASetting, 2},
    {"unknown setting", "[channel0]\nsignal=sine\nfrequence=2\n", nullptr, P::unknownSetting, 3},
    {"empty number", "[channel0]\nsignal=constant\noffset=\n", nullptr, P::notANumber, 3},
    {"volts beyond 100", "[channel0]\nsignal=constant\noffset=1e3\n", nullptr, P::outOfRange, 3},
    {"relay 1.5", "[channel0]\nsignal=rc\nrelay=1.5\n", nullptr, P::outOfRange, 3},
    {"relay far beyond a whole number", "[channel0]\nsignal=rc\nrelay=1e99\n", nullptr, P::outOfRange, 3},
    {"negative noise", "[channel0]\nsignal=constant\nnoise=-0.1\n", nullptr, P::outOfRange, 3},
    {"csv without a file", "[channel0]\nsignal=csv\n", nullptr, P::noRecording, 1},
    // And in channel 1's.
    {"setting twice", "[channel1]\nsignal=sine\nsignal=ramp\n", nullptr, P::settingTwice, 3, 1},
    {"no signal", "[channel0]\nsignal=ramp\n[channel1]\noffset=2\n", nullptr, P::noSignal, 3, 1},
    {"unknown signal", "[channel1]\nsignal=sinus\n", nullptr, P::unknownSignal, 2, 1},
    {"not a number", "[channel1]\nsignal=constant\noffset=2.5V\n", nullptr, P::notANumber, 3, 1},
    {"frequency 0", "[channel1]\nsignal=sine\nfrequency=0\n", nullptr, P::outOfRange, 3, 1},
    {"relay 4", "[channel1]\nsignal=rc\nrelay=4\n", nullptr, P::outOfRange, 3, 1},
    // The recording a csv signal names, and its lines.
    {"recording in another folder", "[channel0]\nsignal=csv\nfile=../rec.csv\n", nullptr,
     P::recordingNotBeside, 3},
    {"recording missing", kRecordingRow, nullptr, P::recordingMissing, 0, 1},
    {"recording unreadable", kRecordingRow, kFolderText, P::recordingUnreadable, 0, 1},
    {"recording a FIFO", kRecordingRow, kFifoText, P::recordingUnreadable, 0, 1},
    {"recording a device", kRecordingRow, kDeviceText, P::recordingUnreadable, 0, 1},
    {"recording named CON", "[channel0]\nsignal=csv\nfile=CON\n", nullptr, P::recordingNotBeside, 3},
    {"recording named com1.csv", "[channel0]\nsignal=csv\nfile= com1.csv\n", nullptr, P::recordingNotBeside,
     3},
    {"recording with a byte-order mark",
     kRecordingRow,
     "\xEF\xBB\xBF"
     "0,1.6651\n10,1.6651\n",
     P::none,
     0,
     0,
     {0, 341}},
    {"recording volts beyond the largest number", kRecordingRow, "0,1\n1,1e400\n", P::recordingOutOfRange, 2,
     1},
    {"recording time before the start", kRecordingRow, "-1,1\n1,1\n", P::recordingOutOfRange, 1, 1},
    {"recording line not time,volts", kRecordingRow, "0,1\n0.5\n", P::recordingNotTimeVolts, 2, 1},
    {"recording time going back", kRecordingRow, "0;1,0\n1;1,5\n1;2,0\n", P::recordingNotLater, 3, 1},
    {"recording too long", kRecordingRow, kLongRecording.data(), P::recordingTooLong,
     kolmsim::kMaxRecordingPoints + 1, 1},
    {"recording empty", kRecordingRow, "# nothing yet\n", P::recordingEmpty, 0, 1},
};

// Writes `text` as the file `path` (see layOutSpecial); nothing for nullptr.
inline void layOutFile(const std::filesystem::path& path, const char* text) {
    if (!layOutSpecial(path, text) && text) std::ofstream(path, std::ios::binary) << text;
}
inline bool canLayOut(const SignalFileCase& row) { return canLayOut(row.ini) && canLayOut(row.recording); }

// `folder`, emptied, holding a copy of kolmsim and the row's files. The copy's path.
inline std::filesystem::path layOutSignalFiles(const SignalFileCase& row, const std::filesystem::path& folder,
                                               const char* plugin) {
    namespace fs = std::filesystem;
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::path copy = folder / fs::path(plugin).filename();
    fs::copy_file(plugin, copy);
    layOutFile(folder / kolm::kSignalFileName, row.ini);
    layOutFile(folder / "rec.csv", row.recording);
    return copy;
}

// The row's files as the virtual box reads them, without a folder (signal_file.h).
inline int readRowFile(void* row, const char* name, char* text, int capacity) {
    const auto& r = *static_cast<const SignalFileCase*>(row);
    const char* bytes = std::strcmp(name, kolm::kSignalFileName) == 0 ? r.ini
                        : std::strcmp(name, "rec.csv") == 0           ? r.recording
                                                                      : nullptr;
    if (bytes == nullptr) return kolm::kNoSuchFile;
    const std::size_t length = std::strlen(bytes);
    if (isSpecial(bytes) || length >= static_cast<std::size_t>(capacity)) return kolm::kUnreadableFile;
    std::memcpy(text, bytes, length + 1);
    return static_cast<int>(length);
}
