// The front panel of the virtual box inside a loaded kolmsim (access/virtual_box_panel.h):
// the data lines the box holds, which no entry point gives a host. Found apart from
// kolmctl's search: a kolm::BoxPanel at its own alignment in one of the library's
// writable segments, marked and holding its own address.
#pragma once

#include <dlfcn.h>
#include <link.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "virtual_box_panel.h"

// The library's bytes as they are, past AddressSanitizer, which keeps marks around an
// instrumented library's variables and would take reading between them for a fault.
__attribute__((no_sanitize("address"))) inline std::string rawCopy(const char* from, std::size_t n) {
    std::string bytes(n, '\0');
    const volatile char* source = from;
    for (std::size_t k = 0; k < n; ++k) bytes[k] = source[k];
    return bytes;
}

inline std::optional<std::uint8_t> boxPanelLines(void* library) {
    link_map* map = nullptr;
    if (library == nullptr || dlinfo(library, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr)
        return std::nullopt;
    struct Search {
        ElfW(Addr) base = 0;
        std::optional<std::uint8_t> lines;
    } search{map->l_addr, std::nullopt};
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data) {
            auto* s = static_cast<Search*>(data);
            if (info->dlpi_addr != s->base) return 0;
            for (int k = 0; k < info->dlpi_phnum; ++k) {
                const ElfW(Phdr)& segment = info->dlpi_phdr[k];
                if (segment.p_type != PT_LOAD || (segment.p_flags & PF_W) == 0) continue;
                const ElfW(Addr) at = info->dlpi_addr + segment.p_vaddr;
                // NOLINTNEXTLINE(performance-no-int-to-ptr): the loader gives the segment as a number
                const std::string bytes = rawCopy(reinterpret_cast<const char*>(at), segment.p_memsz);
                constexpr std::size_t align = alignof(kolm::BoxPanel);
                for (std::size_t p = (align - at % align) % align; p + sizeof(kolm::BoxPanel) <= bytes.size();
                     p += align) {
                    kolm::BoxPanel panel{};
                    std::memcpy(&panel, bytes.data() + p, sizeof panel);
                    if (panel.self == at + p &&
                        std::memcmp(panel.mark, kolm::kBoxPanelMark, sizeof panel.mark) == 0)
                        s->lines = panel.dataLines;
                }
            }
            return 1;
        },
        &search);
    return search.lines;
}
