#include "file_format.h"

#include <cstdint>
#include <cstring>
#include <fstream>

namespace kolmctl {

namespace {

std::uint32_t little(const unsigned char* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

Machine elfMachine(std::uint32_t m) {
    if (m == 3) return Machine::I386;     // EM_386
    if (m == 62) return Machine::X86_64;  // EM_X86_64
    return Machine::Other;
}

Machine peMachine(std::uint32_t m) {
    if (m == 0x14C) return Machine::I386;
    if (m == 0x8664) return Machine::X86_64;
    return Machine::Other;
}

}  // namespace

std::optional<FileKind> readFileKind(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    unsigned char head[64] = {};
    in.read(reinterpret_cast<char*>(head), sizeof head);
    const auto got = in.gcount();
    FileKind kind;
    if (got >= 20 && std::memcmp(head,
                                 "\x7F"
                                 "ELF",
                                 4) == 0) {
        kind.container = Container::Elf;
        kind.machine = elfMachine(little(head + 18, 2));
    } else if (got >= 64 && head[0] == 'M' && head[1] == 'Z') {
        // The DOS header's last field points at the "PE\0\0" signature.
        const std::uint32_t peAt = little(head + 60, 4);
        unsigned char pe[6] = {};
        in.clear();
        in.seekg(peAt);
        in.read(reinterpret_cast<char*>(pe), sizeof pe);
        if (in.gcount() == sizeof pe && std::memcmp(pe, "PE\0\0", 4) == 0) {
            kind.container = Container::Pe;
            kind.machine = peMachine(little(pe + 4, 2));
        }
    }
    return kind;
}

FileKind hostKind() {
    FileKind k;
#if defined(_WIN32)
    k.container = Container::Pe;
#else
    k.container = Container::Elf;
#endif
#if defined(__i386__)
    k.machine = Machine::I386;
#elif defined(__x86_64__)
    k.machine = Machine::X86_64;
#endif
    return k;
}

std::string describe(const FileKind& kind) {
    const char* machine = kind.machine == Machine::I386     ? "i386"
                          : kind.machine == Machine::X86_64 ? "x86-64"
                                                            : "other-processor";
    switch (kind.container) {
    case Container::Elf: return std::string(machine) + " Linux shared object (ELF)";
    case Container::Pe: return std::string(machine) + " Windows DLL (PE)";
    case Container::Unknown: break;
    }
    return "not a shared library";
}

}  // namespace kolmctl
