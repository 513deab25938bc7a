#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>
#include <cstring>

#include "library.h"

namespace kolmctl {

std::unique_ptr<Library> Library::open(const std::string& path, std::string& error) {
    // A bare name would be searched for on the library path; the user means this file.
    const std::string where = path.find('/') == std::string::npos ? "./" + path : path;
    void* handle = dlopen(where.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        error = why ? why : "unknown loader error";
        return nullptr;
    }
    return std::unique_ptr<Library>(new Library(handle));
}

Library::~Library() { dlclose(handle_); }

const void* Library::symbol(const char* name) const { return dlsym(handle_, name); }

std::string Library::exportAt(const void* address) const {
    Dl_info info{};
    if (address == nullptr || dladdr(address, &info) == 0) return {};
    if (info.dli_sname == nullptr || info.dli_saddr != address) return {};
    // Exported by this library, not by one it happens to lie next to.
    if (dlsym(handle_, info.dli_sname) != address) return {};
    return info.dli_sname;
}

std::vector<Library::Range> Library::image() const {
    struct Search {
        ElfW(Addr) base = 0;
        std::vector<Range> found;
    } search;
    link_map* map = nullptr;
    if (dlinfo(handle_, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return {};
    search.base = map->l_addr;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data) {
            auto* s = static_cast<Search*>(data);
            if (info->dlpi_addr != s->base) return 0;
            for (ElfW(Half) k = 0; k < info->dlpi_phnum; ++k) {
                const ElfW(Phdr)& segment = info->dlpi_phdr[k];
                if (segment.p_type != PT_LOAD) continue;
                // NOLINTNEXTLINE(performance-no-int-to-ptr): the loader gives the segment as a number
                const auto* at = reinterpret_cast<const void*>(info->dlpi_addr + segment.p_vaddr);
                s->found.push_back({at, static_cast<std::size_t>(segment.p_memsz)});
            }
            return 1;
        },
        &search);
    return search.found;
}

bool copyIfReadable(void* to, const void* from, std::size_t n) {
    // write() answers EFAULT where the bytes cannot be read, instead of faulting: the
    // bytes go through a pipe of this process and back. The pipe holds far more than
    // the few hundred bytes asked at a time, so neither end waits.
    static int pipeEnds[2] = {-1, -1};
    if (pipeEnds[0] < 0 && pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
        pipeEnds[0] = -1;
        std::memcpy(to, from, n);  // no pipe: only the plug-in's process can fault
        return true;
    }
    // The system call itself, not the C library's write(): under AddressSanitizer that
    // would judge the plug-in's bytes by the sanitizer's own marks around the variables
    // of an instrumented plug-in; here only the kernel's EFAULT decides.
    const auto written = static_cast<ssize_t>(syscall(SYS_write, pipeEnds[1], from, n));
    if (written <= 0) return n == 0;
    const ssize_t back = read(pipeEnds[0], to, static_cast<std::size_t>(written));
    return written == static_cast<ssize_t>(n) && back == written;
}

std::string portHandleHeld() {
    DIR* fds = opendir("/proc/self/fd");
    if (fds == nullptr) return {};
    std::string held;
    while (const dirent* entry = readdir(fds)) {
        const std::string link = std::string("/proc/self/fd/") + entry->d_name;
        char target[PATH_MAX];
        const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
        if (n <= 0) continue;
        target[n] = '\0';
        if (std::strncmp(target, "/dev/parport", 12) == 0) {
            held = target;
            break;
        }
    }
    closedir(fds);
    return held;
}

bool simulatedBoxLoaded() {
    return dl_iterate_phdr(
               [](dl_phdr_info* info, std::size_t, void*) {
                   return info->dlpi_name != nullptr && std::strstr(info->dlpi_name, "libkolmsim") != nullptr
                              ? 1
                              : 0;
               },
               nullptr) != 0;
}

}  // namespace kolmctl
