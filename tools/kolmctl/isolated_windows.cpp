// Windows has no fork: the plug-in's side runs in kolmctl's own process. A processor
// fault inside the plug-in (access violation, illegal instruction, division by
// zero) that the plug-in does not handle itself reaches the unhandled-exception
// filter, which jumps back here, and the exchange fails with the exception's name;
// kolmctl loads the plug-in again for any call after it. The plug-in's own
// exception frames must see every fault first: its start-up probes the port with
// one. A call that does not return is not stopped here (a thread stuck in the
// plug-in cannot be taken back); a second Ctrl-C ends kolmctl (isolated_common.cpp).
#include <windows.h>

#include <float.h>
#include <csetjmp>
#include <cstdio>
#include <string>

#include "exit_codes.h"
#include "isolated.h"
#include "plugin_side.h"

namespace kolmctl {

namespace {

std::jmp_buf* landing = nullptr;
DWORD faultCode = 0;

const char* faultName(DWORD code) {
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION: return "access violation";
    case EXCEPTION_ILLEGAL_INSTRUCTION: return "illegal instruction";
    case EXCEPTION_PRIV_INSTRUCTION: return "privileged instruction";
    case EXCEPTION_INT_DIVIDE_BY_ZERO: return "division by zero";
    case EXCEPTION_STACK_OVERFLOW: return "stack overflow";
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED: return "array bounds exceeded";
    case EXCEPTION_DATATYPE_MISALIGNMENT: return "misaligned data";
    case EXCEPTION_BREAKPOINT: return "breakpoint";
    default: return nullptr;
    }
}

LONG WINAPI onFault(EXCEPTION_POINTERS* info) {
    if (landing == nullptr || faultName(info->ExceptionRecord->ExceptionCode) == nullptr)
        return EXCEPTION_CONTINUE_SEARCH;
    faultCode = info->ExceptionRecord->ExceptionCode;
    std::longjmp(*landing, 1);
}

class Guarded : public Isolation {
public:
    Exchange ask(const std::string& request, const std::function<std::string(std::int32_t)>& name) override {
        Exchange e;
        if (interrupted()) {
            e.status = Exchange::Interrupted;
            e.failure = "was stopped by Ctrl-C";
            return e;
        }
        const LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(onFault);
        std::jmp_buf here;
        landing = &here;
        if (setjmp(here) == 0) {
            e.answer = side_.handle(request);
            e.status = Exchange::Answered;
        } else {
            _fpreset();  // the x87 unit as the fault left it is no use to the next call
            char text[80];
            std::snprintf(text, sizeof text, "crashed (%s, exception 0x%08lX)", faultName(faultCode),
                          static_cast<unsigned long>(faultCode));
            e.failure = text;
            e.status = Exchange::Failed;
        }
        landing = nullptr;
        SetUnhandledExceptionFilter(previous);
        e.step = step_;
        // A fault in the start-up leaves the loader's lock held: kolmctl cannot even
        // exit normally, so it says what happened and ends at once.
        if (e.status == Exchange::Failed && step_ == kStepStartUp) {
            std::fflush(stdout);
            std::fprintf(stderr, "kolmctl: the plug-in failed: %s %s\n", name(step_).c_str(),
                         e.failure.c_str());
            std::fflush(stderr);
            TerminateProcess(GetCurrentProcess(), static_cast<UINT>(kPluginFailed));
        }
        return e;
    }

private:
    std::int32_t step_ = 0;
    PluginSide side_{&step_};
};

}  // namespace

std::unique_ptr<Isolation> Isolation::start(unsigned, std::string&) { return std::make_unique<Guarded>(); }

}  // namespace kolmctl
