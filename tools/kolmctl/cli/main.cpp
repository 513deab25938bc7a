// kolmctl: drives a plug-in file from a terminal the way the host program does:
// loads it, walks its function directory and calls the entry points it lists.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "commands.h"
#include "console.h"

namespace {

// Where the plug-in leaves kolmctl no way but to end at once.
void lastWords(const kolmctl::Error& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "kolmctl: %s\n", e.message.c_str());
    std::fflush(stderr);
}

}  // namespace

int main(int argc, char** argv) {
    kolmctl::prepareConsole();
    kolmctl::Context cx{std::cout, std::cerr, kolmctl::stdoutIsTerminal(), {}};
    cx.session.lastWords = lastWords;
    cx.in = &std::cin;
    const int code = kolmctl::run(kolmctl::Args(argv + 1, argv + argc), cx);
    // The last buffered bytes reach the file only here: a full disk shows now.
    if ((std::fflush(stdout) != 0 || std::ferror(stdout) != 0) && code != kolmctl::kOutputFailed) {
        kolmctl::remark(std::cerr, std::string("cannot write the output: ") + std::strerror(errno));
        return kolmctl::kOutputFailed;
    }
    return code;
}
