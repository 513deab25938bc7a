#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>

#include "isolated.h"

namespace kolmctl {

namespace {
constexpr unsigned kSecondsAllowed = 10;
}

Outcome runIsolated(const std::function<Outcome()>& probe) {
    std::fflush(nullptr);  // nothing buffered may be written twice
    int fds[2];
    if (pipe(fds) != 0) return probe();
    const pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        return probe();
    }
    if (child == 0) {
        close(fds[0]);
        alarm(kSecondsAllowed);
        const Outcome o = probe();
        const std::string msg = std::string(o.ok ? "1" : "0") + o.text;
        ssize_t n = write(fds[1], msg.data(), msg.size());
        (void)n;
        _exit(0);
    }
    close(fds[1]);
    std::string msg;
    char buf[512];
    ssize_t n = 0;
    while ((n = read(fds[0], buf, sizeof buf)) > 0) msg.append(buf, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFSIGNALED(status)) {
        const int sig = WTERMSIG(status);
        if (sig == SIGALRM) return {false, "did not return within " + std::to_string(kSecondsAllowed) + " s"};
        return {false, std::string("crashed (") + strsignal(sig) + ")"};
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || msg.empty())
        return {false, "crashed (the process ended with status " + std::to_string(WEXITSTATUS(status)) + ")"};
    return {msg[0] == '1', msg.substr(1)};
}

}  // namespace kolmctl
