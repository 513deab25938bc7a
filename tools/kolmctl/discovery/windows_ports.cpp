// The parallel ports that Windows knows: the Ports device class through SetupAPI
// (the LPTn among the COMn), each with its friendly name and its I/O base from the
// configuration manager; and whether the port helper beside the program loads and
// reports its driver open. System DLLs only; no port is opened or touched.
#include <windows.h>
// clang-format off: setupapi.h needs windows.h first
#include <cfgmgr32.h>
#include <setupapi.h>
// clang-format on

#include "interface_facts.h"
#include "machine_ports.h"
#include "win_helper_calls.h"
#include "windows_machine_facts.h"

namespace kolmctl {

namespace {

// The Ports (COM and LPT) device class.
const GUID kPortsClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// Text of the system's "A" calls, in the ANSI code page, as UTF-8: a port's friendly
// name or a folder may hold accented letters.
std::string utf8FromAnsi(const char* text) {
    const int wide = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (wide <= 1) return {};
    std::wstring w(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, w.data(), wide);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1) return {};
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, out.data(), bytes, nullptr, nullptr);
    out.pop_back();  // the NUL
    return out;
}

// The I/O ranges the device was given (else those the firmware set at boot).
std::vector<IoRange> ioRanges(DEVINST device) {
    std::vector<IoRange> ranges;
    LOG_CONF conf = 0;
    if (CM_Get_First_Log_Conf(&conf, device, ALLOC_LOG_CONF) != CR_SUCCESS &&
        CM_Get_First_Log_Conf(&conf, device, BOOT_LOG_CONF) != CR_SUCCESS)
        return ranges;
    RES_DES previous = conf;
    RES_DES next = 0;
    while (CM_Get_Next_Res_Des(&next, previous, ResType_IO, nullptr, 0) == CR_SUCCESS) {
        ULONG size = 0;
        if (CM_Get_Res_Des_Data_Size(&size, next, 0) == CR_SUCCESS && size > 0) {
            std::vector<unsigned char> data(size);
            IoRange range{};
            if (CM_Get_Res_Des_Data(next, data.data(), size, 0) == CR_SUCCESS &&
                parseIoDescriptor(data.data(), data.size(), range))
                ranges.push_back(range);
        }
        if (previous != conf) CM_Free_Res_Des_Handle(previous);
        previous = next;
    }
    if (previous != conf) CM_Free_Res_Des_Handle(previous);
    CM_Free_Log_Conf_Handle(conf);
    return ranges;
}

// "LPT1", "COM3": the name under which Windows offers the port.
std::string portName(HDEVINFO set, SP_DEVINFO_DATA& device) {
    HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) return {};
    char name[64] = {};
    DWORD size = sizeof name - 1;
    DWORD type = 0;
    const LONG done = RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
    RegCloseKey(key);
    return done == ERROR_SUCCESS && type == REG_SZ ? utf8FromAnsi(name) : std::string();
}

}  // namespace

std::string deviceText(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
    char text[256] = {};
    if (!SetupDiGetDeviceRegistryPropertyA(set, &device, property, nullptr, reinterpret_cast<BYTE*>(text),
                                           sizeof text - 1, nullptr))
        return {};
    return utf8FromAnsi(text);
}

std::string systemTextAsUtf8(const std::string& text) { return utf8FromAnsi(text.c_str()); }

std::string programFolder() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return ".\\";
    std::string file(path, n);
    return file.substr(0, file.find_last_of("\\/") + 1);
}

MachinePorts discoverPorts(const std::string& folder) {
    MachinePorts machine;
    machine.pluginSuffix = ".dll";
    HDEVINFO set = SetupDiGetClassDevsA(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (set != INVALID_HANDLE_VALUE) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        for (DWORD k = 0; SetupDiEnumDeviceInfo(set, k, &device); ++k) {
            MachinePort port;
            port.name = portName(set, device);
            if (port.name.rfind("LPT", 0) != 0) continue;  // the serial ports share the class
            port.description = deviceText(set, device, SPDRP_FRIENDLYNAME);
            port.base = parallelBase(ioRanges(device.DevInst));
            machine.ports.push_back(port);
        }
        SetupDiDestroyDeviceInfoList(set);
    }
    // The helper as the plug-in takes it: by full path, its own DLLs from its folder.
    const std::string helper = folder + kolm::facts::kHelperDll;
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryExA(helper.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    SetErrorMode(oldMode);
    if (module != nullptr) {
        machine.helper = utf8FromAnsi(helper.c_str());
        kolm::HelperCalls calls;
        machine.helperOpen = kolm::bindHelperCalls(module, calls);
        FreeLibrary(module);
    }
    readCodeIntegrity(machine);
    readUsbPrinters(machine);
    return machine;
}

AccessBlock accessBlock(const MachinePorts& machine, const MachinePort*) {
    // No helper, and no administrator, brings a barred driver in.
    if (!machine.helperOpen && machine.helperDriverBarred()) return AccessBlock::helperBarred;
    if (machine.helper.empty()) return AccessBlock::noHelper;
    if (!machine.helperOpen) return AccessBlock::helperClosed;
    return AccessBlock::none;
}

}  // namespace kolmctl
