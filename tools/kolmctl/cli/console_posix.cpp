#include <unistd.h>

#include "console.h"

namespace kolmctl {

bool stdoutIsTerminal() { return isatty(STDOUT_FILENO) == 1; }
void prepareConsole() {}

}  // namespace kolmctl
