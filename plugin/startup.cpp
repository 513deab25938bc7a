#include "startup.h"

#include "kolmunit.h"
#include "variant.h"

namespace kolm {

void startLibrary() {
    resolution = 10;
    selectPort(variant::portBase);
    // Where the platform refuses the port, the library still loads and answers
    // "no value" rather than touching it. A port held by another program, or one
    // whose first accesses fail, is started by the first call that gets it.
    if (openPort()) portReady();
}

}  // namespace kolm
