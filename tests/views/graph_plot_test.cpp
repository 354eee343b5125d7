// The graph's plot worked out from the telemetry: frames against columns,
// the curve rules (limits, flat runs, short runs), marker columns and the
// speeding band.

#include "graph_plot.h"
#include "telemetry_fixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace kv::views {
namespace {

using test::Axis;
using test::FillReader;
using test::Kind;
using test::Rec;
using test::Speeding;

Rec X(double g) {
    Rec r;
    r.x = g;
    return r;
}

TEST(PlotGeometry, SpreadsFewFramesAndScrollsMany) {
    // W = 441 - 1 - 40 = 400 columns.
    const PlotGeometry spread = MakePlotGeometry(441, 40, 1, 100);
    EXPECT_EQ(spread.dataWidth, 400);
    EXPECT_FALSE(spread.scrolling);
    EXPECT_DOUBLE_EQ(spread.pitch, 4.0);
    EXPECT_EQ(spread.ColumnOf(25), 100);
    EXPECT_EQ(spread.WindowStart(99), 0);
    EXPECT_EQ(spread.stripWidth, 400);

    const PlotGeometry scroll = MakePlotGeometry(441, 40, 1, 2000);
    EXPECT_TRUE(scroll.scrolling);
    EXPECT_EQ(scroll.ColumnOf(1234), 1234);
    // At position 0 the window starts at frame 0; at the last frame it ends there.
    EXPECT_EQ(scroll.WindowStart(0), 0);
    EXPECT_EQ(scroll.ColumnOf(1999) - scroll.WindowStart(1999), 400);
    // In between the frame of the position stays under the cursor's share of the width.
    EXPECT_EQ(scroll.ColumnOf(1000) - scroll.WindowStart(1000), 200);

    const PlotGeometry empty = MakePlotGeometry(441, 40, 1, 0);
    EXPECT_FALSE(empty.scrolling);
    EXPECT_DOUBLE_EQ(empty.pitch, 0.0);
}

std::vector<QPoint> CurveOf(const std::vector<Rec>& records, int amplitude, int limit,
                            int axis = 0) {
    TelemetryReader reader;
    FillReader(reader, records);
    // One column per frame: W = N.
    const PlotGeometry g =
        MakePlotGeometry(static_cast<int>(records.size()) + 1, 0, 1, records.size());
    return ComputePlot(reader.frameIndex, g, amplitude, limit, kAllChannelsOn)
        .curves[static_cast<std::size_t>(axis)];
}

TEST(PlotCurves, LongFlatRunIsDrawnFlatAndTheChangeStartsAtItsEnd) {
    std::vector<Rec> records(10, X(0.0));
    records.push_back(X(0.5));
    const std::vector<QPoint> expected = {{0, 0}, {6, 0}, {9, 0}, {10, 50}, {11, 50}};
    EXPECT_EQ(CurveOf(records, 100, 1000), expected);
}

TEST(PlotCurves, ShortFlatRunIsJoinedToTheChange) {
    const std::vector<QPoint> expected = {{0, 0}, {3, 50}, {4, 50}};
    EXPECT_EQ(CurveOf({X(0), X(0), X(0), X(0.5)}, 100, 1000), expected);
}

TEST(PlotCurves, ValuesBeyondTwoGAreLimitedToTheBand) {
    // Level 3 at H = 120: 28 px per G, band 60 - 5 = 55.
    const std::vector<QPoint> curve = CurveOf({X(0), X(3.7), X(-3.7), X(1.0)}, 28, 55);
    const std::vector<QPoint> expected = {{0, 0}, {1, 55}, {2, -55}, {3, 28}, {4, 28}};
    EXPECT_EQ(curve, expected);
    // Every axis is worked out from its own field.
    Rec y;
    y.y = -0.5;
    EXPECT_EQ(CurveOf({y, y}, 100, 1000, 1).front(), QPoint(0, -50));
}

TEST(PlotCurves, ChangeAfterOneRecordOfManyFramesIsDrawnOnce) {
    TelemetryReader reader;
    FillReader(reader, {X(0.0), X(0.5)}, 5);
    const PlotGeometry g = MakePlotGeometry(11, 0, 1, 10); // 10 columns, 1 per frame
    const PlotData plot = ComputePlot(reader.frameIndex, g, 100, 1000, kAllChannelsOn);
    const std::vector<QPoint> expected = {{0, 0}, {5, 50}, {10, 50}};
    EXPECT_EQ(plot.curves[0], expected);
}

TEST(PlotMarkers, AtTheColumnOfTheRunStart) {
    TelemetryReader reader;
    // Two consecutive Y events give one marker; a gap between gives two.
    FillReader(reader, {Rec{}, Axis(2), Axis(2), Rec{}, Axis(2), Speeding(5), Kind(10)});
    const PlotGeometry g = MakePlotGeometry(71, 0, 1, 7); // 70 columns: 10 per frame
    const PlotData plot = ComputePlot(reader.frameIndex, g, 10, 50, kAllChannelsOn);
    std::vector<std::pair<std::int64_t, int>> got;
    for (const PlotMarker& m : plot.markers) {
        got.emplace_back(m.column, m.code);
    }
    const std::vector<std::pair<std::int64_t, int>> expected = {
        {10, 2}, {40, 2}, {50, 8}, {50, 5}, {60, 10}};
    EXPECT_EQ(got, expected);

    ChannelSwitches off = kAllChannelsOn;
    off[1] = false;
    const PlotData without = ComputePlot(reader.frameIndex, g, 10, 50, off);
    for (const PlotMarker& m : without.markers) {
        EXPECT_NE(m.code, 2);
    }
    EXPECT_EQ(without.markers.size(), 3u);
}

TEST(PlotBand, CoversSpeedingFramesOnlyWhileItsChannelIsOn) {
    TelemetryReader reader;
    FillReader(reader, {Rec{}, Speeding(), Speeding(), Rec{}, Speeding()});
    const PlotGeometry g = MakePlotGeometry(51, 0, 1, 5); // 10 columns per frame
    const PlotData plot = ComputePlot(reader.frameIndex, g, 10, 50, kAllChannelsOn);
    // Frames 1 and 2 continue one run: 10 .. 21; frame 4 is the last and runs to the end.
    ASSERT_EQ(plot.band.size(), 2u);
    EXPECT_EQ(plot.band[0].from, 10);
    EXPECT_EQ(plot.band[0].to, 22);
    EXPECT_EQ(plot.band[1].from, 40);
    EXPECT_EQ(plot.band[1].to, 50);

    ChannelSwitches off = kAllChannelsOn;
    off[kSpeedingChannel] = false;
    EXPECT_TRUE(ComputePlot(reader.frameIndex, g, 10, 50, off).band.empty());
}

TEST(PlotData, NothingWithoutRecordsAndStopsAtAFrameWithoutOne) {
    const PlotGeometry g = MakePlotGeometry(101, 0, 1, 10);
    FrameIndex none(10, nullptr);
    const PlotData empty = ComputePlot(none, g, 10, 50, kAllChannelsOn);
    EXPECT_TRUE(empty.curves[0].empty());
    EXPECT_TRUE(empty.markers.empty());

    TelemetryReader reader;
    FillReader(reader, {X(0), X(0.5), Axis(1), Axis(1)});
    reader.frameIndex[2] = nullptr; // a frame whose record is missing
    const PlotGeometry g4 = MakePlotGeometry(41, 0, 1, 4);
    const PlotData cut = ComputePlot(reader.frameIndex, g4, 100, 1000, kAllChannelsOn);
    EXPECT_TRUE(cut.markers.empty());
    ASSERT_FALSE(cut.curves[0].empty());
    EXPECT_LE(cut.curves[0].back().x(), 40);
    EXPECT_EQ(cut.curves[0].back().y(), 50);
}

} // namespace
} // namespace kv::views
