// Linux: the plug-in's side runs in a child process for the whole session, in a
// process group of its own, answering requests over a socket. kolmctl times every
// answer with poll() and kills the group when the time is up; a plug-in that
// crashes is a child that died of a signal. kolmctl is made the reaper of whatever
// the plug-in starts, so nothing it forks outlives the session.
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

#include "interrupts.h"
#include "isolation.h"
#include "side.h"

namespace kolmctl {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::uint32_t kMaxAnswer = 4u << 20;  // far above a directory of 256 long texts
constexpr milliseconds kSlice{100};             // how often a wait looks at Ctrl-C
constexpr milliseconds kGrace{500};             // a call under way may finish after Ctrl-C

bool sendAll(int fd, const char* data, std::size_t n) {
    while (n > 0) {
        const ssize_t sent = send(fd, data, n, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        data += sent;
        n -= static_cast<std::size_t>(sent);
    }
    return true;
}

bool sendFrame(int fd, const std::string& payload) {
    const auto n = static_cast<std::uint32_t>(payload.size());
    char head[sizeof n];
    std::memcpy(head, &n, sizeof n);
    return sendAll(fd, head, sizeof head) && sendAll(fd, payload.data(), payload.size());
}

// The side's loop: one answer per request until kolmctl closes the socket.
[[noreturn]] void serve(int fd, volatile std::int32_t* step) {
    Side side(step);
    std::string request;
    for (;;) {
        std::uint32_t n = 0;
        if (recv(fd, &n, sizeof n, MSG_WAITALL) != static_cast<ssize_t>(sizeof n)) _exit(0);
        request.resize(n);
        if (n > 0 && recv(fd, request.data(), n, MSG_WAITALL) != static_cast<ssize_t>(n)) _exit(0);
        try {
            if (!sendFrame(fd, side.handle(request))) _exit(0);
        } catch (...) {
            _exit(EXIT_FAILURE);
        }
    }
}

std::vector<pid_t> childrenOfThisProcess() {
    std::ifstream in("/proc/self/task/" + std::to_string(getpid()) + "/children");
    std::vector<pid_t> pids;
    for (pid_t p = 0; in >> p;) pids.push_back(p);
    return pids;
}

class ChildProcess : public Isolation {
public:
    explicit ChildProcess(unsigned seconds) : seconds_(seconds) {}
    ~ChildProcess() override { stop(false); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool begin(std::string& why);
    Exchange ask(const std::string& request, const FailureLine& line) override;

private:
    enum class Wait { Ready, Closed, TimedOut, Interrupted };
    Wait waitReadable(Clock::time_point deadline);
    bool receive(std::string& out, Exchange& e, Clock::time_point deadline);
    Exchange failed(Exchange e, std::string what);
    bool ended(siginfo_t* how = nullptr) const;
    std::string howItEnded();
    void stop(bool kill);

    unsigned seconds_;
    pid_t pid_ = -1;
    int fd_ = -1;
    void* shared_ = MAP_FAILED;
    volatile std::int32_t* step_ = nullptr;
};

bool ChildProcess::begin(std::string& why) {
    int fds[2];
    shared_ = mmap(nullptr, sizeof(std::int32_t), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared_ == MAP_FAILED || socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        why = std::string("cannot make a line to a process for the plug-in: ") + std::strerror(errno);
        return false;
    }
    step_ = static_cast<volatile std::int32_t*>(shared_);
    *step_ = kStepStartUp;
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    std::fflush(nullptr);  // nothing buffered may be written twice
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ < 0) {
        why = std::string("cannot start a process for the plug-in: ") + std::strerror(errno);
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (pid_ == 0) {
        close(fds[0]);
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(0);
        // A fault in the plug-in ends the side by its own signal, whatever kolmctl was
        // built with (a sanitizer's handler would turn it into an exit status).
        for (const int sig : {SIGINT, SIGSEGV, SIGBUS, SIGILL, SIGFPE}) std::signal(sig, SIG_DFL);
        // The plug-in's own printing goes to standard error, never into kolmctl's output.
        const int devNull = open("/dev/null", O_RDONLY);
        if (devNull >= 0) dup2(devNull, STDIN_FILENO);
        dup2(STDERR_FILENO, STDOUT_FILENO);
        serve(fds[1], step_);
    }
    setpgid(pid_, pid_);
    close(fds[1]);
    fd_ = fds[0];
    return true;
}

ChildProcess::Wait ChildProcess::waitReadable(Clock::time_point deadline) {
    Clock::time_point giveUp = deadline;
    bool noticed = false;
    for (;;) {
        if (interrupted() && !noticed) {
            noticed = true;
            giveUp = std::min(giveUp, Clock::now() + kGrace);
        }
        const auto left = std::chrono::duration_cast<milliseconds>(giveUp - Clock::now());
        if (left.count() <= 0) return interrupted() ? Wait::Interrupted : Wait::TimedOut;
        pollfd p{fd_, POLLIN, 0};
        const int n = poll(&p, 1, static_cast<int>(std::min(left, kSlice).count()) + 1);
        if (n > 0) return (p.revents & POLLIN) != 0 ? Wait::Ready : Wait::Closed;
        if (n < 0 && errno != EINTR) return Wait::Closed;
        // A process the plug-in started may hold the line open after the side died.
        if (ended()) return Wait::Closed;
    }
}

bool ChildProcess::receive(std::string& out, Exchange& e, Clock::time_point deadline) {
    std::uint32_t size = 0;
    std::size_t got = 0;
    bool sized = false;
    while (!sized || got < size) {
        switch (waitReadable(deadline)) {
        case Wait::Ready: break;
        case Wait::Closed: e = failed(e, ""); return false;
        case Wait::TimedOut:
            e.timedOut = true;
            e = failed(e, "gave no answer in " + std::to_string(seconds_) + " s");
            return false;
        case Wait::Interrupted:
            e.status = Exchange::Interrupted;
            e = failed(e, "was stopped by " + interruptName());
            return false;
        }
        char* into = sized ? out.data() + got : reinterpret_cast<char*>(&size) + got;
        const std::size_t want = (sized ? size : sizeof size) - got;
        const ssize_t n = recv(fd_, into, want, MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) {
            e = failed(e, "");
            return false;
        }
        got += static_cast<std::size_t>(n);
        if (!sized && got == sizeof size) {
            if (size > kMaxAnswer) {
                e = failed(e, "gave a garbled answer");
                return false;
            }
            sized = true;
            got = 0;
            out.resize(size);
        }
    }
    return true;
}

Exchange ChildProcess::ask(const std::string& request, const FailureLine&) {
    Exchange e;
    if (pid_ < 0) return failed(e, "is no longer running");
    if (interrupted()) {
        e.status = Exchange::Interrupted;
        return failed(e, "was stopped by " + interruptName());
    }
    if (!sendFrame(fd_, request)) return failed(e, "");
    if (!receive(e.answer, e, Clock::now() + std::chrono::seconds(seconds_))) return e;
    e.status = Exchange::Answered;
    return e;
}

// Whether the side has ended; it is left unreaped, so that its process group
// still names everything it started.
bool ChildProcess::ended(siginfo_t* how) const {
    siginfo_t info{};
    const bool gone =
        waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid != 0;
    if (how != nullptr) *how = info;
    return gone;
}

// What became of a child whose line went dead.
std::string ChildProcess::howItEnded() {
    siginfo_t info{};
    for (int k = 0; k < 100 && !ended(&info); ++k)  // it is ending: give it a second
        std::this_thread::sleep_for(milliseconds(10));
    if (info.si_pid == 0) return "closed its line to the host";
    if (info.si_code == CLD_EXITED)
        return "ended the process (exit status " + std::to_string(info.si_status) + ")";
    return std::string("crashed (") + strsignal(info.si_status) + ")";
}

Exchange ChildProcess::failed(Exchange e, std::string what) {
    if (pid_ >= 0) {
        e.step = *step_;
        if (what.empty()) what = howItEnded();
    }
    e.failure = what.empty() ? "is no longer running" : what;
    if (e.status == Exchange::Answered) e.status = Exchange::Failed;
    stop(true);
    return e;
}

void ChildProcess::stop(bool kill) {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    if (pid_ > 0) {
        // Told to end by the closed line, the side exits at once.
        for (int k = 0; !kill && k < 100 && !ended(); ++k) std::this_thread::sleep_for(milliseconds(1));
        ::kill(-pid_, SIGKILL);
        ::kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        // Processes that left the group were handed to kolmctl when their parent died.
        for (int round = 0; round < 100; ++round) {
            const std::vector<pid_t> orphans = childrenOfThisProcess();
            if (orphans.empty()) break;
            for (pid_t p : orphans) {
                ::kill(p, SIGKILL);
                waitpid(p, nullptr, 0);
            }
        }
    }
    pid_ = -1;
    if (shared_ != MAP_FAILED) munmap(shared_, sizeof(std::int32_t));
    shared_ = MAP_FAILED;
    step_ = nullptr;
}

}  // namespace

std::unique_ptr<Isolation> startApart(const SessionOptions& options) {
    auto child = std::make_unique<ChildProcess>(options.secondsAllowed);
    std::string why;
    if (!child->begin(why)) throw SessionError{Trouble::CannotIsolate, why};
    return child;
}

}  // namespace kolmctl
