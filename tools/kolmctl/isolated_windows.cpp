// Windows has no fork: the probe runs in kolmctl's own process, and a processor
// fault inside the plug-in (access violation, illegal instruction, division by
// zero) is caught by a vectored exception handler that jumps back here. What the
// probe had allocated is left behind; kolmctl goes on to the next probe.
#include <windows.h>

#include <float.h>
#include <csetjmp>
#include <cstdio>

#include "isolated.h"

namespace kolmctl {

namespace {

std::jmp_buf* landing = nullptr;
DWORD faultCode = 0;

bool isFault(DWORD code) {
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_STACK_OVERFLOW:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT: return true;
    default: return false;
    }
}

LONG CALLBACK onFault(EXCEPTION_POINTERS* info) {
    if (landing == nullptr || !isFault(info->ExceptionRecord->ExceptionCode))
        return EXCEPTION_CONTINUE_SEARCH;
    faultCode = info->ExceptionRecord->ExceptionCode;
    std::longjmp(*landing, 1);
}

}  // namespace

Outcome runIsolated(const std::function<Outcome()>& probe) {
    PVOID handler = AddVectoredExceptionHandler(1, onFault);
    std::jmp_buf here;
    Outcome outcome;
    landing = &here;
    if (setjmp(here) == 0) {
        outcome = probe();
    } else {
        _fpreset();  // the x87 unit as the fault left it is no use to the next probe
        char text[64];
        std::snprintf(text, sizeof text, "crashed (exception 0x%08lX)",
                      static_cast<unsigned long>(faultCode));
        outcome = {false, text};
    }
    landing = nullptr;
    if (handler != nullptr) RemoveVectoredExceptionHandler(handler);
    return outcome;
}

}  // namespace kolmctl
