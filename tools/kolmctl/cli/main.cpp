// kolmctl: drives a plug-in file from a terminal the way the host program does:
// loads it, walks its function directory and calls the entry points it lists.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "commands.h"
#include "console.h"

namespace {

// Where the plug-in leaves kolmctl no way but to end at once: its line, and its exit code.
int lastWords(const kolmctl::SessionError& trouble) {
    const kolmctl::Error e = kolmctl::errorOf(trouble);
    std::fflush(stdout);
    std::fprintf(stderr, "kolmctl: %s\n", e.message.c_str());
    std::fflush(stderr);
    return e.code;
}

}  // namespace

int main(int argc, char** argv) try {
    kolmctl::prepareConsole();
    kolmctl::Context cx{std::cout, std::cerr, kolmctl::stdoutIsTerminal(), {}};
    cx.session.lastWords = lastWords;
    const std::unique_ptr<std::istream> in = kolmctl::commandInput();
    cx.in = in.get();
    const int code = kolmctl::run(kolmctl::Args(argv + 1, argv + argc), cx);
    // The last buffered bytes reach the file only here: a full disk shows now.
    if ((std::fflush(stdout) != 0 || std::ferror(stdout) != 0) && code != kolmctl::kOutputFailed &&
        code != kolmctl::kReaderGone) {
        const int error = errno;
        kolmctl::remark(std::cerr, std::string("cannot write the output: ") + std::strerror(error));
        return error == EPIPE ? kolmctl::kReaderGone : kolmctl::kOutputFailed;
    }
    return code;
} catch (...) {
    // Nothing escapes: not even what kolmctl's own start or end could not do.
    std::fputs("kolmctl: failed\n", stderr);
    return kolmctl::kFailed;
}
