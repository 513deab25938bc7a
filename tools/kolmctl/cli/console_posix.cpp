#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <streambuf>

#include "console.h"
#include "interrupts.h"

namespace kolmctl {

namespace {

constexpr int kUsualColumns = 80;
constexpr int kSliceMs = 100;  // a read looks at Ctrl-C this often

// A descriptor read as it comes: each read waits in slices, so that a signal ends it at
// once whichever thread the signal lands on.
class InterruptibleInput : public std::streambuf {
public:
    explicit InterruptibleInput(int fd) : fd_(fd) {}

protected:
    int_type underflow() override {
        for (;;) {
            pollfd p{fd_, POLLIN, 0};
            const int ready = poll(&p, 1, kSliceMs);
            if (interrupted() || (ready < 0 && errno != EINTR)) return traits_type::eof();
            if (ready <= 0) continue;
            const ssize_t got = read(fd_, buffer_, sizeof buffer_);
            if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (got <= 0) return traits_type::eof();
            setg(buffer_, buffer_, buffer_ + got);
            return traits_type::to_int_type(buffer_[0]);
        }
    }

private:
    int fd_;
    char buffer_[4096]{};
};

class InterruptibleStream : public std::istream {
public:
    explicit InterruptibleStream(int fd) : std::istream(nullptr), buffer_(fd) { rdbuf(&buffer_); }

private:
    InterruptibleInput buffer_;
};

}  // namespace

bool stdoutIsTerminal() { return isatty(STDOUT_FILENO) == 1; }

int terminalColumns() {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return kUsualColumns;
    return size.ws_col;
}

void prepareConsole() {
    // A write to a reader that went away fails with EPIPE, to the very last flush.
    std::signal(SIGPIPE, SIG_IGN);
    // open() takes the lowest free descriptor: each closed one of 0-2 in turn.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            const int opened = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
            if (opened > STDERR_FILENO) close(opened);
        }
}

std::unique_ptr<std::istream> commandInput(int fd) { return std::make_unique<InterruptibleStream>(fd); }

}  // namespace kolmctl
