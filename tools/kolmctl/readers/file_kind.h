// What kind of file a plug-in is, read from its header before anything loads it:
// an i386 DLL handed to the x86-64 tool must be named as such, not crash dlopen.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace kolmctl {

enum class Container { Elf, Pe, Unknown };
enum class Machine { I386, X86_64, Other };

struct FileKind {
    Container container = Container::Unknown;
    Machine machine = Machine::Other;
};

// The header bytes a file's kind is read from.
constexpr std::size_t kHeadBytes = 4096;
// nullopt when the file cannot be opened.
std::optional<FileKind> readFileKind(const std::string& path);
// The kind from the first bytes of a file (at most kHeadBytes); every offset in
// them is checked against `size`.
FileKind fileKindOf(const unsigned char* head, std::size_t size);
// The kind of plug-in this build of kolmctl loads.
FileKind hostKind();
// "i386 Windows DLL", "x86-64 Linux shared object", ...
std::string describe(const FileKind& kind);
// The port helper a Windows plug-in of this machine loads: a process loads only DLLs of
// its own width, and the 64-bit helper carries the same calls under another name.
const char* windowsHelperFor(Machine machine);

}  // namespace kolmctl
