// The build variant: which parallel port this library drives, and its texts.
// Chosen at build time with KOLM_LPT=1 or KOLM_LPT=2, or KOLM_VIRTUAL_BOX for kolmsim,
// whose box is a simulated one inside the plug-in itself. Only a port file beside the
// plug-in (port_file.h) may move kolmlpt1 or kolmlpt2 to another base; the texts stay
// these.
#pragma once

#include <cstdint>

#if defined(KOLM_VIRTUAL_BOX)
// At LPT1's address, with no port file: its one file, kolmsim.ini, holds the box's
// signals and is read by the virtual box itself (access/virtual_box.cpp). Its texts say
// it is simulated, so that no one takes its readings for measurements.
#define KOLM_PORT_FILE ""
#define KOLM_PORT_BASE 0x378
#define KOLM_TITLE     "KOLM simul\xE9"
#define KOLM_DETAIL                                                                                     \
    "DLL pour KOLM 10 bits simul\xE9 : bo\xEEte virtuelle, signaux de kolmsim.ini, aucune mesure r\xE9" \
    "elle"
#elif KOLM_LPT == 1
#define KOLM_PORT_NAME "LPT1:"
#define KOLM_PORT_FILE "kolmlpt1.ini"
#define KOLM_PORT_BASE 0x378
#elif KOLM_LPT == 2
#define KOLM_PORT_NAME "LPT2:"
#define KOLM_PORT_FILE "kolmlpt2.ini"
#define KOLM_PORT_BASE 0x278
#else
#error "define KOLM_LPT as 1 or 2, or KOLM_VIRTUAL_BOX"
#endif

#if defined(KOLM_PORT_NAME)
#define KOLM_TITLE "KOLM en " KOLM_PORT_NAME
#define KOLM_DETAIL \
    "DLL (32 bits) pour KOLM 10 bits en " KOLM_PORT_NAME ", par R. Tavelinque, le 20 f\xE9vrier 2001"
#endif

namespace kolm::variant {
constexpr std::uint16_t portBase = KOLM_PORT_BASE;
// The optional port file, looked for in the plug-in's own folder; "" for none.
inline constexpr char portFile[] = KOLM_PORT_FILE;
// Windows-1252: \xE9 is "e acute", \xEE "i circumflex".
inline constexpr char title[] = KOLM_TITLE;
inline constexpr char detail[] = KOLM_DETAIL;
}  // namespace kolm::variant
