// kolmctl on kolmsim, the plug-in with a virtual box: what info and relays show of the
// box, why it answers "no value" with each bad signal file of the table, check, and
// the charging curve of the RC circuit in a capture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "rules_table.h"
#include "run_kolmctl.h"
#include "signal_file_cases.h"

namespace {

// A copy of kolmsim with the row's signal files, in a folder of this test's own.
std::string kolmsimWith(const SignalFileCase& row) {
    static const ScratchFolder scratch("kolmctl-virtual-box");
    return layOutSignalFiles(row, scratch.path, KOLMSIM_PLUGIN_PATH);
}

const SignalFileCase& rowNamed(const std::string& name) {
    for (const SignalFileCase& row : kSignalFileCases)
        if (row.name == name) return row;
    throw std::logic_error("no row " + name);
}

}  // namespace

TEST(KolmctlVirtualBox, InfoSaysItIsSimulatedWithItsSignalsAndRelays) {
    const Ran r =
        runKolmctl({kolmsimWith(rowNamed("no file: the demo signals")), "relay", "2", "on", "then", "info"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "") << "the virtual box shows its lines: no relay was set off unknown";
    for (const char* line : {"title:     KOLM simul\xC3\xA9\n", "signals:   built in (no ",
                             "           channel 0: sine 2.5 V +/- 2 V at 0.1 Hz\n",
                             "           channel 1: ramp 2.5 V +/- 2.5 V at 0.05 Hz\n",
                             "access:    the virtual box inside the plug-in: simulated signals, no port\n",
                             "relays:    0 off, 1 off, 2 on, 3 off (as the virtual box holds them)\n"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
}

// Each switch keeps the others: the box's lines are known from the load on (relays alone,
// and check: kolmctl.cli.sim_relays and sim_check).
TEST(KolmctlVirtualBox, RelaysShowTheLinesTheBoxHolds) {
    const Ran r = runKolmctl(
        {kolmsimWith(rowNamed("constants, CRLF, comments, decimal comma, names in any case")), "relay", "3",
         "on", "then", "relay", "0", "on", "then", "relay", "3", "off", "then", "relays"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("relais 0: on\nrelais 1: off\nrelais 2: off\nrelais 3: off\n"), std::string::npos)
        << r.out;
}

// Each bad signal file: no readings, exit code 8, and the file and line at fault.
TEST(KolmctlVirtualBox, SaysWhatIsWrongWithTheSignalFile) {
    for (const SignalFileCase& row : kSignalFileCases) {
        if (row.problem == kolm::SignalProblem::none) continue;
        SCOPED_TRACE(row.name);
        const std::string sim = kolmsimWith(row);
        const std::string where =
            (row.problem >= kolm::SignalProblem::recordingMissing ? "rec.csv (channel 1)" : "kolmsim.ini") +
            (row.line > 0 ? " line " + std::to_string(row.line) : std::string());
        const Ran info = runKolmctl({sim, "info"});
        EXPECT_EQ(info.code, 0);
        EXPECT_NE(info.out.find("signals:   none: "), std::string::npos) << info.out;
        EXPECT_NE(info.out.find(where), std::string::npos) << info.out;
        for (const char* file : {row.ini, row.recording}) {
            if (!isSpecial(file)) continue;
            EXPECT_NE(info.out.find(notAFileReason(file)), std::string::npos) << info.out;
        }
        // For scripts: the reason as a word, the advice as the text says it.
        const Ran json = runKolmctl({sim, "info", "--json"});
        for (const char* field : {"\"channels\": null", "\"reached\": false",
                                  "\"reason\": \"signalFile\", "
                                  "\"advice\": \"The virtual box has no signals: "})
            EXPECT_NE(json.out.find(field), std::string::npos) << json.out;
        const Ran read = runKolmctl({sim, "read"});
        EXPECT_EQ(read.code, kolmctl::kNoPortAccess);
        EXPECT_NE(read.err.find("answered \"no value\" (-777): its virtual box has no signals.\n"
                                "  The virtual box has no signals: "),
                  std::string::npos)
            << read.err;
        EXPECT_NE(read.err.find(where), std::string::npos) << read.err;
    }
    const Ran r = runKolmctl({kolmsimWith(rowNamed("frequency 0")), "read"});
    EXPECT_NE(r.err.find("kolmsim.ini line 3: frequency= must be above 0 and at most 10000 (hertz).\n"
                         "  Mend it, or remove "),
              std::string::npos)
        << r.err;
}

// Relay 0 charges C through R (tau 0.2 s) from the switch, just before the capture: the
// volts follow 5 (1 - exp(-t / tau)) from a moment the capture cannot know, so each
// reading gives the time since the switch it implies, and those times must run with
// the capture's own; five time constants in, the curve is within 1 % of full scale.
TEST(KolmctlVirtualBox, ACaptureOfTheRcCircuitChargesAlongItsExponential) {
    constexpr double tau = 0.2;
    const SignalFileCase rc{"rc", "[channel0]\nsignal=rc\ntau=0.2\n"};
    const std::string chart = ::testing::TempDir() + "kolmctl_rc.svg";
    std::filesystem::remove(chart);
    const Ran r = runKolmctl({kolmsimWith(rc), "relay", "0", "on", "then", "read", "0", "--volts", "--csv",
                              "--count", "60", "--interval", "25", "--plot", chart});
    ASSERT_EQ(r.code, 0) << r.err;
    std::istringstream lines(r.out);
    std::vector<std::pair<double, double>> readings;  // seconds since the first, volts
    for (std::string line; std::getline(lines, line);) {
        double t = 0.0, v = 0.0;
        char comma = 0;
        if (std::istringstream(line) >> t >> comma >> v && comma == ',') readings.emplace_back(t, v);
    }
    // A loaded machine may miss a slot (the schedule's own tests count those): the curve
    // is judged on the readings taken, each at its own time.
    ASSERT_GE(readings.size(), 40u) << r.out;
    std::vector<double> offsets;  // each reading's time since the switch, less the capture's
    int settled = 0;
    for (std::size_t k = 0; k < readings.size(); ++k) {
        const auto [t, v] = readings[k];
        if (k == 0) {
            EXPECT_LT(v, 4.0) << "the capture begins from a discharged capacitor";
        } else {
            EXPECT_GE(v, readings[k - 1].second) << "charging never falls back";
        }
        if (t >= 5 * tau) {
            ++settled;
            EXPECT_GE(v, 0.99 * 5.0) << "five time constants in: within 1 % of full scale, at " << t;
        }
        if (v > 0.9 * 5.0) continue;  // near the top a count is too coarse a clock
        offsets.push_back(-tau * std::log(1.0 - v / 5.0) - t);
    }
    EXPECT_GT(settled, 0) << "the capture reaches five time constants";
    ASSERT_GE(offsets.size(), 3u) << "the curve's rise is captured";
    const auto [earliest, latest] = std::minmax_element(offsets.begin(), offsets.end());
    EXPECT_LT(*latest - *earliest, 0.05) << "the readings follow one exponential";
    std::ifstream svg(chart);
    const std::string written{std::istreambuf_iterator<char>(svg), {}};
    EXPECT_NE(written.find("<polyline"), std::string::npos) << "the chart of the curve is written";
}

// Each row of tests/rules/schedules.csv, which kolm's box.capture keeps too: the slots of
// the options, the CSV's "# schedule:" line, and the options kolmctl refuses. A slot the
// machine missed has no row: the rows and the missed slots make the slots together.
TEST(KolmctlVirtualBox, KeepsTheScheduleOfEachRowOfTheRulesTable) {
    const std::string sim = kolmsimWith(rowNamed("no file: the demo signals"));
    for (const RuleRow& row : ruleRows("schedules.csv")) {
        SCOPED_TRACE(row.at("what"));
        kolmctl::Args args{sim, "read", "0", "--csv"};
        const char* const options[][3] = {
            {"rate", "--rate", ""}, {"duration", "--duration", "s"}, {"count", "--count", ""}};
        for (const auto& [field, option, unit] : options)
            if (!row.at(field).empty()) args.insert(args.end(), {option, row.at(field) + unit});
        const Ran r = runKolmctl(args);
        if (row.at("slots") == "refused") {
            EXPECT_EQ(r.code, kolmctl::kUsage) << r.err;
            continue;
        }
        ASSERT_EQ(r.code, 0) << r.err;
        std::smatch missed;
        const long slots = std::stol(row.at("slots"));
        const bool summed = std::regex_search(r.err, missed, std::regex(", (no|[0-9]+) missed slot"));
        const long rows = std::count(r.out.begin(), r.out.end(), '\n') - (slots > 1 ? 5 : 1);
        EXPECT_EQ(rows + (summed && missed[1] != "no" ? std::stol(missed[1]) : 0), slots) << r.out << r.err;
        if (slots > 1) {
            EXPECT_NE(r.out.find("\n# schedule: " + row.at("schedule") + "\n"), std::string::npos) << r.out;
        } else {
            EXPECT_EQ(r.out.find('#'), std::string::npos) << "one reading: a header and its row";
        }
    }
}
