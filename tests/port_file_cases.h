// The port file beside a plug-in, as the hosts' tests lay it out: one table shared by
// the native, Linux and Windows hosts. Each row is a folder holding a copy of the
// plug-in and, maybe, its kolmlptN.ini; `base` is where the plug-in must then work.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "port_file.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

// The kind of base an add-in card gets from the firmware.
constexpr std::uint16_t kCardBase = 0xD010;
constexpr int kOwnBase = -1;  // the variant's base, as with no file
constexpr int kNoPort = 0;    // loads, touches no port, answers -777

struct PortFileCase {
    const char* name = "";
    const char* text = nullptr;  // the file's bytes; nullptr: no file; kFolderText...: see layOutSpecial
    int base = kOwnBase;
    kolm::PortFile kind = kolm::PortFile::absent;
    bool inCurrentFolder = false;  // the file lies in the current folder, not beside the plug-in
};

// Not a file but a folder, a FIFO that no one writes to, or a link to /dev/null, of the
// file's name: the plug-in must load at once, without reading it.
inline constexpr char kFolderText[] = "<folder>";
inline constexpr char kFifoText[] = "<fifo>";
inline constexpr char kDeviceText[] = "<device>";
inline bool isSpecial(const char* text) {
    return text == kFolderText || text == kFifoText || text == kDeviceText;
}

// Makes `path` the folder, FIFO or device that `text` names; false for a plain text, and
// for the FIFO and device where the test runs on Windows (a Wine host makes neither).
inline bool layOutSpecial(const std::filesystem::path& path, const char* text) {
    if (text == kFolderText) return std::filesystem::create_directory(path);
#if !defined(_WIN32)
    if (text == kFifoText) return ::mkfifo(path.c_str(), 0600) == 0;
    if (text == kDeviceText) return ::symlink("/dev/null", path.c_str()) == 0;
#endif
    return false;
}
// What kolmctl says of such a file, after its name.
inline const char* notAFileReason(const char* text) {
    return text == kFolderText ? "is a folder, not a file"
           : text == kFifoText ? "is a pipe (FIFO) or a socket, not a file"
                               : "is a device, not a file";
}
// Whether this host can lay out `text` at all.
inline bool canLayOut(const char* text) {
#if defined(_WIN32)
    return text != kFifoText && text != kDeviceText;
#else
    static_cast<void>(text);
    return true;
#endif
}
// A valid file made too long to be read whole by its comments.
inline constexpr auto kLongFile = [] {
    std::array<char, kolm::kPortFileMax + 32> text{};
    const char head[] = "[port]\nbase=0xD010\n";
    for (std::size_t k = 0; k + 1 < text.size(); ++k) text[k] = k + 1 < sizeof head ? head[k] : ';';
    return text;
}();

inline const PortFileCase kPortFileCases[] = {
    {"no file", nullptr, kOwnBase, kolm::PortFile::absent},
    {"hex", "[port]\nbase=0xD010\n", kCardBase, kolm::PortFile::valid},
    {"decimal, CRLF, comments, other sections",
     "; PCIe card\r\n[printer]\r\nbase=0x378\r\n\r\n  [ Port ]  \r\n# from Device Manager\r\n BASE = 53264 ; "
     "slot 2\r\n",
     kCardBase, kolm::PortFile::valid},
    {"only in the current folder", "[port]\nbase=0xD010\n", kOwnBase, kolm::PortFile::absent, true},
    {"unreadable", kFolderText, kNoPort, kolm::PortFile::unreadable},
    {"larger than the plug-in reads", kLongFile.data(), kNoPort, kolm::PortFile::unreadable},
    {"a FIFO", kFifoText, kNoPort, kolm::PortFile::unreadable},
    {"a device", kDeviceText, kNoPort, kolm::PortFile::unreadable},
    {"a UTF-8 byte-order mark", "\xEF\xBB\xBF[port]\nbase=0xD010\n", kCardBase, kolm::PortFile::valid},
    {"no base", "[port]\n; base=0xD010\n", kNoPort, kolm::PortFile::noBase},
    {"base outside [port]", "base=0xD010\n", kNoPort, kolm::PortFile::noBase},
    {"not a number", "[port]\nbase=0xD01G\n", kNoPort, kolm::PortFile::notANumber},
    {"empty base", "[port]\nbase=\n", kNoPort, kolm::PortFile::notANumber},
    {"below 0x100", "[port]\nbase=0xFC\n", kNoPort, kolm::PortFile::outOfRange},
    {"above 0xFFF8", "[port]\nbase=0xFFFC\n", kNoPort, kolm::PortFile::outOfRange},
    {"not a multiple of 4", "[port]\nbase=0xD012\n", kNoPort, kolm::PortFile::notAligned},
    {"two bases", "[port]\nbase=0xD010\nbase=0xE800\n", kNoPort, kolm::PortFile::twoBases},
};

// A valid file naming the card.
inline const PortFileCase& kCardFile = kPortFileCases[1];

// A folder of this process's own under the temporary folder, removed at the end.
struct ScratchFolder {
    explicit ScratchFolder(const char* name)
        : path(std::filesystem::temp_directory_path() /
               (std::string(name) + "-" +
                std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()))) {}
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::filesystem::path path;
};

// `folder`, emptied, holding a copy of `plugin` and the row's file; the current
// folder's file, for the row that has one, is `current`/<name>. The plug-in's path.
inline std::filesystem::path layOutPortFile(const PortFileCase& row, const std::filesystem::path& folder,
                                            const std::filesystem::path& current, const char* plugin,
                                            const char* fileName) {
    namespace fs = std::filesystem;
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::remove_all(current / fileName);
    fs::path copy = folder / fs::path(plugin).filename();
    fs::copy_file(plugin, copy);
    if (layOutSpecial(folder / fileName, row.text)) {
    } else if (row.text) {
        std::ofstream(row.inCurrentFolder ? current / fileName : folder / fileName, std::ios::binary)
            << row.text;
    }
    return copy;
}

inline int expectedBase(const PortFileCase& row, std::uint16_t own) {
    return row.base == kOwnBase ? own : row.base;
}
