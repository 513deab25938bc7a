// kolmctl ports, and kolmctl's reasons for "no value", against the stand-in parport
// driver: a machine with the usual port at 0x378 and a card at 0xD010, each state
// that stands between a port and a plug-in, and port files beside the plug-ins.
#include <gtest/gtest.h>

#include <fstream>

#include "fake_parport.h"
#include "kolmsim.h"
#include "port_file_cases.h"
#include "run_kolmctl.h"

namespace {

// parport0 at 0x378, parport1 a card at 0xD010, both with a box.
void machine() {
    const std::uint16_t bases[8] = {0x378, kCardBase};
    fake_parport_configure(bases);
    kolmsim_reset();
    kolmsim_add_box(kCardBase);
}

// The plug-ins' folder: a copy of kolmlpt1 and the port file `text` (none if null).
std::string pluginFolder(const ScratchFolder& scratch, const char* text) {
    const PortFileCase row{"", text, 0, kolm::PortFile::absent};
    layOutPortFile(row, scratch.path, scratch.path / "current", KOLMLPT1_PATH, "kolmlpt1.ini");
    return scratch.path.string();
}

// One state of the machine and the plug-ins' folder, as a row of the tables below.
struct Setting {
    const char* state;
    void (*set)();
    const char* portFile;  // beside kolmlpt1, none if null
};

// The machine in `s`; answers the plug-ins' folder.
std::string arrange(const ScratchFolder& scratch, const Setting& s) {
    machine();
    s.set();
    return pluginFolder(scratch, s.portFile);
}

}  // namespace

TEST(Ports, EachStateBetweenAPortAndAPlugin) {
    const ScratchFolder scratch("kolm-ports");
    struct Row {
        Setting at;
        std::vector<const char*> lines;
    } const rows[] = {
        {{"free", [] {}, nullptr},
         {"parport0 at 0x0378  /dev/parport0 (opens for you)\n  -> kolmlpt1.so drives it\n",
          "parport1 at 0xD010  /dev/parport1 (opens for you)\n  -> write base=0xD010 in kolmlpt2.ini beside "
          "kolmlpt2.so\n",
          "ppdev: loaded; direct I/O: refused"}},
        {{"held", [] { fake_parport_hold(0, "lp"); }, nullptr},
         {"-> kolmlpt1.so drives it\n  held now by lp: the plug-in takes the port once it is let go\n"}},
        {{"no permission", [] { fake_parport_deny_open(1); }, nullptr},
         {"parport0 at 0x0378  /dev/parport0 (group lp only)\n  -> kolmlpt1.so would drive it\n  -> first "
          "join "
          "group lp: sudo adduser $USER lp, then log in again\n"}},
        {{"no ppdev", [] { fake_parport_ppdev(0); }, nullptr},
         {"(no device file)\n  -> kolmlpt1.so would drive it\n  -> first load the ppdev driver: sudo "
          "modprobe ppdev",
          "ppdev: not loaded"}},
        {{"direct I/O", [] { fake_parport_ppdev(0), fake_parport_ioperm(FAKE_IOPERM_GRANTED); }, nullptr},
         {"-> kolmlpt1.so drives it\n", "direct I/O: granted"}},
        {{"card in the port file", [] {}, "[port]\nbase=0xD010\n"},
         {"parport0 at 0x0378  /dev/parport0 (opens for you)\n  -> write base=0x0378 in kolmlpt2.ini beside "
          "kolmlpt2.so\n",
          "parport1 at 0xD010  /dev/parport1 (opens for you)\n  -> kolmlpt1.so drives it (base from "}},
        {{"a USB printer cable", [] { fake_parport_usb_printers(2); }, nullptr},
         {"/dev/usb/lp0  USB printer adapter: cannot drive a KOLM box (it speaks the printer protocol, not "
          "the "
          "port's lines)\n  -> for the box, a PCI or PCIe card with a real parallel port\n/dev/usb/lp1  "
          "USB"}},
        {{"invalid port file", [] {}, "[port]\nbase=0xD012\n"},
         {"kolmlpt1.ini gives a base that is not a multiple of 4: kolmlpt1.so has no port until it is "
          "mended\n"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.at.state);
        const Ran r = runKolmctl({"ports", "--plugins", arrange(scratch, row.at)});
        EXPECT_EQ(r.code, 0) << r.err;
        for (const char* line : row.lines)
            EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
        EXPECT_EQ(fake_parport_counts().deviceOpens, 0u) << "ports opens no device";
        EXPECT_EQ(kolmsim_access_count(), 0u) << "ports touches no port";
    }
    machine();
    fake_parport_hold(1, "ppdev");
    fake_parport_usb_printers(1);
    const Ran json = runKolmctl({"ports", "--json", "--plugins", pluginFolder(scratch, nullptr)});
    EXPECT_NE(json.out.find(
                  "{\"name\": \"parport1\", \"description\": \"/dev/parport1\", \"base\": 53264, \"holder\": "
                  "\"ppdev\", \"device\": \"usable\", \"group\": \"lp\", \"plugin\": null, \"todo\": "
                  "\"write base=0xD010 in kolmlpt2.ini beside kolmlpt2.so\", \"access\": null}"),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("\"usbPrinters\": [\"/dev/usb/lp0\"]"), std::string::npos) << json.out;
    // A name from the system that is not UTF-8 reaches the JSON as UTF-8 all the same.
    fake_parport_hold(1,
                      "pp\xE9"
                      "dev");
    EXPECT_NE(runKolmctl({"ports", "--json"})
                  .out.find("\"holder\": \"pp\xEF\xBF\xBD"
                            "dev\""),
              std::string::npos);
}

// The data lines outlast each run of kolmctl, as a real port's do: a relay that one
// run left on stays on when the next switches another, and one run or a session
// switches several; lines shows them without a load.
TEST(Ports, NoRelayChangesThatTheUserDidNotName) {
    const ScratchFolder scratch("kolm-relays");
    machine();
    const std::string plugin = pluginFolder(scratch, nullptr) + "/kolmlpt1.so";
    const std::string latches = (scratch.path / "latches").string();
    fake_parport_share_latches(latches.c_str());
    struct Row {
        kolmctl::Args args;
        const char* input;
        int relays;  // on the data lines afterwards
        const char* says;
    } const rows[] = {
        {{plugin, "relay", "2", "on"}, "", 0x4, "relais 2: switched on (SB answered 201), read back on\n"},
        {{plugin, "relay", "1", "on"}, "", 0x6, "relais 1: switched on (SB answered 101), read back on\n"},
        {{plugin, "relays"}, "", 0x6, "relais 0: off\nrelais 1: on\nrelais 2: on\nrelais 3: off\n"},
        {{plugin, "session"},
         "relay 3 on\n# then one off\nrelay 2 off\nrelays\n",
         0xA,
         "relais 0: off\nrelais 1: on\nrelais 2: off\nrelais 3: on\n"},
        {{plugin, "relay", "0", "on", "then", "relay", "1", "off", "then", "check"}, "", 0x9, "check: "},
        {{"lines", plugin}, "", 0x9, "kolmlpt1 at 0x0378: relays on: 0, 3\n"},
    };
    for (const Row& row : rows) {
        const Ran r = runKolmctl(row.args, RunOptions{.input = row.input});
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.err, "") << "kolmctl read the lines: no relay was set off unasked";
        EXPECT_NE(r.out.find(row.says), std::string::npos) << r.out;
        std::ifstream lines(latches, std::ios::binary);
        EXPECT_EQ(lines.get() & 0x0F, row.relays) << r.out;
    }
    EXPECT_EQ(fake_parport_counts().openDevices, 0u);
}

// info names the base and its origin; "no value" comes with the reason, not advice,
// and info --json gives that reason as a word; lines reads the relays on at that port,
// or says why it cannot.
TEST(Ports, InfoAndNoValueSayWhichPortAndWhy) {
    const ScratchFolder scratch("kolm-ports");
    struct Row {
        Setting at;
        const char* info;
        const char* access;
        const char* why;  // after "no value"; null: the reading works
        const char* lines;
        const char* reason = "\"reason\": null";  // in info --json
    } const rows[] = {
        {{"built in", [] {}, nullptr},
         "port:      0x0378 (built in; no ",
         "ppdev, /dev/parport0\n",
         nullptr,
         "kolmlpt1 at 0x0378: relays on: none\n"},
        {{"card", [] {}, "[port]\nbase=0xD010\n"},
         "port:      0xD010 from ",
         "ppdev, /dev/parport1\n",
         nullptr,
         "kolmlpt1 at 0xD010: relays on: none\n"},
        {{"invalid file", [] {}, "[port]\nbase=0xD0l0\n"},
         "port:      none: ",
         "none\n",
         "kolmlpt1.ini gives a base that is not a number (write 0xD010, or 53264): mend it",
         "kolmlpt1 has no port: its port file is not valid",
         "\"reason\": \"portFile\""},
        {{"no port there", [] {}, "[port]\nbase=0xE800\n"},
         "port:      0xE800 from ",
         "none\n",
         "No parallel port at 0xE800; the system has parport0 at 0x0378, parport1 at 0xD010.",
         "the data lines at 0xE800 cannot be read here",
         "\"reason\": \"noPortAtBase\", \"advice\": \"No parallel port at 0xE800;"},
        {{"no permission", [] { fake_parport_deny_open(1); }, nullptr},
         "port:      0x0378",
         "none\n",
         "To reach the port at 0x0378: join group lp: sudo adduser $USER lp, then log in again.",
         "the data lines at 0x0378 cannot be read here",
         "\"reason\": \"deviceDenied\", \"advice\": \"To reach the port at 0x0378: join group lp"},
        {{"no ppdev", [] { fake_parport_ppdev(0); }, "[port]\nbase=0xD010\n"},
         "port:      0xD010",
         "none\n",
         "To reach the port at 0xD010: load the ppdev driver",
         "the data lines at 0xD010 cannot be read here",
         "\"reason\": \"noPpdev\""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.at.state);
        const std::string plugin = arrange(scratch, row.at) + "/kolmlpt1.so";
        const Ran info = runKolmctl({plugin, "info"});
        EXPECT_NE(info.out.find(row.info), std::string::npos) << info.out;
        EXPECT_NE(info.out.find(std::string("access:    ") + row.access), std::string::npos) << info.out;
        const Ran json = runKolmctl({plugin, "info", "--json"});
        EXPECT_NE(json.out.find(row.reason), std::string::npos) << json.out;
        const Ran lines = runKolmctl({"lines", plugin});
        EXPECT_EQ(lines.code, row.why ? kolmctl::kNoPortAccess : 0) << lines.err;
        EXPECT_NE((lines.out + lines.err).find(row.lines), std::string::npos) << lines.out << lines.err;
        const Ran read = runKolmctl({plugin, "read", "0", "--counts"});
        if (row.why == nullptr) {
            EXPECT_EQ(read.code, 0) << read.err;
            continue;
        }
        EXPECT_EQ(read.code, kolmctl::kNoPortAccess);
        EXPECT_NE(read.err.find(row.why), std::string::npos) << read.err;
    }
}
