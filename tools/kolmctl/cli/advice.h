// kolmctl's words for what discovery/ finds: why a file beside a plug-in does not read,
// what keeps a plug-in from its port or its virtual box from its signals, and the one
// step that helps. discovery/ gives the facts; every sentence about them is here.
#pragma once

#include <cstdint>
#include <string>

#include "plugin.h"

namespace kolmctl {

// discovery/'s facts (machine_ports.h, plugin_ports.h, virtual_box_signals.h).
struct FileNotRead;
struct MachinePort;
struct MachinePorts;
struct PortSetting;
struct SignalFault;
enum class AccessBlock : std::uint8_t;

// "is a pipe (FIFO) or a socket, not a file".
std::string notReadWords(const FileNotRead& n);
// What is wrong with a port file, e.g. "has no base= line in a [port] section"; empty
// for an absent or valid one.
std::string portFileWords(const PortSetting& s);
// The one step that removes `block`, e.g. "load the ppdev driver: ..."; empty for none.
std::string accessStep(AccessBlock block, const MachinePorts& m, const MachinePort* port);
// "noPpdev", ...: the word of `block` in kolmctl's JSON.
const char* accessBlockWord(AccessBlock block);
// "/lab/kolmsim.ini line 3: frequency= must be above 0 and at most 10000 (hertz)";
// empty when the signals read well.
std::string signalFaultWords(const SignalFault& f);
// The lines, each after `indent`, that tell a user whose Windows bars the port
// helper's driver (m.helperDriverBarred()) why and what can be done.
std::string barredHelperAdvice(const MachinePorts& m, const std::string& indent);

// Why a loaded plug-in that answers "no value" has no box, and what to do.
struct NoBox {
    const char* reason;  // a word for scripts: "noPpdev", "noPortAtBase", "signalFile", ...
    std::string advice;  // lines, each indented by two spaces
};
NoBox noBoxAdvice(Plugin& p);
inline std::string accessAdvice(Plugin& p) { return noBoxAdvice(p).advice; }

// The machine's ports as discovery finds them from kolmctl's folder, with a remark on
// the error stream where the kernel kept a grant of direct I/O it was given back.
MachinePorts machinePorts();

}  // namespace kolmctl
