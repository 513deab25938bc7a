// What the read command draws: the live view's bars and the SVG chart.
#include <gtest/gtest.h>

#include "live_view.h"
#include "svg_plot.h"

TEST(KolmctlView, BarIsProportionalAndClamped) {
    EXPECT_EQ(kolmctl::bar(0.0, 4), "[....]");
    EXPECT_EQ(kolmctl::bar(0.5, 4), "[##..]");
    EXPECT_EQ(kolmctl::bar(1.5, 4), "[####]");
    EXPECT_EQ(kolmctl::bar(-1.0, 4), "[....]");
}

TEST(KolmctlPlot, PlacesVoltsOnTheVerticalScaleAndEscapesNames) {
    const std::string svg = kolmctl::svgPlot("a<b", {0.0, 1.0}, {{"R\xC3\xA9 & co", {0.0, 5.0}}});
    // 0 V at the bottom of the plot area (y = 370), 5 V at the top (y = 40).
    EXPECT_NE(svg.find("points=\"60.00,370.00 780.00,40.00\""), std::string::npos) << svg;
    EXPECT_NE(svg.find(">a&lt;b</text>"), std::string::npos);
    EXPECT_NE(svg.find(">R\xC3\xA9 &amp; co</text>"), std::string::npos);
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
