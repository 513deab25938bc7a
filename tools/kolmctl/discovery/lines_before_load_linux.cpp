#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/io.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "lines_before_load.h"
#include "linux_parport_proc.h"

namespace kolmctl {

std::optional<std::uint8_t> readDataRegister(std::uint16_t base, const std::string&) {
    int n = 0;
    while (n < kolm::kMaxParports && kolm::parportBase(n) != base) ++n;
    char holder[64];
    if (n == kolm::kMaxParports || (kolm::parportHolder(n, holder) && holder[0] != '\0')) return std::nullopt;
    const std::string device = "/dev/parport" + std::to_string(n);
    const int fd = ::open(device.c_str(), O_RDWR | O_CLOEXEC);
    if (fd >= 0) {
        unsigned char value = 0;
        const bool claimed = ::ioctl(fd, PPCLAIM) == 0;
        const bool read = claimed && ::ioctl(fd, PPRDATA, &value) == 0;
        if (claimed) ::ioctl(fd, PPRELEASE);
        ::close(fd);
        if (read) return value;
        return std::nullopt;
    }
    // No ppdev: direct I/O for this one read, where the kernel grants it.
    if (::ioperm(base, 1, 1) != 0) return std::nullopt;
    const std::uint8_t value = ::inb(base);
    ::ioperm(base, 1, 0);
    return value;
}

}  // namespace kolmctl
