#include "startup.h"

#include "kolmunit.h"
#include "module_file.h"
#include "port_file.h"
#include "relays.h"
#include "variant.h"

namespace kolm {

namespace {

// The port file beside the plug-in, if any: a card that the firmware placed at another
// address than the variant's. `base` is set when it is valid.
PortFile readPortFile(std::uint16_t& base) {
    if (variant::portFile[0] == '\0') return PortFile::absent;
    char text[kPortFileMax];
    const int length = readBesideModule(variant::portFile, text, kPortFileMax);
    if (length == kNoSuchFile) return PortFile::absent;
    if (length < 0) return PortFile::unreadable;
    return parsePortFile(text, length, base);
}

}  // namespace

void startLibrary() {
    unit.resolution = 10;
    std::uint16_t base = variant::portBase;
    const PortFile file = readPortFile(base);
    selectPort(base);
    // A port file that says nothing clear leaves the plug-in without a port: it never
    // guesses which port the user meant.
    if (file != PortFile::absent && file != PortFile::valid) return;
    // Where the platform refuses the port, the library still loads and answers
    // "no value" rather than touching it. A port held by another program, or one
    // whose first accesses fail, is started by the first call that gets it.
    if (openPort()) portReady();
}

void resetLibrary() {
    resetModule();
    relayState = 0;
}

}  // namespace kolm
