// The terminal kolmctl writes to (console_posix.cpp, console_windows.cpp).
#pragma once

#include <istream>
#include <memory>

namespace kolmctl {

// Whether standard output is an interactive terminal (live view) or a pipe/file.
bool stdoutIsTerminal();
// The terminal's width in columns; 80 where it does not say.
int terminalColumns();
// Makes the console show UTF-8 and understand cursor movement, where it needs telling;
// gives a closed standard input, output or error the null device, so that no file or
// socket of kolmctl's own is ever read or written as one of them.
void prepareConsole();
// What a session reads its commands from: standard input (descriptor `fd` where the
// system has them), taken as it comes, that ends at once when a watched signal comes.
std::unique_ptr<std::istream> commandInput(int fd = 0);

}  // namespace kolmctl
