// The build variant: which parallel port this library drives, and its texts.
// Chosen at build time with KOLM_LPT=1 or KOLM_LPT=2. Only a port file beside the
// plug-in (port_file.h) may move it to another base; the texts stay these.
#pragma once

#include <cstdint>

#if KOLM_LPT == 1
#define KOLM_PORT_NAME "LPT1:"
#define KOLM_PORT_FILE "kolmlpt1.ini"
#define KOLM_PORT_BASE 0x378
#elif KOLM_LPT == 2
#define KOLM_PORT_NAME "LPT2:"
#define KOLM_PORT_FILE "kolmlpt2.ini"
#define KOLM_PORT_BASE 0x278
#else
#error "define KOLM_LPT as 1 or 2"
#endif

namespace kolm::variant {
constexpr std::uint16_t portBase = KOLM_PORT_BASE;
// The optional port file, looked for in the plug-in's own folder.
inline constexpr char portFile[] = KOLM_PORT_FILE;
// Windows-1252: \xE9 is "e acute".
inline constexpr char title[] = "KOLM en " KOLM_PORT_NAME;
inline constexpr char detail[] =
    "DLL (32 bits) pour KOLM 10 bits en " KOLM_PORT_NAME ", par R. Tavelinque, le 20 f\xE9vrier 2001";
}  // namespace kolm::variant
