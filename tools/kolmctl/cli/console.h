// The terminal kolmctl writes to (console_posix.cpp, console_windows.cpp).
#pragma once

namespace kolmctl {

// Whether standard output is an interactive terminal (live view) or a pipe/file.
bool stdoutIsTerminal();
// The terminal's width in columns; 80 where it does not say.
int terminalColumns();
// Makes the console show UTF-8 and understand cursor movement, where it needs telling.
void prepareConsole();

}  // namespace kolmctl
