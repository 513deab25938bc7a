// kolmctl's command line run in the test's process, as main() runs it: what it wrote
// on each stream and its exit code.
#pragma once

#include <ostream>
#include <sstream>
#include <string>

#include "commands.h"

struct Ran {
    int code;
    std::string out;
    std::string err;
};

struct RunOptions {
    bool terminal = false;  // standard output is a terminal: the live view
    // The plug-in kept in the test's process, where the simulated bench the test
    // looks at lives; otherwise it runs apart, as for a user.
    bool watchBench = false;
    unsigned seconds = 10;        // for any one answer of the plug-in
    std::ostream* out = nullptr;  // another standard output (e.g. a full disk)
    const char* input = "";       // standard input, for a session
    int columns = 100;            // the terminal's width, for the live view
    std::istream* in = nullptr;   // standard input as a stream of its own, instead of `input`
};

inline Ran runKolmctl(const kolmctl::Args& args, const RunOptions& o = {}) {
    std::ostringstream out, err;
    std::istringstream in(o.input);
    kolmctl::Context cx{o.out ? *o.out : out, err, o.terminal, {o.seconds, o.watchBench, nullptr},
                        o.in ? o.in : &in,    {},  o.columns};
    const int code = kolmctl::run(args, cx);
    return {code, out.str(), err.str()};
}

// The command line that runs `command` on `plugin` with the arguments of its typical use.
inline kolmctl::Args typicalUse(const std::string& plugin, const kolmctl::Command& command) {
    kolmctl::Args args{plugin, command.name};
    std::istringstream words(command.example);
    for (std::string word; words >> word;) args.push_back(word);
    return args;
}
