// What kolmctl says when Windows bars the port helper's driver (discovery/ reads the
// settings): why, that administrator rights do not change it, and the choices left.
#include "barred_helper.h"

#include "machine_ports.h"

namespace kolmctl {

std::string barredHelperAdvice(const MachinePorts& m, const std::string& indent) {
    const std::string setting = m.memoryIntegrity ? "Memory integrity" : "the vulnerable driver blocklist";
    std::string text = indent + (m.memoryIntegrity ? "Memory integrity" : "The vulnerable driver blocklist") +
                       " is on (Windows Security, Device security, Core isolation):\n" + indent +
                       "Windows does not let the port helper's driver load while it is on, and running\n" +
                       indent + "as administrator does not change that.";
    if (m.memoryIntegrity && m.driverBlocklist)
        text += "\n" + indent + "The vulnerable driver blocklist, on with it, bars that driver too.";
    return text + "\n" + indent + "The choices:\n" + indent + "- turn " + setting +
           " off there (Core isolation details), then restart: the PC is\n" + indent +
           "  then less protected against malicious drivers, a choice for whoever looks after it;\n" +
           indent + "- connect the box to a PC whose Windows lets the driver load, or to a Linux\n" + indent +
           "  system (ppdev);\n" + indent +
           "- prepare lessons without the box on kolmsim, the virtual box (kolmsim.dll).";
}

}  // namespace kolmctl
