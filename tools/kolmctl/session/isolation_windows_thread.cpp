// Windows has no fork: the plug-in's side runs in kolmctl's own process, on a
// thread of its own. A processor fault inside the plug-in (access violation,
// illegal instruction, division by zero) that the plug-in does not handle itself
// reaches the unhandled-exception filter, which jumps back on that thread, and the
// exchange fails with the exception's name; kolmctl loads the plug-in again for any
// call after it. The plug-in's own exception frames must see every fault first: its
// start-up probes the port with one. kolmctl's thread waits for each answer with
// the time limit; a call that does not return cannot be taken back, so kolmctl then
// names it and ends at once, with the exit status its lastWords give. The plug-in's thread is the last thread
// kolmctl makes: under Wine on qemu-i386 only the thread made last has its faults
// handled (the others find another thread's exception frames). A second Ctrl-C ends
// kolmctl at once (interrupts.cpp).
#include <windows.h>

#include <float.h>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "interrupts.h"
#include "isolation.h"
#include "side.h"

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

// The plug-in cannot be left running or be taken back: kolmctl says what failed and
// ends at once, without the exit's clean-up, which may wait for the loader's lock.
[[noreturn]] void endWith(const SessionOptions& options, const SessionError& e) {
    const int status = options.lastWords != nullptr ? options.lastWords(e) : EXIT_FAILURE;
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
    ExitProcess(static_cast<UINT>(status));
}

// The thread the plug-in runs on: one for the whole run, made before the first
// plug-in is loaded. kolmctl's own thread hands it each exchange and waits.
class PluginThread {
public:
    // The one thread, made on first use; nullptr, with the reason in `why`, if it
    // cannot be made.
    static PluginThread* get(std::string& why) {
        static PluginThread one;
        return one.running_ || one.start(why) ? &one : nullptr;
    }

    // Whether `job` finished within `ms` milliseconds.
    bool run(const std::function<void()>& job, DWORD ms) {
        job_ = &job;
        SetEvent(go_);
        return WaitForSingleObject(done_, ms) == WAIT_OBJECT_0;
    }

private:
    bool start(std::string& why) {
        if (go_ == nullptr) go_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        if (done_ == nullptr) done_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        HANDLE thread =
            go_ != nullptr && done_ != nullptr ? CreateThread(nullptr, 0, serve, this, 0, nullptr) : nullptr;
        if (thread == nullptr) {
            why = "cannot start a thread for the plug-in, error " + std::to_string(GetLastError());
            return false;
        }
        CloseHandle(thread);
        running_ = true;
        return true;
    }

    static DWORD WINAPI serve(LPVOID self) {
        auto* t = static_cast<PluginThread*>(self);
        _fpreset();  // the x87 unit set up as on kolmctl's own thread
        for (;;) {
            WaitForSingleObject(t->go_, INFINITE);
            (*t->job_)();
            SetEvent(t->done_);
        }
    }

    bool running_ = false;
    HANDLE go_ = nullptr;    // an exchange is handed over
    HANDLE done_ = nullptr;  // it is over
    const std::function<void()>* job_ = nullptr;
};

class Guarded : public Isolation {
public:
    Guarded(const SessionOptions& options, PluginThread& thread) : options_(options), thread_(thread) {}

    Exchange ask(const std::string& request, const FailureLine& line) override {
        Exchange e;
        if (interrupted()) {
            e.status = Exchange::Interrupted;
            e.failure = "was stopped by " + interruptName();
            return e;
        }
        // Alive until kolmctl ends, even while the plug-in's thread is stuck in it.
        const std::function<void()> job = [&] { exchange(request, e); };
        if (!thread_.run(job, options_.secondsAllowed * 1000u))
            endWith(options_,
                    {Trouble::PluginHung,
                     line(step_, "gave no answer in " + std::to_string(options_.secondsAllowed) + " s")});
        e.step = step_;
        // A fault in the start-up leaves the loader's lock held: kolmctl cannot even
        // exit normally.
        if (e.status == Exchange::Failed && step_ == kStepStartUp)
            endWith(options_, {Trouble::PluginCrashed, line(step_, e.failure)});
        return e;
    }

private:
    // On the plug-in's thread.
    void exchange(const std::string& request, Exchange& e) {
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
    }

    SessionOptions options_;
    PluginThread& thread_;
    volatile std::int32_t step_ = 0;
    Side side_{&step_};
};

}  // namespace

std::unique_ptr<Isolation> startApart(const SessionOptions& options) {
    std::string why;
    PluginThread* thread = PluginThread::get(why);
    if (thread == nullptr) throw SessionError{Trouble::CannotIsolate, why};
    return std::make_unique<Guarded>(options, *thread);
}

}  // namespace kolmctl
