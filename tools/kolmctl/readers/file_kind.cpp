#include "file_kind.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

#include "byte_view.h"
#include "interface_facts.h"

namespace kolmctl {

namespace {

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
    std::vector<unsigned char> head(kHeadBytes);
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    return fileKindOf(head.data(), static_cast<std::size_t>(in.gcount()));
}

FileKind fileKindOf(const unsigned char* head, std::size_t size) {
    constexpr std::uint64_t kElfMachine = 18;
    constexpr std::uint64_t kPeOffsetField = 60;  // the DOS header's last field points at "PE\0\0"
    const ByteView bytes(head, size);
    FileKind kind;
    if (bytes.has(0, 4) && std::memcmp(head,
                                       "\x7F"
                                       "ELF",
                                       4) == 0) {
        if (const auto machine = bytes.le16(kElfMachine)) {
            kind.container = Container::Elf;
            kind.machine = elfMachine(*machine);
        }
    } else if (bytes.le16(0) == 0x5A4DU) {  // "MZ"
        const auto peAt = bytes.le32(kPeOffsetField);
        const auto machine =
            peAt && bytes.le32(*peAt) == 0x4550U ? bytes.le16(*peAt + std::uint64_t{4}) : std::nullopt;
        if (machine) {
            kind.container = Container::Pe;
            kind.machine = peMachine(*machine);
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

const char* windowsHelperFor(Machine machine) {
    return machine == Machine::X86_64 ? kolm::facts::kHelperDll64 : kolm::facts::kHelperDll32;
}

}  // namespace kolmctl
