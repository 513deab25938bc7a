// Windows has no fork: the plug-in's side runs in kolmctl's own process. A processor
// fault inside the plug-in (access violation, illegal instruction, division by
// zero) is caught by a vectored exception handler that jumps back here, and the
// exchange fails with the exception's name; kolmctl loads the plug-in again for
// any call after it. A watchdog thread ends kolmctl, with exit code 11 and a line
// naming the call, when an answer does not come within the time limit, and with
// 130 when Ctrl-C is not followed by an answer: a thread stuck in the plug-in's
// code cannot be taken back.
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

constexpr DWORD kSliceMs = 100;  // how often the watchdog looks
constexpr DWORD kGraceMs = 500;  // a call under way may finish after Ctrl-C

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

LONG CALLBACK onFault(EXCEPTION_POINTERS* info) {
    if (landing == nullptr || faultName(info->ExceptionRecord->ExceptionCode) == nullptr)
        return EXCEPTION_CONTINUE_SEARCH;
    faultCode = info->ExceptionRecord->ExceptionCode;
    std::longjmp(*landing, 1);
}

class Guarded : public Isolation {
public:
    explicit Guarded(unsigned seconds) : seconds_(seconds) {}
    ~Guarded() override {
        stopping_ = 1;
        if (thread_ != nullptr) {
            WaitForSingleObject(thread_, 2 * kSliceMs);
            CloseHandle(thread_);
        }
    }
    Guarded(const Guarded&) = delete;
    Guarded& operator=(const Guarded&) = delete;

    bool begin(std::string& why) {
        thread_ = CreateThread(nullptr, 0, watch, this, 0, nullptr);
        if (thread_ == nullptr)
            why = "cannot start a watchdog thread, error " + std::to_string(GetLastError());
        return thread_ != nullptr;
    }

    Exchange ask(const std::string& request, const std::function<std::string(std::int32_t)>& name) override {
        Exchange e;
        if (interrupted()) {
            e.status = Exchange::Interrupted;
            e.failure = "was stopped by Ctrl-C";
            return e;
        }
        name_ = &name;
        started_ = GetTickCount();
        busy_ = 1;
        PVOID handler = AddVectoredExceptionHandler(1, onFault);
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
        if (handler != nullptr) RemoveVectoredExceptionHandler(handler);
        busy_ = 0;
        e.step = step_;
        return e;
    }

private:
    static DWORD WINAPI watch(LPVOID self) {
        auto* g = static_cast<Guarded*>(self);
        DWORD interruptSeen = 0;
        while (g->stopping_ == 0) {
            Sleep(kSliceMs);
            if (g->busy_ == 0) {
                interruptSeen = 0;
                continue;
            }
            const DWORD now = GetTickCount();
            if (interrupted() && interruptSeen == 0) interruptSeen = now;
            if (interruptSeen != 0 && now - interruptSeen > kGraceMs) g->end(kInterrupted, "interrupted");
            if (now - g->started_ > g->seconds_ * 1000u)
                g->end(kPluginFailed, "the plug-in failed: " + (*g->name_)(g->step_) + " gave no answer in " +
                                          std::to_string(g->seconds_) + " s");
        }
        return 0;
    }

    // The thread in the plug-in cannot be stopped: kolmctl ends here, with its line.
    [[noreturn]] void end(Exit code, const std::string& why) {
        std::fflush(stdout);
        std::fprintf(stderr, "kolmctl: %s\n", why.c_str());
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
        ExitProcess(static_cast<UINT>(code));
    }

    unsigned seconds_;
    HANDLE thread_ = nullptr;
    volatile LONG stopping_ = 0;
    volatile LONG busy_ = 0;
    volatile DWORD started_ = 0;
    const std::function<std::string(std::int32_t)>* name_ = nullptr;
    std::int32_t step_ = 0;
    PluginSide side_{&step_};
};

}  // namespace

std::unique_ptr<Isolation> Isolation::start(unsigned secondsAllowed, std::string& why) {
    auto guarded = std::make_unique<Guarded>(secondsAllowed);
    if (!guarded->begin(why)) return nullptr;
    return guarded;
}

}  // namespace kolmctl
