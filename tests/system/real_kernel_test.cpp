// The Linux deliverables on a real kernel: this host runs inside the virtual machine
// that run.sh boots, whose ISA parallel ports at 0x378 and 0x278 are driven by the
// kernel's parport_pc and served, in the emulator's process, by the simulated bench.
//   KOLM_DIST   the folder of one build's kolmlpt1.so, kolmlpt2.so and kolmctl
//   KOLM_BOXES  the boxes and the counts they hold: "0x378:709:179,0x278:489:826"
//   KOLM_FAKE   that build's stand-in parport driver, to compare its texts with the kernel's
// Suite Port runs with ppdev loaded and again with it unloaded; Ppdev and
// KernelTexts need it loaded.
#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/io.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "loaded_plugin.h"

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string kolmctl() { return environment("KOLM_DIST") + "/kolmctl"; }

// The build's two plug-in files, in KOLM_DIST.
std::vector<Variant> variants() {
    static const std::string lpt1 = environment("KOLM_DIST") + "/kolmlpt1.so";
    static const std::string lpt2 = environment("KOLM_DIST") + "/kolmlpt2.so";
    return {{kLpt1Contract, lpt1.c_str()}, {kLpt2Contract, lpt2.c_str()}};
}

// The count the box at `base` holds on `channel`, from KOLM_BOXES; -1 where it says nothing.
int boxCount(std::uint16_t base, int channel) {
    const std::string boxes = environment("KOLM_BOXES");
    for (const char* box = boxes.c_str(); *box != '\0'; box += *box == ',' ? 1 : 0) {
        char* end = nullptr;
        const unsigned long at = std::strtoul(box, &end, 16);
        int counts[2] = {-1, -1};
        for (int& count : counts)
            if (*end == ':') count = static_cast<int>(std::strtol(end + 1, &end, 10));
        if (at == base) return counts[channel];
        if (end == box) break;
        box = end;
    }
    return -1;
}

long number(const std::string& text) { return std::strtol(text.c_str(), nullptr, 10); }

std::string textOf(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

std::string parportFolder(int n) { return "/proc/sys/dev/parport/parport" + std::to_string(n); }
std::string devicePath(int n) { return "/dev/parport" + std::to_string(n); }
std::string holderOf(int n) { return textOf(parportFolder(n) + "/devices/active"); }

// N of the parportN at `base`, read here from the kernel's text, not by the plug-in's parser.
int parportAt(std::uint16_t base) {
    for (int n = 0; n < 8; ++n)
        if (number(textOf(parportFolder(n) + "/base-addr")) == base) return n;
    return -1;
}

// Whether this process has /dev/parportN open: the plug-in took the ppdev path.
bool deviceOpen(int n) {
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (std::filesystem::read_symlink(fd.path(), error) == devicePath(n)) return true;
    }
    return false;
}

// Runs `job` in a child, a program of its own to the kernel; what it wrote on its
// standard output.
template <typename Job>
std::string inAnotherProgram(Job job) {
    int link[2];
    if (::pipe(link) != 0) return {};
    std::fflush(stdout);  // nothing of this process's output may reach the child's
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(link[1], 1);
        ::close(link[0]);
        job();
        std::fflush(stdout);
        _exit(0);
    }
    ::close(link[1]);
    std::string out;
    char buffer[512];
    ssize_t n = 0;
    while ((n = ::read(link[0], buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<std::size_t>(n));
    ::close(link[0]);
    ::waitpid(pid, nullptr, 0);
    return out;
}

// What a program prints on its standard output, run with `settings` added to its environment.
std::string outputOf(const std::vector<std::string>& command, const std::vector<std::string>& settings = {}) {
    return inAnotherProgram([&] {
        for (const std::string& setting : settings) ::putenv(const_cast<char*>(setting.c_str()));
        std::vector<char*> argv;
        argv.reserve(command.size() + 1);
        for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
    });
}

// The data lines of the port at `base` as another program finds them through the
// kernel: it writes `value` first unless that is -1, then reads them back. With ppdev
// (parportN) it claims the port; with ppdev unloaded it asks for ioperm, as root.
// -1: refused.
int dataFromAnotherProgram(std::uint16_t base, int value = -1) {
    const std::string answer = inAnotherProgram([&] {
        const int n = parportAt(base);
        auto byte = static_cast<unsigned char>(value);
        const int fd = ::open(devicePath(n).c_str(), O_RDWR);
        if (fd >= 0) {
            if (::ioctl(fd, PPCLAIM) != 0 || (value >= 0 && ::ioctl(fd, PPWDATA, &byte) != 0) ||
                ::ioctl(fd, PPRDATA, &byte) != 0)
                return;
        } else {
            if (::ioperm(base, 1, 1) != 0) return;
            if (value >= 0) ::outb(byte, base);
            byte = ::inb(base);
        }
        std::printf("%d", byte);
    });
    return answer.empty() ? -1 : static_cast<int>(number(answer));
}

// The port as it stands: with ppdev loaded, the plug-in must take that path; without,
// it runs on root's direct I/O.
class Port : public ::testing::TestWithParam<Variant> {};

// Readings (also from a second thread: ioperm is granted a thread at a time), relay
// lines, restore and re-initialisation on the variant's port; the bytes left on the
// data lines are read back through the kernel by another program once the plug-in
// is unloaded (the port keeps the last byte written).
TEST_P(Port, ReadsSwitchesRestoresAndReinitialisesTheVariantsPort) {
    const Variant& v = GetParam();
    const int port = parportAt(v.base);
    ASSERT_GE(port, 0);
    const bool ppdev = ::access(devicePath(port).c_str(), F_OK) == 0;
    ASSERT_EQ(dataFromAnotherProgram(v.base, 0x05), 0x05);
    const int otherData = dataFromAnotherProgram(v.otherBase);
    {
        Plugin lib(v.path);
        ASSERT_TRUE(lib.loaded()) << dlerror();
        EXPECT_EQ(deviceOpen(port), ppdev);
        EXPECT_EQ(holderOf(port) != "none\n", ppdev);  // claimed while loaded
        EXPECT_EQ(lib.call<std::int32_t>("EA", 0), boxCount(v.base, 0));
        std::int32_t fromThread = 0;
        std::thread([&] { fromThread = lib.call<std::int32_t>("EA", 1); }).join();
        EXPECT_EQ(fromThread, boxCount(v.base, 1));
        EXPECT_EQ(lib.call<double>("EAD", 1), boxCount(v.base, 1) * 5.0 / 1024.0);
        EXPECT_EQ(lib.call<std::int32_t>("SB", 1, 1), 101);
        EXPECT_EQ(lib.call<std::int32_t>("SB", 3, 1), 301);
    }
    EXPECT_EQ(holderOf(port), "none\n");
    // Start-up kept relays 0 and 2 of 0x05, the reading left 0x75; the relay writes
    // drive all four lines from the plug-in's own requests: 1 and 3.
    EXPECT_EQ(dataFromAnotherProgram(v.base), 0x7A);
    {
        Plugin lib(v.path);
        ASSERT_TRUE(lib.loaded()) << dlerror();
        EXPECT_EQ(lib.call<std::int32_t>("SB", 0, 1), 1);                 // 0xB1
        EXPECT_EQ(lib.call<std::int32_t>("EA", 3), -777);                 // re-reads 0xB1, writes 0xB1
        EXPECT_EQ(lib.call<std::int32_t>("EA", 0), boxCount(v.base, 0));  // leaves 0x71
        EXPECT_EQ(lib.call<std::int32_t>("EA", 2), -777);  // restores 0xB1, not 0x7A of the load
    }
    EXPECT_EQ(dataFromAnotherProgram(v.base), 0xB1);
    EXPECT_EQ(dataFromAnotherProgram(v.otherBase), otherData);
}

INSTANTIATE_TEST_SUITE_P(BothFiles, Port, ::testing::ValuesIn(variants()), variantName);

class Ppdev : public ::testing::TestWithParam<Variant> {};

// kolmctl, the program a user runs, reads the same box through the same kernel.
TEST_P(Ppdev, KolmctlReadsTheBox) {
    const Variant& v = GetParam();
    const std::string csv = outputOf({kolmctl(), v.path, "read", "--count", "1", "--counts", "--csv"});
    char expected[32];
    std::snprintf(expected, sizeof expected, ",%d,%d\n", boxCount(v.base, 0), boxCount(v.base, 1));
    EXPECT_EQ(csv.rfind("time_s,ch0_counts,ch1_counts\n", 0), 0u) << csv;
    EXPECT_TRUE(csv.ends_with(expected)) << csv;
}

// A port file beside a copy of the plug-in moves it to the other port; one that is
// not valid leaves it without a port: no device opened, no byte written.
TEST_P(Ppdev, PortFileMovesThePluginOrLeavesItWithoutAPort) {
    const Variant& v = GetParam();
    const std::filesystem::path folder = "/tmp/port-file";
    std::filesystem::create_directories(folder);
    const std::filesystem::path copy = folder / std::filesystem::path(v.path).filename();
    std::filesystem::copy_file(v.path, copy, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::path ini = copy;
    ini.replace_extension(".ini");
    char text[32];
    std::snprintf(text, sizeof text, "[port]\nbase=0x%X\n", v.otherBase);
    std::ofstream(ini) << text;
    {
        Plugin lib(copy.c_str());
        ASSERT_TRUE(lib.loaded()) << dlerror();
        EXPECT_TRUE(deviceOpen(parportAt(v.otherBase)));
        EXPECT_EQ(lib.call<std::int32_t>("EA", 0), boxCount(v.otherBase, 0));
        EXPECT_EQ(lib.call<std::int32_t>("EA", 1), boxCount(v.otherBase, 1));
    }
    std::ofstream(ini) << "[port]\nbase=0x279\n";  // not a multiple of 4
    for (std::uint16_t base : {v.base, v.otherBase}) ASSERT_EQ(dataFromAnotherProgram(base, 0x0C), 0x0C);
    {
        Plugin lib(copy.c_str());
        ASSERT_TRUE(lib.loaded()) << dlerror();
        EXPECT_EQ(lib.call<std::int32_t>("EA", 0), -777);
        EXPECT_EQ(lib.call<std::int32_t>("SB", 0, 1), -777);
        EXPECT_FALSE(deviceOpen(parportAt(v.base)) || deviceOpen(parportAt(v.otherBase)));
    }
    for (std::uint16_t base : {v.base, v.otherBase}) EXPECT_EQ(dataFromAnotherProgram(base), 0x0C);
}

// Another program holding parportN through ppdev. It registers alone (PPEXCL), so
// while its device stays open the kernel refuses every other claim on the port, even
// once it has let go of its own (release()). The destructor closes it.
class Holder {
public:
    explicit Holder(int n) {
        int orders[2];
        int answers[2];
        if (::pipe(orders) != 0 || ::pipe(answers) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(orders[1]);
            ::close(answers[0]);
            const int fd = ::open(devicePath(n).c_str(), O_RDWR);
            char state = fd >= 0 && ::ioctl(fd, PPEXCL) == 0 && ::ioctl(fd, PPCLAIM) == 0 ? 'c' : 'x';
            for (char order = 0; ::write(answers[1], &state, 1) == 1 && ::read(orders[0], &order, 1) == 1;)
                state = ::ioctl(fd, PPRELEASE) == 0 ? 'r' : 'x';
            _exit(0);
        }
        ::close(orders[0]);
        ::close(answers[1]);
        orders_ = orders[1];
        answers_ = answers[0];
        claimed_ = answer() == 'c';
    }
    ~Holder() {
        ::close(orders_);
        ::waitpid(pid_, nullptr, 0);
        ::close(answers_);
    }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;

    bool claimed() const { return claimed_; }
    bool release() { return ::write(orders_, "r", 1) == 1 && answer() == 'r'; }

private:
    char answer() const {
        char state = 'x';
        return ::read(answers_, &state, 1) == 1 ? state : 'x';
    }
    pid_t pid_ = -1;
    int orders_ = -1;
    int answers_ = -1;
    bool claimed_ = false;
};

// Loading and the first calls answer at once while another program holds the port,
// kolmctl names the holder as the kernel does; a claim the kernel refuses after the
// holder let go is no claim, and a later call claims again and reads.
TEST_P(Ppdev, HeldPortAnswersAtOnceAndIsTakenOnceLetGo) {
    const Variant& v = GetParam();
    const int port = parportAt(v.base);
    std::unique_ptr<Holder> holder = std::make_unique<Holder>(port);
    ASSERT_TRUE(holder->claimed());
    const std::string name = holderOf(port);
    ASSERT_NE(name, "none\n");
    Plugin lib(v.path);
    ASSERT_TRUE(lib.loaded()) << dlerror();
    EXPECT_EQ(lib.call<std::int32_t>("EA", 0), -777);
    EXPECT_EQ(lib.call<std::int32_t>("SB", 0, 1), -777);
    const std::string ports = outputOf({kolmctl(), "ports", "--json"});
    EXPECT_NE(ports.find("\"holder\": \"" + name.substr(0, name.size() - 1) + "\""), std::string::npos)
        << ports;

    ASSERT_TRUE(holder->release());
    EXPECT_EQ(holderOf(port), "none\n");
    EXPECT_EQ(lib.call<std::int32_t>("EA", 0), -777);  // the kernel refuses the claim
    EXPECT_EQ(holderOf(port), "none\n");
    holder.reset();
    EXPECT_EQ(lib.call<std::int32_t>("EA", 0), boxCount(v.base, 0));
    EXPECT_EQ(lib.call<std::int32_t>("EA", 1), boxCount(v.base, 1));
    EXPECT_TRUE(deviceOpen(port));
    EXPECT_NE(holderOf(port), "none\n");
}

INSTANTIATE_TEST_SUITE_P(BothFiles, Ppdev, ::testing::ValuesIn(variants()), variantName);

// The kernel's texts that the plug-in and kolmctl read, escaped for a readable diff:
// every parportN's base-addr and devices/active, and /proc/devices' ppdev line.
std::string parportTexts() {
    std::string texts;
    auto add = [&](const std::string& what, const std::string& text) {
        texts += what + ": ";
        for (char c : text)
            texts += c == '\n' ? std::string("\\n") : c == '\t' ? std::string("\\t") : std::string(1, c);
        texts += '\n';
    };
    for (int n = 0; n < 8; ++n) {
        if (!std::filesystem::exists(parportFolder(n) + "/base-addr")) continue;
        add(parportFolder(n) + "/base-addr", textOf(parportFolder(n) + "/base-addr"));
        add(parportFolder(n) + "/devices/active", holderOf(n));
    }
    std::istringstream devices(textOf("/proc/devices"));
    for (std::string line; std::getline(devices, line);)
        if (line.ends_with(" ppdev")) add("/proc/devices", line + "\n");
    return texts;
}

// The stand-in parport driver of the fast tests, given this machine's ports in the
// kernel's order, serves the very texts the kernel serves.
TEST(KernelTexts, TheStandInDriverServesTheKernelsTexts) {
    std::string bases;
    for (int n = 0; n < 8; ++n)
        if (const long base = number(textOf(parportFolder(n) + "/base-addr")); base > 0)
            bases += (bases.empty() ? "" : ",") + std::to_string(base);
    const std::string kernel = parportTexts();
    ASSERT_NE(kernel.find("/base-addr"), std::string::npos) << kernel;
    const std::string standIn =
        outputOf({"/proc/self/exe", "--parport-texts"},
                 {"LD_PRELOAD=" + environment("KOLM_FAKE"), "FAKE_PARPORT_BASES=" + bases});
    EXPECT_EQ(standIn, kernel);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--parport-texts") {
        std::fputs(parportTexts().c_str(), stdout);
        return 0;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
