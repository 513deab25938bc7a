// ioctls per port access on the ppdev path: a host loads the built x86-64
// kolmlpt1.so, whose port access goes through /dev/parport0, and makes N readings
// through EA(0). Run with the fake parallel-port driver preloaded
// (LD_PRELOAD=libfake_parport.so): it counts every ioctl, and its bench counts the
// port accesses those ioctls made.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fake_parport.h"

namespace {

template <typename Fn>
Fn* bind(void* lib, const char* name) {
    return reinterpret_cast<Fn*>(dlsym(lib, name));
}

}  // namespace

int main(int argc, char** argv) {
    char* end = nullptr;
    const long n = argc == 3 ? std::strtol(argv[2], &end, 10) : 0;
    if (n <= 0 || *end != '\0') {
        std::fprintf(stderr, "usage: LD_PRELOAD=libfake_parport.so ppdev_ioctls PLUGIN.so N\n");
        return 2;
    }
    auto* counts = bind<FakeParportCounts()>(RTLD_DEFAULT, "fake_parport_counts");
    auto* clearCounts = bind<void()>(RTLD_DEFAULT, "fake_parport_clear_counts");
    auto* accesses = bind<std::uint64_t()>(RTLD_DEFAULT, "kolmsim_access_count");
    auto* clearTrace = bind<void()>(RTLD_DEFAULT, "kolmsim_trace_clear");
    auto* trace = bind<void(int)>(RTLD_DEFAULT, "kolmsim_trace_enable");
    if (!counts || !clearCounts || !accesses || !clearTrace || !trace) {
        std::fprintf(stderr, "ppdev_ioctls: libfake_parport.so is not preloaded\n");
        return 2;
    }
    void* plugin = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    auto* ea = plugin ? bind<std::int32_t(std::int32_t)>(plugin, "EA") : nullptr;
    if (!ea) {
        std::fprintf(stderr, "ppdev_ioctls: %s\n", dlerror());
        return 2;
    }
    if (counts().claims != 1) {
        std::fprintf(stderr, "ppdev_ioctls: the plug-in did not claim /dev/parport0\n");
        return 1;
    }
    trace(0);  // count only: the trace would hold every access
    clearTrace();
    clearCounts();
    for (long i = 0; i < n; ++i)
        if (ea(0) < 0) {
            std::fprintf(stderr, "ppdev_ioctls: EA(0) answered no value\n");
            return 1;
        }
    const FakeParportCounts c = counts();
    const double perAccess = static_cast<double>(c.ioctls) / static_cast<double>(accesses());
    std::printf(
        "readings %ld\nport_accesses %llu\nioctls %u\nioctls_per_reading %.2f\nioctls_per_access %.3f\n", n,
        static_cast<unsigned long long>(accesses()), c.ioctls,
        static_cast<double>(c.ioctls) / static_cast<double>(n), perAccess);
    dlclose(plugin);
    return 0;
}
