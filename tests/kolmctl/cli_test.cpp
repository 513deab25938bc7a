// kolmctl's commands run in-process against the built LPT1 plug-in on the
// simulated bench: the test sets the box's inputs as a technician would put a
// voltage on them, then reads what kolmctl reports and what the port latch holds.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include "console.h"
#include "expected_directory.h"
#include "host_contract.h"
#include "kolmsim.h"
#include "port_file_cases.h"
#include "rules_table.h"
#include "run_kolmctl.h"

namespace {

constexpr std::uint16_t kLpt1 = kLpt1Contract.base;
constexpr RunOptions kOnTerminal{true};  // 100 columns wide
constexpr RunOptions kWatchingBench{false, true};

// The box as the plug-in finds it when it loads: port byte held, fixed inputs.
void bench(std::uint8_t held, int count0, int count1, bool refused = false) {
    kolmsim_reset();
    kolmsim_set_data(kLpt1, held);
    kolmsim_set_count(kLpt1, 0, count0);
    kolmsim_set_count(kLpt1, 1, count1);
    kolmsim_refuse_access(refused ? 1 : 0);
}

std::string tempPath(const char* name) { return ::testing::TempDir() + name; }

int lines(const std::string& s) { return static_cast<int>(std::count(s.begin(), s.end(), '\n')); }

std::string hostileDir() { return HOSTILE_DIR; }

}  // namespace

TEST(KolmctlIdentify, InfoShowsTheTextsInUtf8AndTheExportsBehindTheDirectory) {
    bench(0, 0, 0);
    const Ran r = runKolmctl({KOLMLPT1_PATH, "info"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find(std::string("title:     ") + kLpt1Contract.title + "\n"), std::string::npos);
    EXPECT_NE(r.out.find("le 20 f\xC3\xA9vrier 2001\n"), std::string::npos) << "0xE9 shown as UTF-8 e-acute";
    EXPECT_NE(r.out.find("x86-64 Linux shared object"), std::string::npos);
    EXPECT_NE(r.out.find(std::to_string(kListedCount) + " entries"), std::string::npos);
    EXPECT_NE(r.out.find("port:      0x0378 (built in; no "), std::string::npos) << "no port file beside it";
    EXPECT_NE(
        r.out.find(
            "exports:   DLLFunctionDirectory EA nea EAD nead SA nsa SAD nsad EB neb SB nsb titre detail "
            "RSA RSAD RSB peaD PSAD\n"),
        std::string::npos)
        << r.out;
}

// A port file that is a folder, a FIFO or a device: info and ports name it and why, at
// once, where reading it would wait for a writer or read nothing.
TEST(KolmctlIdentify, APortFileThatIsNoFileIsNamedWithItsReason) {
    const ScratchFolder scratch("kolmctl-port-file");
    for (const PortFileCase& row : kPortFileCases) {
        if (!isSpecial(row.text)) continue;
        SCOPED_TRACE(row.name);
        bench(0, 0, 0);
        const std::string copy =
            layOutPortFile(row, scratch.path, scratch.path, KOLMLPT1_PATH, "kolmlpt1.ini");
        const std::string said = std::string("kolmlpt1.ini ") + notAFileReason(row.text);
        const Ran info = runKolmctl({copy, "info"});
        EXPECT_NE(info.out.find("port:      none: "), std::string::npos) << info.out;
        EXPECT_NE(info.out.find(said), std::string::npos) << info.out;
        const Ran ports = runKolmctl({"ports", "--plugins", scratch.path.string()});
        EXPECT_NE(ports.out.find(said + ": kolmlpt1.so has no port until it is mended"), std::string::npos)
            << ports.out;
    }
}

TEST(KolmctlIdentify, ListGivesOneLinePerEntryWithTheExportItPointsAt) {
    bench(0, 0, 0);
    const Ran r = runKolmctl({KOLMLPT1_PATH, "list"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(lines(r.out), kListedCount);
    EXPECT_NE(r.out.find(" 2  PURE PASCAL asciiz NEA(int)"), std::string::npos);
    const auto detail = r.out.find("14  PURE PASCAL asciiz Detail() ");
    ASSERT_NE(detail, std::string::npos) << r.out;
    EXPECT_EQ(r.out.find(" -> detail\n", detail), r.out.find('\n', detail) - 10)
        << "listed as Detail, exported as detail";
}

// The file begins with where and when it was captured, lines a spreadsheet shows
// above the columns and a script skips by their "#"; times are to the microsecond;
// a summary of the capture follows on the error stream.
TEST(KolmctlRead, CsvGivesTheCountsTheBoxHoldsAfterWhenAndHowTheyWereTaken) {
    bench(0, 300, 700);
    const Ran r = runKolmctl({KOLMLPT1_PATH, "read", "--counts", "--csv", "--count=3", "--interval", "0"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(std::regex_search(
        r.out, std::regex("^# kolmctl [0-9.]+ capture of kolmlpt1\\.so \\(KOLM en LPT1:\\)\n"
                          "# start: "
                          "20[0-9]{2}-[01][0-9]-[0-3][0-9]T[0-2][0-9]:[0-5][0-9]:[0-6][0-9]\\.[0-9]{6}[+-][0-"
                          "9]{2}:[0-9]{2}\n"
                          "# schedule: back to back: 3 readings\n# values: counts through EA\n"
                          "time_s,ch0_counts,ch1_counts\n(0\\.[0-9]{6},300,700\n){3}$")))
        << r.out;
    EXPECT_NE(r.err.find("kolmctl: 3 readings in 0.0"), std::string::npos) << r.err;
    EXPECT_NE(
        r.err.find(" s, back to back: no gap, no missed slot\nkolmctl:   CAN voie 0: min 300 (1.465 V), mean "
                   "300.0 (1.465 V), max 300 (1.465 V)\nkolmctl:   CAN voie 1: min 700"),
        std::string::npos)
        << r.err;
}

// A slow plug-in cannot keep a rate: the slots it cannot start in time are counted,
// never made up by moving the rest of the schedule.
TEST(KolmctlRead, AReadingThatCannotKeepItsSlotIsCountedMissed) {
    const Ran r = runKolmctl(
        {hostileDir() + "/hostile_slow_readings.so", "read", "0", "--rate", "1000", "--count", "5"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(lines(r.out), 1) << r.out;
    EXPECT_NE(r.err.find("1 reading in 0.0"), std::string::npos) << r.err;
    EXPECT_NE(
        r.err.find(
            " s, every 1 ms (1000 Hz): no gap, 4 missed slots (a reading could not start in its period)"),
        std::string::npos)
        << r.err;
}

TEST(KolmctlRead, VoltsComeFromTheVoltEntryPointForTheChannelsAsked) {
    bench(0, 300, 700);
    const Ran r = runKolmctl({KOLMLPT1_PATH, "read", "1", "--volts", "--csv"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.rfind("time_s,ch1_volts\n", 0), 0u) << "one reading: the header and its row, no # lines";
    EXPECT_NE(r.out.find(",3.4180\n"), std::string::npos) << r.out;  // 700 x 5 / 1024
}

TEST(KolmctlRead, PlainLinesNameEachChannel) {
    bench(0, 1023, 0);
    const Ran r = runKolmctl({KOLMLPT1_PATH, "read"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(lines(r.out), 1);
    EXPECT_NE(r.out.find("CAN voie 0: 1023 (4.995 V)  CAN voie 1: 0 (0.000 V)"), std::string::npos) << r.out;
}

TEST(KolmctlRead, OnATerminalRedrawsABarPerChannelInPlace) {
    bench(0, 512, 256);
    const Ran r = runKolmctl({KOLMLPT1_PATH, "read", "--count", "2", "--interval", "0"}, kOnTerminal);
    EXPECT_EQ(r.code, 0);
    const std::string half = "[" + std::string(20, '#') + std::string(20, '.') + "]";
    const std::string quarter = "[" + std::string(10, '#') + std::string(30, '.') + "]";
    EXPECT_NE(r.out.find("CAN voie 0   512  2.500 V  " + half + "  min 512 max 512"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("CAN voie 1   256  1.250 V  " + quarter + "  min 256 max 256"), std::string::npos);
    EXPECT_NE(r.out.find("\x1b[3F"), std::string::npos) << "second frame drawn over the first";
    EXPECT_NE(r.out.find("reading 2 of 2"), std::string::npos);
}

TEST(KolmctlRead, PlotWritesAnSvgWithALinePerChannel) {
    bench(0, 512, 1000);
    const std::string file = tempPath("kolmctl_plot.svg");
    std::remove(file.c_str());
    const std::string rows = tempPath("kolmctl_plot.txt");
    const Ran r =
        runKolmctl({KOLMLPT1_PATH, "read", "--count", "4", "--interval", "0", "--plot", file, "-o", rows});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "");
    std::ifstream written(rows);
    EXPECT_EQ(lines(std::string(std::istreambuf_iterator<char>(written), {})), 4)
        << "the rows, in their file";
    EXPECT_FALSE(std::ifstream(rows + ".kolmctl-1.tmp")) << "renamed, not copied";
    std::ifstream in(file);
    const std::string svg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    size_t polylines = 0;
    for (size_t at = svg.find("<polyline"); at != std::string::npos; at = svg.find("<polyline", at + 1))
        ++polylines;
    EXPECT_EQ(polylines, 2u);
    EXPECT_NE(svg.find(">CAN voie 1</text>"), std::string::npos);
}

// A bad command line is one line that says what is wrong and where the help is, and
// touches nothing.
TEST(KolmctlRead, RefusesWhatTheInterfaceDoesNotHaveAndWhatMakesNoSense) {
    bench(0, 0, 0);
    struct {
        kolmctl::Args args;
        int code;
        const char* says;
    } const cases[] = {
        {{"2"}, kolmctl::kOutOfRange, "channel 2 is out of range"},
        {{"-1"}, kolmctl::kOutOfRange, "channel -1 is out of range"},
        {{"0", "--count", "many"},
         kolmctl::kUsage,
         "--count must be a whole number, not \"many\"; see 'kolmctl help read'"},
        {{"--fast"}, kolmctl::kUsage, "unknown option --fast; see 'kolmctl help read'"},
        {{"--plot"}, kolmctl::kUsage, "--plot needs a file name; see 'kolmctl help read'"},
        {{"--counts", "--volts"}, kolmctl::kUsage, "--counts and --volts cannot be used together"},
        {{"--rate=10", "--interval", "5"}, kolmctl::kUsage, "--rate and --interval cannot be used together"},
        {{"--count", "3", "--duration", "1s"},
         kolmctl::kUsage,
         "--count and --duration cannot be used together"},
        {{"--csv", "--csv-fr"}, kolmctl::kUsage, "--csv and --csv-fr cannot be used together"},
        {{"--duration", "soon"}, kolmctl::kUsage, "--duration must be a time above 0 such as 10s"},
        {{"--rate", "0"}, kolmctl::kUsage, "--rate must be a number of readings a second above 0"},
        {{"--rate", "20000"}, kolmctl::kUsage, "--rate can be at most 10000 Hz"},
        {{"--interval", "0.01"}, kolmctl::kUsage, "--interval can be 0 or at least 0.1 ms"},
        {{"--interval", "-5"}, kolmctl::kUsage, "--interval must be milliseconds"},
        {{"--interval", "2000s"}, kolmctl::kUsage, "--interval can be at most 1000 s"},
        {{"--rate", "0.0001"}, kolmctl::kUsage, "--rate can be no less than 0.001 Hz"},
        // Lengths checked before any conversion, the same on a 32-bit long (Windows).
        {{"--duration", "999999999999h", "--rate", "10000"},
         kolmctl::kUsage,
         "--duration can be at most 1000h"},
        {{"--duration", "60h", "--rate", "10000"},
         kolmctl::kUsage,
         "--duration 60h at 10000 Hz makes more than 1000000000 readings, the most a capture takes"},
        {{"--count", "2000000000"}, kolmctl::kUsage, "--count can be at most 1000000000"},
        {{"--count", "99999999999"}, kolmctl::kUsage, "--count is too large: 99999999999"},
        // A chart that cannot be written is found out before the first reading.
        {{"--plot", "/nonexistent/folder/chart.svg"},
         kolmctl::kOutputFailed,
         "cannot write /nonexistent/folder/chart.svg"},
    };
    for (const auto& c : cases) {
        kolmsim_trace_clear();
        kolmctl::Args args{KOLMLPT1_PATH, "read"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Ran r = runKolmctl(args, kWatchingBench);
        EXPECT_EQ(r.code, c.code) << c.args[0] << " " << r.err;
        EXPECT_EQ(r.err.rfind(std::string("kolmctl: ") + c.says, 0), 0u) << r.err;
        EXPECT_EQ(lines(r.err), 1) << r.err;
        // A line refused is refused before the load; a chart, after the plug-in's start-up.
        EXPECT_EQ(kolmsim_trace_length(), c.code == kolmctl::kOutputFailed ? 2u : 0u) << c.args[0];
    }
    setenv("KOLMCTL_CSV", "de", 1);
    const Ran r = runKolmctl({KOLMLPT1_PATH, "read", "--csv"});
    unsetenv("KOLMCTL_CSV");
    EXPECT_EQ(r.code, kolmctl::kUsage);
    EXPECT_NE(r.err.find("KOLMCTL_CSV is \"de\": write fr"), std::string::npos) << r.err;
    setenv("KOLMCTL_CSV", "fr", 1);
    const Ran fr = runKolmctl({KOLMLPT1_PATH, "read", "--csv", "--counts"});
    unsetenv("KOLMCTL_CSV");
    EXPECT_EQ(fr.out.rfind("time_s;ch0_counts;ch1_counts\n0,", 0), 0u) << fr.out;
}

TEST(KolmctlRead, NoPortAccessIsSaidInWordsNotShownAsAReading) {
    for (const char* mode : {"--counts", "--volts"}) {
        bench(0, 300, 300, true);
        const Ran r = runKolmctl({KOLMLPT1_PATH, "read", mode});
        EXPECT_EQ(r.code, kolmctl::kNoPortAccess) << mode;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("no access to the parallel port on this machine"), std::string::npos) << r.err;
        // The step to take follows, as the machine allows (kolmctl ports' own tests run on a stand-in).
        const std::regex advice("machine\\.\n  .*(modprobe|adduser|root|base=|udev|let go|remove it)");
        EXPECT_TRUE(std::regex_search(r.err, advice)) << r.err;
    }
}

// Without the port, every command that acts on the box ends with exit code 8 and says
// why; none reports a success.
TEST(KolmctlRead, WithoutThePortNoCommandReportsASuccess) {
    for (const kolmctl::Command& c : kolmctl::commands()) {
        if (!c.withPlugin) continue;
        bench(0, 300, 300, true);
        const Ran r = runKolmctl(typicalUse(KOLMLPT1_PATH, c));
        EXPECT_EQ(r.code == kolmctl::kNoPortAccess, c.needsPort) << c.name << ": " << r.code << " " << r.err;
        if (!c.needsPort) continue;
        EXPECT_NE((r.out + r.err).find("no access to the parallel port"), std::string::npos) << c.name;
        if (std::string(c.name) != "check") {
            EXPECT_EQ(r.out, "") << c.name;
        }
    }
}

// Another program takes the port for a moment: the readings it got in the way of are
// gaps (an empty cell, a break in the chart), the capture goes on, and the exit code
// says that not every reading was taken.
TEST(KolmctlRead, AReadingWithoutAnAnswerIsAGapAndTheCaptureGoesOn) {
    bench(0, 300, 700);
    // Start-up's 2 accesses, then 43 a channel: the first access of the third reading's channel 0.
    kolmsim_fail_accesses(2 + 2 * 86 + 1, 1, KOLMSIM_FAIL_READS | KOLMSIM_FAIL_WRITES);
    const std::string chart = tempPath("kolmctl_gap.svg");
    const Ran r = runKolmctl(
        {KOLMLPT1_PATH, "read", "--counts", "--csv", "--count", "5", "--interval", "0", "--plot", chart},
        kWatchingBench);
    EXPECT_EQ(r.code, kolmctl::kNoPortAccess) << r.err;
    std::istringstream rows(r.out);
    std::vector<std::string> cells;
    for (std::string row; std::getline(rows, row);)
        if (row[0] != '#') cells.push_back(row.substr(row.find(',')));
    EXPECT_EQ(cells, (std::vector<std::string>{",ch0_counts,ch1_counts", ",300,700", ",300,700", ",,700",
                                               ",300,700", ",300,700"}));
    EXPECT_NE(r.err.find("5 readings in "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("1 gap (no value: the port did not answer; left empty)"), std::string::npos)
        << r.err;
    std::ifstream in(chart);
    const std::string svg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t lines = 0;
    for (std::size_t at = svg.find("<polyline"); at != std::string::npos; at = svg.find("<polyline", at + 1))
        ++lines;
    EXPECT_EQ(lines, 3u) << "channel 0 broken in two at the gap, channel 1 whole";
}

// Each row of tests/rules/gaps.csv, which kolm's Capture.to_csv writes alike: the
// readings a failing port access leaves without an answer are empty cells, one gap a
// reading; a capture whose first reading has no answer at all ends at once.
TEST(KolmctlRead, WritesTheGapsOfEachRowOfTheRulesTable) {
    for (const RuleRow& row : ruleRows("gaps.csv")) {
        SCOPED_TRACE(row.at("what"));
        bench(0, 682, 341);
        kolmctl::Args args{KOLMLPT1_PATH, "read"};
        const std::vector<std::string> channels = ruleFields(row.at("channels"), ' ');
        args.insert(args.end(), channels.begin(), channels.end());
        args.insert(args.end(), {"--csv", "--count", row.at("readings"), "--interval", "0"});
        // Start-up's 2 accesses, then 43 a channel; an unanswered reading stops at its first.
        const std::vector<std::string> from = ruleFields(row.at("unanswered"), ':');
        const auto first = static_cast<std::uint32_t>(
            2 + (std::stoul(from[0]) * channels.size() + std::stoul(from[1])) * 43 + 1);
        kolmsim_fail_accesses(first, static_cast<std::uint32_t>(std::stoul(from[2])),
                              KOLMSIM_FAIL_READS | KOLMSIM_FAIL_WRITES);
        const Ran r = runKolmctl(args, kWatchingBench);
        EXPECT_EQ(r.code, kolmctl::kNoPortAccess) << r.err;
        std::vector<std::string> cells;
        std::istringstream rows(r.out);
        for (std::string line; std::getline(rows, line);)
            if (line[0] != '#' && line.rfind("time_s", 0) != 0)
                cells.push_back(line.substr(line.find(',') + 1));
        if (row.at("gaps") == "no port") {
            EXPECT_TRUE(cells.empty()) << r.out;
            EXPECT_NE(r.err.find("answered \"no value\" (-777)"), std::string::npos) << r.err;
            continue;
        }
        EXPECT_EQ(cells, ruleFields(row.at("rows"), '|')) << r.out;
        const std::string gaps = std::stol(row.at("gaps")) == 1 ? "1 gap (" : row.at("gaps") + " gaps (";
        EXPECT_NE(r.err.find(gaps), std::string::npos) << r.err;
    }
}

TEST(KolmctlPort, RelaySwitchesTheDataLineAndReadsItBack) {
    bench(0x00, 0, 0);
    const Ran on = runKolmctl({KOLMLPT1_PATH, "relay", "2", "on"}, kWatchingBench);
    EXPECT_EQ(on.code, 0) << on.err;
    EXPECT_EQ(on.out, "relais 2: switched on (SB answered 201), read back on\n");
    EXPECT_EQ(kolmsim_data(kLpt1) & 0x0F, 0x04) << "D2 drives relay 2";
    const Ran off = runKolmctl({KOLMLPT1_PATH, "relay", "2", "off"}, kWatchingBench);
    EXPECT_EQ(off.code, 0);
    EXPECT_EQ(kolmsim_data(kLpt1) & 0x0F, 0x00);
}

TEST(KolmctlPort, RelayRefusesBadNumbersAndSaysWhenThePortIsMissing) {
    bench(0, 0, 0);
    EXPECT_EQ(runKolmctl({KOLMLPT1_PATH, "relay", "4", "on"}).code, kolmctl::kOutOfRange);
    EXPECT_EQ(runKolmctl({KOLMLPT1_PATH, "relay", "-1", "on"}).code, kolmctl::kOutOfRange);
    EXPECT_EQ(runKolmctl({KOLMLPT1_PATH, "relay", "1", "up"}).code, kolmctl::kUsage);
    EXPECT_EQ(runKolmctl({KOLMLPT1_PATH, "relay", "1"}).code, kolmctl::kUsage);
    // A bad step anywhere in a chain: nothing of it runs.
    const Ran chain =
        runKolmctl({KOLMLPT1_PATH, "relay", "0", "on", "then", "relay", "9", "on"}, kWatchingBench);
    EXPECT_EQ(chain.code, kolmctl::kOutOfRange) << chain.err;
    EXPECT_EQ(chain.out, "");
    EXPECT_EQ(kolmsim_data(kLpt1) & 0x0F, 0x00) << "relay 0 not switched";
    bench(0, 0, 0, true);
    const Ran r = runKolmctl({KOLMLPT1_PATH, "relay", "1", "on"});
    EXPECT_EQ(r.code, kolmctl::kNoPortAccess);
    EXPECT_EQ(kolmsim_data(kLpt1), 0x00);
}

// The simulated bench is not a port kolmctl can read before it loads the plug-in: what
// it does not know, it does not report; what one call switched, it does.
TEST(KolmctlPort, RelaysNeverReportAStateKolmctlDoesNotKnow) {
    bench(0x0F, 0, 0);  // the lines are high, but nothing was switched by this load
    Ran r = runKolmctl({KOLMLPT1_PATH, "relays"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(
        r.out,
        "relais 0: not set by this call\nrelais 1: not set by this call\nrelais 2: not set by this call\n"
        "relais 3: not set by this call\n");
    r = runKolmctl({KOLMLPT1_PATH, "relay", "1", "on", "then", "relay", "2", "on", "then", "relays"},
                   kWatchingBench);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.substr(r.out.find("relais 0: ", 60)),
              "relais 0: off\nrelais 1: on\nrelais 2: on\nrelais 3: off\n");
    EXPECT_EQ(kolmsim_data(kLpt1) & 0x0F, 0x06) << "one load: the second switch kept the first";
    EXPECT_NE(r.err.find("also set relais 0, relais 2 and relais 3 off"), std::string::npos) << r.err;
}

TEST(KolmctlPort, RestoreGivesThePrinterItsByteAndReinitTakesThePortBack) {
    bench(0x25, 0, 0);  // start-up writes 0xB5: relays kept, clock and supply high
    ASSERT_EQ(runKolmctl({KOLMLPT1_PATH, "restore"}, kWatchingBench).code, 0);
    EXPECT_EQ(kolmsim_data(kLpt1), 0x25);
    kolmsim_set_data(kLpt1, 0x2A);
    const Ran r = runKolmctl({KOLMLPT1_PATH, "reinit"}, kWatchingBench);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "R\xC3\xA9initialisation: the interface is initialised again\n");
    EXPECT_EQ(kolmsim_data(kLpt1), 0xBA);
}

TEST(KolmctlCheck, TheBuiltPlugInConformsAndABoxNotReachedIsNotAllOk) {
    for (bool refused : {false, true}) {
        bench(0, 100, 900, refused);
        const Ran r = runKolmctl({KOLMLPT1_PATH, "check"});
        EXPECT_EQ(r.code, refused ? kolmctl::kNoPortAccess : kolmctl::kOk) << r.out;
        EXPECT_EQ(r.out.find("check: the box was not reached") != std::string::npos, refused) << r.out;
        EXPECT_EQ(r.out.find("FAIL"), std::string::npos) << r.out;
        EXPECT_NE(
            r.out.find("all " + std::to_string(kListedCount) + " entry points of the interface are listed"),
            std::string::npos);
        EXPECT_NE(r.out.find(", 0 failed\n"), std::string::npos);
        EXPECT_EQ(r.out.find("no port access") != std::string::npos, refused);
    }
}

TEST(KolmctlCheck, FindsEveryFaultOfABrokenPlugInAndSurvivesItsCrash) {
    const Ran r = runKolmctl({FAKE_PLUGIN_PATH, "check"});
    EXPECT_EQ(r.code, kolmctl::kCheckFailed) << r.out;
    for (const char* finding : {
             "FAIL  entry 1 \"PURE PASCAL int EA(int)\": its address is not an exported entry point",
             "FAIL  entry 4 \"PASCAL float X()\": unreadable text: does not start with \"PURE PASCAL \"",
             "FAIL  EA(4) crashed (",
             "FAIL  RSB(-1) answered 0, expected -777 (no value)",
             "FAIL  not listed: NEA, EAD, NEAD,",
             "FAIL  peaD is not exported",
             "check: ",
         })
        EXPECT_NE(r.out.find(finding), std::string::npos) << finding << "\n" << r.out;
    EXPECT_NE(r.out.find("ok    asciiz titre(): 1 call answered"), std::string::npos);
}

TEST(KolmctlErrors, EachKindOfBadFileHasItsOwnExitCode) {
    const std::string text = tempPath("kolmctl_text.so");
    std::ofstream(text) << "not a library\n";
    // Headers of an i386 ELF shared object and of an i386 DLL: read, never loaded.
    std::string elf(64, '\0');
    elf.replace(0, 4,
                "\x7F"
                "ELF");
    elf[4] = 1;   // 32-bit
    elf[18] = 3;  // EM_386
    const std::string elfPath = tempPath("kolmctl_i386.so");
    std::ofstream(elfPath, std::ios::binary) << elf;
    std::string pe(0x90, '\0');
    pe[0] = 'M', pe[1] = 'Z', pe[60] = static_cast<char>(0x80);
    pe.replace(0x80, 6, std::string("PE\0\0\x4C\x01", 6));
    const std::string pePath = tempPath("kolmctl_i386.dll");
    std::ofstream(pePath, std::ios::binary) << pe;
    pe[0x84] = 0x64, pe[0x85] = static_cast<char>(0x86);  // IMAGE_FILE_MACHINE_AMD64
    const std::string pe64Path = tempPath("kolmctl_x64.dll");
    std::ofstream(pe64Path, std::ios::binary) << pe;
    pe[60] = pe[61] = pe[62] = pe[63] = static_cast<char>(0xF0);  // the PE header far past the end
    const std::string wildPePath = tempPath("kolmctl_wild.dll");
    std::ofstream(wildPePath, std::ios::binary) << pe;
    const std::string loop = tempPath("kolmctl_loop.so");
    std::remove(loop.c_str());
    ASSERT_EQ(symlink(loop.c_str(), loop.c_str()), 0);
    const std::string fifo = tempPath("kolmctl_fifo.so");
    std::remove(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    struct {
        std::string file;
        int code;
        std::string says;
    } const cases[] = {
        {"/nonexistent/kolmlpt1.so", kolmctl::kFileNotFound, "no such file"},
        {loop, kolmctl::kFileNotFound, "cannot read " + loop + ": Too many levels of symbolic links"},
        {text, kolmctl::kNotAPlugin, "not a shared library"},
        {KOLMSIM_PATH, kolmctl::kNotAPlugin, "exports no DLLFunctionDirectory"},
        {elfPath, kolmctl::kWrongArchitecture, "is an i386 Linux shared object"},
        {pePath, kolmctl::kWrongArchitecture, "is an i386 Windows DLL"},
        {pe64Path, kolmctl::kWrongArchitecture,
         "Use the kolmctl.exe of the 64-bit Windows package (windows-x64)."},
        {wildPePath, kolmctl::kNotAPlugin, "not a shared library"},
        {fifo, kolmctl::kNotAPlugin, "it is a FIFO"},  // opening it would wait for a writer
        {::testing::TempDir(), kolmctl::kNotAPlugin, "it is a folder"},
        {"/dev/zero", kolmctl::kNotAPlugin, "it is a device"},
    };
    for (const auto& c : cases) {
        const Ran r = runKolmctl({c.file, "info"});
        EXPECT_EQ(r.code, c.code) << c.file;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
}

TEST(KolmctlHelp, EveryCommandHasHelpAndBadCommandsAreUsageErrors) {
    for (const kolmctl::Command& c : kolmctl::commands()) {
        const std::string usage =
            std::string("usage: kolmctl ") + (c.withPlugin ? "PLUGIN " : "") + c.synopsis;
        std::vector<kolmctl::Args> asked{{c.name, "--help"}, {"help", c.name}};
        if (c.withPlugin) asked.push_back({KOLMLPT1_PATH, c.name, "--help"});
        for (const kolmctl::Args& args : asked) {
            const Ran r = runKolmctl(args);
            EXPECT_EQ(r.code, 0);
            EXPECT_EQ(r.out.rfind(usage + "\n\n", 0), 0u) << r.out;
        }
        EXPECT_NE(runKolmctl({"--help"}).out.find(c.synopsis), std::string::npos)
            << "the overview lists " << c.name;
    }
    EXPECT_NE(runKolmctl({"read", "--help"}).out.find("--plot FILE"), std::string::npos);
    EXPECT_EQ(runKolmctl({"--help"}).code, 0);
    const Ran none = runKolmctl({});
    EXPECT_EQ(none.code, kolmctl::kUsage);
    EXPECT_EQ(none.err, "kolmctl: no plug-in given: kolmctl PLUGIN COMMAND; see 'kolmctl help'\n");
    const Ran help = runKolmctl({"help"});
    for (const char* section : {"\nEXAMPLES\n", "\nFILES\n", "\nEXIT STATUS\n", "--csv-fr"})
        EXPECT_NE(help.out.find(section), std::string::npos) << section;
    EXPECT_EQ(runKolmctl({KOLMLPT1_PATH}).code, kolmctl::kUsage);
    EXPECT_EQ(runKolmctl({KOLMLPT1_PATH, "frobnicate"}).code, kolmctl::kUsage);
    EXPECT_EQ(runKolmctl({KOLMLPT1_PATH, "info", "extra"}).code, kolmctl::kUsage);
    EXPECT_EQ(runKolmctl({"ports", "--fast"}).code, kolmctl::kUsage);
    EXPECT_EQ(runKolmctl({"ports", "--plugins"}).code, kolmctl::kUsage);
}

namespace {

std::string hostile(const char* kind) { return hostileDir() + "/hostile_" + kind + ".so"; }

std::vector<pid_t> childrenOfTheTest() {
    std::ifstream in("/proc/self/task/" + std::to_string(getpid()) + "/children");
    std::vector<pid_t> pids;
    for (pid_t p = 0; in >> p;) pids.push_back(p);
    return pids;
}

}  // namespace

TEST(KolmctlHostile, EveryCommandEndsWithItsExitCodeAndOneLine) {
    struct Row {
        const char* plugin;
        std::vector<const char*> command;  // empty: every command, with the same answer
        int code;
        std::vector<const char*> says;  // in the output or the error
    };
    using namespace kolmctl;
    const Row rows[] = {
        {"crash_at_load",
         {},
         kPluginFailed,
         {"the plug-in failed: the library's start-up crashed (Segmentation fault)"}},
        {"exit_at_load", {}, kPluginFailed, {"the library's start-up ended the process (exit status 0)"}},
        {"hung_directory",
         {},
         kPluginFailed,
         {"the plug-in failed: DLLFunctionDirectory() gave no answer in 1 s"}},
        {"null_directory", {}, kNotAPlugin, {"DLLFunctionDirectory returned a null address"}},
        {"wild_directory",
         {},
         kNotAPlugin,
         {"DLLFunctionDirectory returned 0x10, where no table can be read"}},
        {"wild_texts",
         {"info"},
         kOk,
         {"title:     \\x1B]0;pwned\\x07Titre \xC3\xA9\n", "7 entries at 0x",
          "the table cannot be read past entry 7, and no null entry came before"}},
        {"wild_texts",
         {"list"},
         kOk,
         {" 6  AAAA", "AAA... (no end within 4096 characters)", " 7  (the text cannot be read)"}},
        {"wild_texts", {"read"}, kOk, {"5000 (invalid: not a count from 0 to 1023)"}},
        {"wild_texts",
         {"read", "--csv"},
         kOk,
         {",invalid(5000),invalid(5000),invalid(5000),invalid(5000)\n"}},
        {"wild_texts",
         {"read", "--volts"},
         kOk,
         {"nan V (invalid: not a number)", "1 reading held a value the interface cannot give"}},
        {"wild_texts",
         {"check"},
         kCheckFailed,
         {"FAIL  EA(0) answered 5000, expected a count from 0 to 1023",
          "FAIL  EAD(1) answered nan, expected volts",
          "FAIL  entry 7 \"(the text cannot be read)\": unreadable text",
          "FAIL  the directory is not well formed: the table cannot be read"}},
        {"faulting_entries",
         {"info"},
         kPluginFailed,
         {"the plug-in failed: titre() crashed (Illegal instruction)"}},
        {"faulting_entries", {"list"}, kOk, {" 5  PURE PASCAL asciiz titre()"}},
        {"faulting_entries",
         {"read"},
         kPluginFailed,
         {"the plug-in failed: EA(0) crashed (Segmentation fault)"}},
        {"faulting_entries",
         {"read", "--volts"},
         kPluginFailed,
         {"the plug-in failed: EAD(0) gave no answer in 1 s"}},
        {"faulting_entries",
         {"relay", "1", "on"},
         kPluginFailed,
         {"SB(1,1) ended the process (exit status 3)"}},
        {"faulting_entries", {"relays"}, kPluginFailed, {"EA(0) crashed (Segmentation fault)"}},
        // A panel like the virtual box's in a file that is not kolmsim by its texts: not trusted.
        {"slow_readings", {"relays"}, kOk, {"relay 0: not set by this call\n"}},
        {"faulting_entries", {"restore"}, kPluginFailed, {"EA(0) crashed (Segmentation fault)"}},
        {"faulting_entries",
         {"check"},
         kCheckFailed,
         {"FAIL  EA(0) crashed (Segmentation fault)", "FAIL  EAD(0) gave no answer in 1 s",
          "FAIL  titre() crashed (Illegal instruction)", "FAIL  SB(-1,1) ended the process (exit status 3)",
          "note  double EAD(int): not probed further, it gave no answer once"}},
    };
    for (const Row& row : rows) {
        std::vector<Args> commandLines;
        for (const Command& command : commands())
            if (row.command.empty() && command.withPlugin)
                commandLines.push_back(typicalUse(hostile(row.plugin), command));
        if (!row.command.empty()) {
            commandLines.push_back({hostile(row.plugin)});
            commandLines.back().insert(commandLines.back().end(), row.command.begin(), row.command.end());
        }
        for (const Args& args : commandLines) {
            const Ran r = runKolmctl(args, {false, false, 1});
            const int code = r.code;
            const std::string said = r.out + r.err;
            EXPECT_EQ(code, row.code) << row.plugin << " " << args[1] << "\n" << said;
            for (const char* words : row.says)
                EXPECT_NE(said.find(words), std::string::npos) << row.plugin << " " << args[1] << "\n"
                                                               << said;
            if (code != kOk && code != kCheckFailed) {
                EXPECT_EQ(lines(r.err), 1) << r.err;
            }
            EXPECT_EQ(childrenOfTheTest(), std::vector<pid_t>{}) << "every process the plug-in made is gone";
        }
    }
}

TEST(KolmctlErrors, AFullDiskEndsEveryCommandWithExit10) {
    for (const kolmctl::Args& args :
         {kolmctl::Args{KOLMLPT1_PATH, "info"}, kolmctl::Args{KOLMLPT1_PATH, "list"},
          kolmctl::Args{KOLMLPT1_PATH, "relays"}, kolmctl::Args{KOLMLPT1_PATH, "check"},
          kolmctl::Args{KOLMLPT1_PATH, "read", "--csv", "--count", "0", "--interval", "0"}}) {
        bench(0, 100, 200);
        std::ofstream full("/dev/full");
        const Ran r = runKolmctl(args, {false, false, 10, &full});
        EXPECT_EQ(r.code, kolmctl::kOutputFailed) << args[1];
        EXPECT_EQ(r.err, "kolmctl: cannot write the output: No space left on device\n");
    }
}

// A capture stopped by Ctrl-C, by `timeout` (SIGTERM) or by a closed terminal (SIGHUP)
// says how far it got, charts what it read and ends with 128 + the signal.
TEST(KolmctlErrors, ASignalStopsACaptureTruthfullyAndAPlugInThatDoesNotAnswer) {
    struct {
        std::string plugin;
        int signal;
        int code;
        const char* says;
    } const cases[] = {
        {KOLMLPT1_PATH, SIGINT, 130, "kolmctl: stopped by Ctrl-C after "},
        {KOLMLPT1_PATH, SIGTERM, 143, "kolmctl: stopped by SIGTERM after "},
        {KOLMLPT1_PATH, SIGHUP, 129, "kolmctl: stopped by SIGHUP after "},
        {hostile("faulting_entries"), SIGINT, 130, "kolmctl: stopped by Ctrl-C after 0 of 100000 readings\n"},
    };
    const std::string chart = tempPath("kolmctl_stopped.svg");
    for (const auto& c : cases) {
        auto* const before = std::signal(c.signal, SIG_IGN);  // one after kolmctl ended ends nothing
        std::remove(chart.c_str());
        std::thread press([&c] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            kill(getpid(), c.signal);
        });
        kolmctl::Args args{c.plugin, "read", "--volts", "--count", "100000", "--interval", "10"};
        if (c.plugin == KOLMLPT1_PATH) args.insert(args.end(), {"--plot", chart});
        const Ran r = runKolmctl(args);
        press.join();
        std::signal(c.signal, before);
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_NE((r.out + r.err).find(c.says), std::string::npos) << r.out << r.err;
        EXPECT_EQ(childrenOfTheTest(), std::vector<pid_t>{});
        if (c.plugin != KOLMLPT1_PATH) continue;
        const std::size_t stopped = r.err.find(" after ") + 7;
        const int taken = std::stoi(r.err.substr(stopped));
        EXPECT_EQ(r.err.substr(r.err.find(' ', stopped)), " of 100000 readings\n");
        EXPECT_EQ(lines(r.out), taken) << "one line for each reading said to be taken";
        EXPECT_NE(r.err.find(std::to_string(taken) + " readings plotted in " + chart), std::string::npos);
    }
}

TEST(KolmctlErrors, WithoutAProcessForThePlugInNothingIsCalled) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizers' own bookkeeping needs the files this test takes away";
#endif
    // Room for one more file (the header is read), not for the two ends of a line to a child.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
    const int lowestFree = dup(0);
    close(lowestFree);
    rlimit tight = old;
    tight.rlim_cur = static_cast<rlim_t>(lowestFree) + 1;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
    bench(0, 0, 0);
    kolmsim_trace_clear();
    const Ran r = runKolmctl({KOLMLPT1_PATH, "info"});
    setrlimit(RLIMIT_NOFILE, &old);
    EXPECT_EQ(r.code, kolmctl::kCannotIsolate);
    EXPECT_NE(r.err.find("Too many open files; kolmctl does not call a plug-in unprotected"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(kolmsim_trace_length(), 0u) << "the plug-in was not even loaded";
}

namespace {

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Where kolmctl said the readings go until the capture ends.
std::string temporaryNamed(const std::string& err) {
    const std::size_t said = err.find("the readings go to ");
    if (said == std::string::npos) return {};
    const std::size_t from = said + 19;
    return err.substr(from, err.find(", renamed", from) - from);
}

}  // namespace

// A capture that fails (no port) or is killed outright (SIGKILL: nothing of
// kolmctl runs after it) leaves the chart and the rows of an earlier capture as they
// were, and the readings it took in the temporary file it named at the start.
TEST(KolmctlFiles, AnEarlierFileSurvivesAFailedOrKilledCaptureAndItsReadingsAreKept) {
    // A folder of this run's own, so that the temporary file's name is known.
    std::string folder = tempPath("kolmctl_kept_XXXXXX");
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    const std::string chart = folder + "/kept.svg";
    const std::string rows = folder + "/kept.csv";
    for (const bool killed : {false, true}) {
        std::ofstream(chart) << "earlier chart";
        std::ofstream(rows) << "earlier rows";
        std::string err;
        if (!killed) {
            bench(0, 300, 300, true);
            const Ran r = runKolmctl({KOLMLPT1_PATH, "read", "--csv", "--output", rows, "--plot", chart});
            EXPECT_EQ(r.code, kolmctl::kNoPortAccess) << r.err;
            err = r.err;
        } else {
            int said[2];
            ASSERT_EQ(pipe(said), 0);
            const pid_t pid = fork();
            if (pid == 0) {
                // Standard output away from the test runner's, and a capture that ends by
                // itself (a minute at most), should the test die before its kill.
                dup2(said[1], STDERR_FILENO);
                dup2(open("/dev/null", O_WRONLY), STDOUT_FILENO);
                execl(KOLMCTL_PATH, KOLMCTL_PATH, KOLMLPT1_PATH, "read", "--csv", "--count", "60000",
                      "--interval", "1", "--output", rows.c_str(), "--plot", chart.c_str(), nullptr);
                _exit(127);
            }
            close(said[1]);
            // Its first line, which names the temporary file (standard error comes in pieces).
            char c = 0;
            while (err.find('\n') == std::string::npos && read(said[0], &c, 1) == 1) err += c;
            // Killed once its file holds a few readings.
            for (int tries = 0; tries < 1000 && lines(contents(temporaryNamed(err))) < 8; ++tries)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            close(said[0]);
        }
        const std::string temporary = temporaryNamed(err);
        EXPECT_EQ(temporary, rows + ".kolmctl-1.tmp") << err;
        EXPECT_EQ(contents(chart), "earlier chart") << killed;
        EXPECT_EQ(contents(rows), "earlier rows") << killed;
        const std::string kept = contents(temporary);
        EXPECT_NE(kept.find("time_s,ch0_counts,ch0_volts,ch1_counts,ch1_volts\n"), std::string::npos) << kept;
        EXPECT_EQ(lines(kept) >= 8, killed) << kept;
        EXPECT_EQ(err.find("kolmctl: the readings taken are kept in " + temporary) != std::string::npos,
                  !killed);
        std::remove(temporary.c_str());
    }
    std::filesystem::remove_all(folder);
}

// A session waiting for its next line ends at once on a signal: the line that comes
// after it is never run.
TEST(KolmctlSession, ASignalAtThePromptEndsTheSessionAtOnce) {
    bench(0, 0, 0);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const std::unique_ptr<std::istream> in = kolmctl::commandInput(fds[0]);
    auto* const before = std::signal(SIGTERM, SIG_IGN);
    const pthread_t session = pthread_self();
    std::thread user([&] {
        EXPECT_EQ(write(fds[1], "relays\n", 7), 7);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        // The signal a user's kill sends, landing on the session's thread.
        // NOLINTNEXTLINE(bugprone-bad-signal-to-kill-thread,cert-pos44-c)
        pthread_kill(session, SIGTERM);
        EXPECT_EQ(write(fds[1], "relay 1 on\n", 11), 11);
        close(fds[1]);
    });
    RunOptions o{false, true};
    o.in = in.get();
    const Ran r = runKolmctl({KOLMLPT1_PATH, "session"}, o);
    user.join();
    std::signal(SIGTERM, before);
    close(fds[0]);
    EXPECT_EQ(r.code, 143) << r.err;
    EXPECT_EQ(r.out.find("switched"), std::string::npos) << r.out;
    EXPECT_EQ(kolmsim_data(kLpt1) & 0x0F, 0x00);
}
