#include "windows_machine_facts.h"

#include <windows.h>

namespace kolmctl {

namespace {

// A REG_DWORD under HKEY_LOCAL_MACHINE, or `absent` where the key or value is not there.
DWORD machineDword(const char* key, const char* name, DWORD absent) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return absent;
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = 0;
    const LONG done = RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(k);
    return done == ERROR_SUCCESS && type == REG_DWORD ? value : absent;
}

}  // namespace

void readCodeIntegrity(MachinePorts& machine) {
    machine.memoryIntegrity =
        machineDword(
            "SYSTEM\\CurrentControlSet\\Control\\DeviceGuard\\Scenarios\\HypervisorEnforcedCodeIntegrity",
            "Enabled", 0) == 1;
    machine.driverBlocklist = machineDword("SYSTEM\\CurrentControlSet\\Control\\CI\\Config",
                                           "VulnerableDriverBlocklistEnable", 0) == 1;
}

}  // namespace kolmctl
