// What the read command draws and writes, piece by piece: the live view's bars, the
// SVG chart, the capture's schedule, its times and numbers, and the options.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <regex>

#include "capture_text.h"
#include "json_text.h"
#include "live_view.h"
#include "options.h"
#include "rules_table.h"
#include "schedule.h"
#include "serve_access.h"
#include "svg_plot.h"

namespace {

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

double attribute(const std::string& svg, const std::string& element, const char* name) {
    const std::size_t at = svg.find(element);
    const std::size_t value = svg.find(std::string(name) + "=\"", at) + std::string(name).size() + 2;
    return std::stod(svg.substr(value));
}

}  // namespace

TEST(KolmctlView, BarIsProportionalAndClamped) {
    EXPECT_EQ(kolmctl::bar(0.0, 4), "[....]");
    EXPECT_EQ(kolmctl::bar(0.5, 4), "[##..]");
    EXPECT_EQ(kolmctl::bar(1.5, 4), "[####]");
    EXPECT_EQ(kolmctl::bar(-1.0, 4), "[....]");
}

// The live view takes the terminal's width, and where even a short bar does not fit,
// the capture falls back to one line per reading rather than wrapping into a pile.
TEST(KolmctlView, TheLiveViewFitsTheTerminalOrSaysItDoesNot) {
    const std::vector<kolmctl::Gauge> gauges{{"CAN voie 0", " 512  2.500 V", 0.5, "min 500 max 530"}};
    std::ostringstream out;
    kolmctl::LiveView view(out);
    EXPECT_FALSE(view.fits(gauges, 50));
    ASSERT_TRUE(view.fits(gauges, 60));
    view.draw("reading 1", gauges, 60);
    const std::string line = out.str().substr(0, out.str().find("\x1b[K"));
    EXPECT_EQ(line.size(), 59u) << line;
    view.draw("reading 1", gauges, 200);
    EXPECT_NE(out.str().find("[" + std::string(20, '#') + std::string(20, '.') + "]  min 500 max 530"),
              std::string::npos)
        << "the bar stops at 40 on a wide terminal";
}

TEST(KolmctlPlot, PlacesVoltsOnTheVerticalScaleAndEscapesNames) {
    const std::string svg = kolmctl::svgPlot("a<b", "c", {0}, {0.0, 1.0}, {{"R\xC3\xA9 & co", {0.0, 5.0}}});
    // 0 V at the bottom of the plot area (y = 384), 5 V at the top (y = 56); the
    // plot area ends where the legend (48 + 7 pixels a character) begins, 16 pixels apart.
    EXPECT_NE(svg.find("points=\"60.00,384.00 671.00,56.00\""), std::string::npos) << svg;
    EXPECT_NE(svg.find(">a&lt;b</text>"), std::string::npos);
    EXPECT_NE(svg.find(">R\xC3\xA9 &amp; co</text>"), std::string::npos);
}

// What a chart worth printing has: a boxed legend outside the traces, one colour per
// channel whichever channels are drawn, ticks at round values in a unit that fits,
// the date and the settings, and a lone reading drawn as a point.
TEST(KolmctlPlot, HasTicksABoxedLegendFixedColoursACaptionAndPoints) {
    std::vector<double> seconds;
    for (int k = 0; k <= 600; ++k) seconds.push_back(k);
    const std::string ten = kolmctl::svgPlot(
        "KOLM", "started 2026-12-08T10:00:00+01:00, every 1 s", {1, 0}, seconds,
        {{"CAN voie 1", std::vector<double>(601, 1.0)}, {"CAN voie 0", std::vector<double>(601, 4.0)}});
    EXPECT_NE(ten.find(">time (min)</text>"), std::string::npos);
    for (const char* tick : {">0<", ">2<", ">4<", ">6<", ">8<", ">10<"})
        EXPECT_NE(ten.find(tick), std::string::npos) << tick;
    EXPECT_EQ(occurrences(ten, "class=\"tick\""), 6u);
    EXPECT_NE(ten.find("class=\"trace ch1\" fill=\"none\" stroke-width=\"1.5\" stroke=\"#d62728\""),
              std::string::npos);
    EXPECT_NE(ten.find("class=\"trace ch0\" fill=\"none\" stroke-width=\"1.5\" stroke=\"#1f77b4\""),
              std::string::npos);
    EXPECT_NE(
        ten.find(
            "<text id=\"caption\" x=\"60.00\" y=\"42\" font-size=\"11\" fill=\"#555\">started 2026-12-08"),
        std::string::npos);
    const double plotRight = attribute(ten, "<rect x=\"60.00\" y=\"56.00\"", "width") + 60;
    EXPECT_GT(attribute(ten, "<g id=\"legend\">\n<rect", "x"), plotRight)
        << "the legend box lies right of the traces";

    const std::string one = kolmctl::svgPlot("KOLM", "", {1}, {0.000012}, {{"CAN voie 1", {2.5}}});
    EXPECT_EQ(occurrences(one, "<polyline"), 0u);
    EXPECT_NE(one.find("<circle class=\"trace ch1\" cx=\"60.01\" cy=\"220.00\" r=\"3\" fill=\"#d62728\"/>"),
              std::string::npos)
        << one;
    EXPECT_NE(one.find(">time (ms)</text>"), std::string::npos);
}

TEST(KolmctlPlot, TicksFallOnRoundValues) {
    struct {
        double span;
        std::vector<double> ticks;
    } const rows[] = {
        {1.0, {0, 0.2, 0.4, 0.6, 0.8, 1.0}},
        {35, {0, 5, 10, 15, 20, 25, 30, 35}},
        {10, {0, 2, 4, 6, 8, 10}},
        {999, {0, 200, 400, 600, 800}},
        {0, {0}},
    };
    for (const auto& r : rows) {
        const std::vector<double> got = kolmctl::ticks(r.span, 8);
        ASSERT_EQ(got.size(), r.ticks.size()) << r.span;
        for (std::size_t k = 0; k < got.size(); ++k) EXPECT_NEAR(got[k], r.ticks[k], 1e-9) << r.span;
    }
}

TEST(KolmctlPlot, ALongCaptureKeepsABoundedEvenlySpacedSeries) {
    kolmctl::PlotSeries plot({"a"}, 100);
    for (int k = 0; k < 10000; ++k) plot.add(k, {k / 2000.0});
    ASSERT_LE(plot.seconds().size(), 100u);
    EXPECT_GE(plot.seconds().size(), 50u);
    const double step = plot.seconds()[1] - plot.seconds()[0];
    for (std::size_t k = 1; k < plot.seconds().size(); ++k)
        EXPECT_EQ(plot.seconds()[k] - plot.seconds()[k - 1], step);
    EXPECT_EQ(plot.series()[0].volts.back(), plot.seconds().back() / 2000.0);
    EXPECT_EQ(plot.added(), 10000);
}

// Slots at start + k x period, asked for at the moments a loaded machine gets round to
// them (tests/rules/missed_slots.csv, which the Python package keeps too): a late
// reading keeps its slot while the next one is not due, and a slot whose successor is
// already due is missed, counted, and never shifts the rest.
TEST(KolmctlSchedule, KeepsItsSlotsAndCountsTheMissedOnes) {
    std::optional<kolmctl::Schedule> s;
    std::string schedule;
    for (const RuleRow& r : ruleRows("missed_slots.csv")) {
        if (r.at("what") != schedule) s.emplace(100.0, 0.01, std::stol(r.at("slots")));
        schedule = r.at("what");
        const auto slot = s->next(std::stod(r.at("now")));
        EXPECT_EQ(slot ? slot->index : -1, std::stol(r.at("slot"))) << schedule << " at " << r.at("now");
        if (slot) {
            EXPECT_NEAR(slot->at, std::stod(r.at("at")), 1e-9) << schedule;
        }
        EXPECT_EQ(s->missed(), std::stol(r.at("missed"))) << schedule << " at " << r.at("now");
    }
}

TEST(KolmctlSchedule, ReadsTimesAndRatesAsPeopleWriteThem) {
    struct {
        const char* text = nullptr;
        const char* bare = nullptr;
        std::optional<double> seconds;
    } const times[] = {
        {"10s", "s", 10}, {"5min", "s", 300}, {"1.5h", "s", 5400}, {"500ms", "s", 0.5}, {"2", "ms", 0.002},
        {"2", "s", 2},    {"0,5s", "s", 0.5}, {"10 s", "s", 10},   {"", "s", {}},       {"-1s", "s", {}},
        {"10m", "s", {}}, {"s", "s", {}},     {"1e3s", "s", {}},   {"nan", "s", {}},
    };
    for (const auto& t : times) EXPECT_EQ(kolmctl::parseTime(t.text, t.bare), t.seconds) << t.text;
    EXPECT_EQ(kolmctl::parseRate("10"), 10.0);
    EXPECT_EQ(kolmctl::parseRate("2.5Hz"), 2.5);
    EXPECT_EQ(kolmctl::parseRate("0"), std::nullopt);
    EXPECT_EQ(kolmctl::parseRate("fast"), std::nullopt);
    EXPECT_EQ(kolmctl::timeText(0.1), "100 ms");
    EXPECT_EQ(kolmctl::timeText(600), "10 min");
    EXPECT_EQ(kolmctl::rateText(0.5), "0.5 Hz");
}

TEST(KolmctlCsv, WritesNumbersAndTextForEitherStyle) {
    std::string n;
    kolmctl::appendNumber(n, 2.5, 4, kolmctl::kCsvFrench);
    EXPECT_EQ(n, "2,5000");
    EXPECT_EQ(kolmctl::csvField("# plug-in: a;b.so", kolmctl::kCsvFrench), "\"# plug-in: a;b.so\"");
    EXPECT_EQ(kolmctl::csvField("# plug-in: a;b.so", kolmctl::kCsvRfc), "# plug-in: a;b.so");
    EXPECT_EQ(kolmctl::csvField("say \"hi\", twice", kolmctl::kCsvRfc), "\"say \"\"hi\"\", twice\"");
    EXPECT_EQ(kolmctl::csvStyleNamed("fr")->separator, ';');
    EXPECT_EQ(kolmctl::csvStyleNamed(nullptr)->separator, ',');
    EXPECT_FALSE(kolmctl::csvStyleNamed("de"));
    EXPECT_EQ(kolmctl::counted(1, "reading"), "1 reading");
    EXPECT_EQ(kolmctl::counted(0, "gap"), "0 gaps");
    EXPECT_EQ(kolmctl::counted(3, "entry"), "3 entries");
}

TEST(KolmctlCsv, TheStartIsLocalTimeWithItsOffset) {
    const char* const before = std::getenv("TZ");
    const std::string saved = before == nullptr ? "" : before;
    setenv("TZ", "CET-1", 1);  // one hour east of UTC, no summer time
    tzset();
    const auto t = std::chrono::system_clock::from_time_t(1796731200) + std::chrono::microseconds(123456);
    EXPECT_EQ(kolmctl::isoLocalTime(t), "2026-12-08T13:00:00.123456+01:00");
    EXPECT_EQ(kolmctl::isoLocalTime(t, false), "2026-12-08T13:00:00+01:00");
    if (before == nullptr) unsetenv("TZ");
    else setenv("TZ", saved.c_str(), 1);
    tzset();
}

TEST(KolmctlOptions, TakesValuesEitherWayAndRefusesWhatMakesNoSense) {
    const kolmctl::OptionRule rules[] = {
        {"--count", "a number", "length"}, {"--duration", "a time", "length"}, {"--csv", nullptr, nullptr}};
    const kolmctl::Options o = kolmctl::parseOptions({"0", "--count=3", "-1", "--csv"}, rules);
    EXPECT_EQ(o.value("--count", ""), "3");
    EXPECT_TRUE(o.has("--csv"));
    EXPECT_EQ(o.operands, (kolmctl::Args{"0", "-1"}));
    EXPECT_EQ(kolmctl::parseOptions({"--count", "4"}, rules).value("--count", ""), "4");
    struct {
        kolmctl::Args args;
        const char* says;
    } const refused[] = {
        {{"--fast"}, "unknown option --fast"},
        {{"--count"}, "--count needs a number"},
        {{"--count="}, "--count needs a number"},
        {{"--csv=yes"}, "--csv takes no value"},
        {{"--csv", "--csv"}, "--csv is given twice"},
        {{"--count", "3", "--duration=1s"}, "--count and --duration cannot be used together"},
    };
    for (const auto& r : refused) {
        try {
            kolmctl::parseOptions(r.args, rules);
            ADD_FAILURE() << r.says;
        } catch (const kolmctl::Error& e) {
            EXPECT_EQ(e.code, kolmctl::kUsage);
            EXPECT_EQ(e.message, r.says);
        }
    }
}

// Who kolmctl serve answers: a Host or Origin naming the address it listens on, and the token.
TEST(KolmctlServe, AnswersItsOwnAddressAndTokenOnly) {
    using kolmctl::Listening;
    const Listening loopback{"127.0.0.1", 8080}, lan{"192.168.1.20", 8080}, all{"0.0.0.0", 8080};
    const struct {
        const char* host = nullptr;
        Listening at;
        bool allowed = false;
    } hosts[] = {
        {"127.0.0.1:8080", loopback, true},
        {"LOCALHOST:8080", loopback, true},
        {"localhost:80", loopback, false},
        {"127.0.0.1", loopback, false},
        {"evil.example:8080", loopback, false},
        {"127.0.0.1.evil.example:8080", loopback, false},
        {"192.168.1.20:8080", lan, true},
        {"localhost:8080", lan, false},
        {"10.0.0.7:8080", all, true},
        {"school.example:8080", all, false},
        {":8080", all, false},
        {"", loopback, false},
    };
    for (const auto& h : hosts) EXPECT_EQ(kolmctl::hostAllowed(h.host, h.at), h.allowed) << h.host;
    EXPECT_TRUE(kolmctl::originAllowed("http://127.0.0.1:8080", loopback));
    EXPECT_FALSE(kolmctl::originAllowed("https://127.0.0.1:8080", loopback));
    EXPECT_FALSE(kolmctl::originAllowed("null", loopback));
    const std::string token(64, 'a');
    for (const std::string& given : {std::string(), token.substr(1), token + "a", std::string(63, 'a') + "b"})
        EXPECT_FALSE(kolmctl::sameToken(given, token)) << given;
    EXPECT_TRUE(kolmctl::sameToken(token, token));
    EXPECT_FALSE(kolmctl::sameToken("", ""));
}

// The bodies serve's API takes: one level of names; anything else is refused whole.
TEST(KolmctlServe, ReadsFlatJsonAndRefusesTheRest) {
    const auto good = kolmctl::parseFlatJson(
        " {\"channels\":[0, 1], \"rate\":1e2, \"name\":\"T \\u0041\\\"\", \"unit\":\"\xC2\xB0"
        "C\", \"x\":null} ");
    ASSERT_TRUE(good.has_value());
    EXPECT_EQ(*good->at("channels").numbers, (std::vector<double>{0, 1}));
    EXPECT_EQ(*good->at("rate").number, 100.0);
    EXPECT_EQ(*good->at("name").text, "T A\"");
    EXPECT_EQ(*good->at("unit").text,
              "\xC2\xB0"
              "C");
    EXPECT_FALSE(good->at("x").text || good->at("x").number || good->at("x").numbers);
    for (const char* bad :
         {"", "[]", "{\"a\":1,\"a\":2}", "{\"a\":1}x", "{\"a\":[1,\"b\"]}", "{\"a\":nan}",
          "{\"a\":\"\\u00e9\"}", "{\"a\":\"\xFF\"}", "{a:1}", "{\"a\":{}}", "{\"a\":\"b\" \"c\"}"})
        EXPECT_FALSE(kolmctl::parseFlatJson(bad).has_value()) << bad;
    EXPECT_EQ(kolmctl::jsonNumber(0.1), "0.1");
    EXPECT_EQ(kolmctl::jsonNumber(2.5), "2.5");
    EXPECT_EQ(kolmctl::jsonNumber(NAN), "null");
}
