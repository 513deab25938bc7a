#include <sys/ioctl.h>
#include <unistd.h>

#include "console.h"

namespace kolmctl {

namespace {
constexpr int kUsualColumns = 80;
}

bool stdoutIsTerminal() { return isatty(STDOUT_FILENO) == 1; }

int terminalColumns() {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return kUsualColumns;
    return size.ws_col;
}

void prepareConsole() {}

}  // namespace kolmctl
