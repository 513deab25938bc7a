#include "pe_exports.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

std::vector<unsigned char> readFile(const char* path) {
    std::vector<unsigned char> bytes;
    if (FILE* f = std::fopen(path, "rb")) {
        unsigned char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
            bytes.insert(bytes.end(), buffer, buffer + n);
        std::fclose(f);
    }
    return bytes;
}

template <typename T>
const T* at(const std::vector<unsigned char>& file, std::size_t offset) {
    return offset + sizeof(T) <= file.size() ? reinterpret_cast<const T*>(file.data() + offset) : nullptr;
}

}  // namespace

PeExportTable readPeExports(const char* path) {
    PeExportTable table;
    const std::vector<unsigned char> file = readFile(path);
    const auto* dos = at<IMAGE_DOS_HEADER>(file, 0);
    if (!dos || dos->e_magic != IMAGE_DOS_SIGNATURE) return table;
    // The headers of this host's own width: a DLL it loads is of the same.
    const auto* nt = at<IMAGE_NT_HEADERS>(file, static_cast<std::size_t>(dos->e_lfanew));
    const WORD machine = sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
    if (!nt || nt->Signature != IMAGE_NT_SIGNATURE || nt->FileHeader.Machine != machine) return table;
    const auto* sections = reinterpret_cast<const IMAGE_SECTION_HEADER*>(
        reinterpret_cast<const unsigned char*>(&nt->OptionalHeader) + nt->FileHeader.SizeOfOptionalHeader);

    // RVA to file offset through the section that holds it.
    auto offsetOf = [&](DWORD rva) -> std::size_t {
        for (unsigned i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& s = sections[i];
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.SizeOfRawData)
                return rva - s.VirtualAddress + s.PointerToRawData;
        }
        return file.size();
    };
    auto text = [&](DWORD rva) -> std::string {
        const std::size_t offset = offsetOf(rva);
        if (offset >= file.size()) return {};
        return std::string(
            reinterpret_cast<const char*>(file.data() + offset),
            strnlen(reinterpret_cast<const char*>(file.data() + offset), file.size() - offset));
    };

    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    const auto* exports = at<IMAGE_EXPORT_DIRECTORY>(file, offsetOf(dir.VirtualAddress));
    if (!dir.VirtualAddress || !exports) return table;
    table.moduleName = text(exports->Name);
    table.ordinalBase = exports->Base;
    table.functionCount = exports->NumberOfFunctions;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
        const auto* nameRva = at<DWORD>(file, offsetOf(exports->AddressOfNames) + 4 * i);
        const auto* index = at<WORD>(file, offsetOf(exports->AddressOfNameOrdinals) + 2 * i);
        if (!nameRva || !index) return table;
        table.named.push_back({exports->Base + *index, text(*nameRva)});
    }
    table.ok = true;
    return table;
}
