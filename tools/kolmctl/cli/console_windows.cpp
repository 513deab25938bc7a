#include <windows.h>

#include <iostream>

#include "console.h"

namespace kolmctl {

bool stdoutIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

int terminalColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info) == 0) return 80;
    return info.srWindow.Right - info.srWindow.Left + 1;
}

void prepareConsole() {
    SetConsoleOutputCP(CP_UTF8);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(out, &mode)) SetConsoleMode(out, mode | 0x0004);  // virtual terminal processing
}

// Standard input as it is: a console read ends with Ctrl-C there.
std::unique_ptr<std::istream> commandInput(int) { return std::make_unique<std::istream>(std::cin.rdbuf()); }

}  // namespace kolmctl
