#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "exit_codes.h"
#include "serve_access.h"
#include "serve_platform.h"

namespace kolmctl {

std::string randomToken() {
    unsigned char bytes[32];
    std::ifstream source("/dev/urandom", std::ios::binary);
    if (!source.read(reinterpret_cast<char*>(bytes), sizeof bytes))
        throw Error{kFailed, "cannot read /dev/urandom for the page's token"};
    return hexOf(bytes, sizeof bytes);
}

// xdg-open hands the address to the desktop's browser and returns.
bool openBrowser(const std::string& url) {
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    std::string program = "xdg-open";
    std::string address = url;
    char* argv[] = {program.data(), address.data(), nullptr};
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, "xdg-open", &quiet, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&quiet);
    return failed == 0;
}

// SO_REUSEADDR alone: Linux still refuses a second listener on the port (SO_REUSEPORT would not).
void listenAlone(std::uintptr_t socket) {
    const int yes = 1;
    setsockopt(static_cast<int>(socket), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

// In TMPDIR where it is set (tmpfile() would ignore it), gone from the folder at once.
ScratchFile scratchFile() {
    const char* dir = std::getenv("TMPDIR");
    std::string path = std::string(dir != nullptr && *dir != 0 ? dir : "/tmp") + "/kolmctl-XXXXXX";
    const int fd = mkstemp(path.data());
    if (fd < 0) return nullptr;
    unlink(path.c_str());
    FILE* file = fdopen(fd, "w+b");
    if (file == nullptr) close(fd);
    return ScratchFile(file);
}

}  // namespace kolmctl
