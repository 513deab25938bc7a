// What kolmctl serve asks of the system: a token no one can guess, and the browser.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace kolmctl {

// 32 bytes from the system's random source, as 64 hex digits; Error kFailed where the
// source cannot be read.
std::string randomToken();
// Asks the desktop to open `url` in the default browser, without waiting for it;
// false where that could not be asked.
bool openBrowser(const std::string& url);
// Sets the listening socket (a file descriptor, or a Windows SOCKET) so that no other
// program can listen on its port while kolmctl does, yet kolmctl may take a port that
// a connection of a program that ended still holds in TIME_WAIT.
void listenAlone(std::uintptr_t socket);
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using ScratchFile = std::unique_ptr<std::FILE, FileCloser>;
// A file for reading and writing that the system deletes when it is closed or kolmctl
// ends, however it ends; none where none can be made.
ScratchFile scratchFile();

}  // namespace kolmctl
