// kolmctl: drives a plug-in file from a terminal the way the host program does:
// loads it, walks its function directory and calls the entry points it lists.
#include <iostream>

#include "commands.h"
#include "console.h"

int main(int argc, char** argv) {
    kolmctl::prepareConsole();
    kolmctl::Context cx{std::cout, std::cerr, kolmctl::stdoutIsTerminal()};
    return kolmctl::run(kolmctl::Args(argv + 1, argv + argc), cx);
}
