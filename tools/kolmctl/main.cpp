// kolmctl: drives a plug-in file from a terminal the way the host program does:
// loads it, walks its function directory and calls the entry points it lists.
#include <dlfcn.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

struct DirectoryEntry {
    const char* signature;
    const void* entry;
};

// The directory names entry points by their text, e.g. "PURE PASCAL int EA(int)".
// The entry's address, ready to be cast to the function type the text announces.
void* listed(const DirectoryEntry* dir, const char* name) {
    for (; dir->signature != nullptr; ++dir) {
        const char* open = std::strchr(dir->signature, '(');
        const char* space = open;
        while (space && space > dir->signature && space[-1] != ' ') --space;
        if (open != nullptr && std::string(space, open) == name) return const_cast<void*>(dir->entry);
    }
    return nullptr;
}

// Texts come in Windows-1252; show them on a UTF-8 terminal.
std::string utf8(const char* text) {
    std::string out;
    for (const auto* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (*p < 0x80) {
            out += static_cast<char>(*p);
        } else if (*p >= 0xA0) {
            out += static_cast<char>(0xC0 | (*p >> 6));
            out += static_cast<char>(0x80 | (*p & 0x3F));
        } else {
            out += '?';
        }
    }
    return out;
}

int usage() {
    std::fprintf(stderr, "usage: kolmctl PLUGIN info | read [COUNT]\n");
    return 2;
}

}  // namespace

// NOLINTNEXTLINE(readability-function-cognitive-complexity): one flat dispatcher for the two commands
int main(int argc, char** argv) {
    if (argc < 3) return usage();
    void* lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        std::fprintf(stderr, "kolmctl: cannot load %s: %s\n", argv[1], dlerror());
        return 3;
    }
    auto directory = reinterpret_cast<DirectoryEntry* (*)()>(dlsym(lib, "DLLFunctionDirectory"));
    if (!directory) {
        std::fprintf(stderr, "kolmctl: %s is not a plug-in (no DLLFunctionDirectory)\n", argv[1]);
        return 4;
    }
    const DirectoryEntry* dir = directory();
    using Text = const char* (*)(std::int32_t);
    auto title = reinterpret_cast<const char* (*)()>(listed(dir, "titre"));
    auto detail = reinterpret_cast<const char* (*)()>(listed(dir, "Detail"));
    auto counts = reinterpret_cast<std::int32_t (*)(std::int32_t)>(listed(dir, "EA"));
    auto volts = reinterpret_cast<double (*)(std::int32_t)>(listed(dir, "EAD"));
    auto name = reinterpret_cast<Text>(listed(dir, "NEAD"));
    const std::string command = argv[2];

    if (command == "info") {
        if (title) std::printf("%s\n", utf8(title()).c_str());
        if (detail) std::printf("%s\n", utf8(detail()).c_str());
        for (const DirectoryEntry* e = dir; e->signature; ++e) std::printf("  %s\n", e->signature);
        return 0;
    }
    if (command == "read") {
        if (!counts || !volts || !name) return usage();
        const int n = argc > 3 ? static_cast<int>(std::strtol(argv[3], nullptr, 10)) : 5;
        for (int i = 0; i < n; ++i) {
            if (i) std::this_thread::sleep_for(std::chrono::milliseconds(500));
            for (std::int32_t ch = 0; ch < 2; ++ch) {
                const std::int32_t c = counts(ch);
                std::printf("%s: %4d counts  %.3f V%s", utf8(name(ch)).c_str(), c, volts(ch), ch ? "\n" : "   ");
            }
        }
        return 0;
    }
    return usage();
}
