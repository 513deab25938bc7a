// The USB printer ports: the devices of the USB printing driver's interface class,
// each named as the print spooler names its port, "USB" and the port number the
// driver keeps in the interface's registry key (USB001), else by its description.
#include <windows.h>
// clang-format off: setupapi.h needs windows.h first
#include <setupapi.h>
// clang-format on

#include <cstdio>

#include "windows_machine_facts.h"

namespace kolmctl {

namespace {

// GUID_DEVINTERFACE_USBPRINT, the printer of printers on the USB printing driver.
const GUID kUsbPrintInterface = {
    0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};

std::string portOf(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& printer) {
    HKEY key = SetupDiOpenDeviceInterfaceRegKey(set, &printer, 0, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) return {};
    DWORD number = 0;
    DWORD size = sizeof number;
    DWORD type = 0;
    const LONG done =
        RegQueryValueExA(key, "Port Number", nullptr, &type, reinterpret_cast<BYTE*>(&number), &size);
    RegCloseKey(key);
    if (done != ERROR_SUCCESS || type != REG_DWORD) return {};
    char name[16];
    std::snprintf(name, sizeof name, "USB%03lu", static_cast<unsigned long>(number));
    return name;
}

}  // namespace

void readUsbPrinters(MachinePorts& machine) {
    HDEVINFO set =
        SetupDiGetClassDevsA(&kUsbPrintInterface, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return;
    SP_DEVICE_INTERFACE_DATA printer{};
    printer.cbSize = sizeof printer;
    for (DWORD k = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &kUsbPrintInterface, k, &printer); ++k) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        std::string name = portOf(set, printer);
        if (name.empty() &&
            SetupDiGetDeviceInterfaceDetailA(set, &printer, nullptr, 0, nullptr, &device) == FALSE &&
            device.DevInst != 0)
            name = deviceText(set, device, SPDRP_DEVICEDESC);
        machine.usbPrinters.push_back(name);
    }
    SetupDiDestroyDeviceInfoList(set);
}

}  // namespace kolmctl
