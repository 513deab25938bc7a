// The calls of an InpOut32-compatible port helper DLL:
//   short __stdcall Inp32(short port)
//   void  __stdcall Out32(short port, short value)
//   int   __stdcall IsInpOutDriverOpen(void)   (optional)
// The file of each width is named in interface_facts.h (kolm::facts::kHelperDll).
// One test of whether a loaded helper can reach the port, for the plug-in and for
// kolmctl ports, which must agree on it.
#pragma once

#include <windows.h>

namespace kolm {

using Inp32Fn = short(__stdcall*)(short);
using Out32Fn = void(__stdcall*)(short, short);

struct HelperCalls {
    Inp32Fn inp32 = nullptr;
    Out32Fn out32 = nullptr;
};

// The helper's port calls; false when it lacks Inp32 or Out32, or reports its driver
// closed: then it cannot reach the port.
bool bindHelperCalls(HMODULE helper, HelperCalls& calls);

}  // namespace kolm
