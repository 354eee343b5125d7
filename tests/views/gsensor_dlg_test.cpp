// The graph widget drawn offscreen: markers at their frame's column, the
// cursor at the position's column, switched-off channels, the limits of the
// band, the speeding band, the clicks, and the telemetry locks.

#include "gsensor_dlg.h"
#include "telemetry_fixture.h"
#include "wait_for.h"

#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <thread>

namespace kv::views {
namespace {

using test::Axis;
using test::FillReader;
using test::Kind;
using test::Rec;
using test::Speeding;

UiFonts Fonts(const UiScale& scale) {
    return UiFonts(QStringLiteral("Noto Sans CJK JP"), scale, 96.0);
}

bool IsGreen(QColor c) {
    return c.green() == 255 && c.red() < 100 && c.blue() < 100;
}
bool IsRed(QColor c) {
    return c.red() == 255 && c.green() < 100;
}
bool IsWhite(QColor c) {
    return c.red() == 255 && c.green() == 255 && c.blue() == 255;
}

// A graph 441 × 127 at S = 1: 40 margin, 400 data columns.
struct GraphFixture {
    explicit GraphFixture(const std::vector<Rec>& records, int framesPerRecord = 1)
        : scale(1.0, 1.0), graph(scale, Fonts(scale)) {
        FillReader(reader, records, framesPerRecord);
        graph.resize(441, 127);
        TelemetrySource source;
        source.reader = &reader;
        graph.SetTelemetrySource(source);
        graph.LoadTelemetry();
    }
    QImage Shot(std::int64_t position) {
        graph.ShowFrame(static_cast<std::int64_t>(reader.frameIndex.size()), position);
        return graph.grab().toImage();
    }

    TelemetryReader reader;
    UiScale scale;
    CGSensorDlg graph;
};

std::vector<Rec> Quiet(std::size_t n) {
    return std::vector<Rec>(n, Rec{});
}

TEST(GraphWidget, MarkerAndCursorAtTheirColumnsWhenFramesAreSpread) {
    std::vector<Rec> records = Quiet(100);
    records[25] = Axis(1);
    GraphFixture f(records);
    const QImage image = f.Shot(50);
    // 4 columns per frame: frame 25 at 40 + 100; the cursor at 40 + ⌊50 × 401 / 100⌋.
    EXPECT_TRUE(IsGreen(image.pixelColor(140, 10)));
    EXPECT_FALSE(IsGreen(image.pixelColor(139, 10)));
    EXPECT_FALSE(IsGreen(image.pixelColor(141, 10)));
    EXPECT_EQ(f.graph.CursorColumn(), 240);
    EXPECT_TRUE(IsWhite(image.pixelColor(240, 10)));
    EXPECT_FALSE(IsWhite(image.pixelColor(239, 10)));
    EXPECT_EQ(f.graph.ColumnOfFrame(50), 240);
}

TEST(GraphWidget, ScrollingKeepsTheMarkerOfTheShownFrameUnderTheCursor) {
    // 2000 frames on 400 columns; an X event starts at frame 1000 (record 100).
    std::vector<Rec> records = Quiet(200);
    records[100] = Axis(1);
    records[1] = Kind(5);
    GraphFixture f(records, 10);

    QImage image = f.Shot(1000);
    EXPECT_EQ(f.graph.CursorColumn(), 240);
    EXPECT_EQ(f.graph.ColumnOfFrame(1000), 240);
    EXPECT_TRUE(IsWhite(image.pixelColor(240, 10))); // the cursor is drawn over the marker

    image = f.Shot(990); // ten frames earlier the marker is ahead of the cursor
    const int markerX = f.graph.ColumnOfFrame(1000);
    EXPECT_GT(markerX, f.graph.CursorColumn());
    EXPECT_TRUE(IsGreen(image.pixelColor(markerX, 10)));

    // At position 0 the window starts at frame 0: the manual mark of frame 10
    // is white at column 40 + 10.
    image = f.Shot(0);
    EXPECT_TRUE(IsWhite(image.pixelColor(50, 30)));
    EXPECT_FALSE(IsGreen(image.pixelColor(240, 10)));
    // At the last frame the window ends there.
    f.Shot(1999);
    EXPECT_EQ(f.graph.ColumnOfFrame(1999), 440);
    EXPECT_EQ(f.graph.ColumnOfFrame(0), -1);
}

TEST(GraphWidget, SwitchedOffAxisDrawsNeitherCurveNorMarker) {
    std::vector<Rec> records = Quiet(100);
    for (Rec& r : records) {
        r.y = 0.3;
    }
    records[25].axis = 2;
    records[25].kind = 5; // a manual mark on the same frame
    GraphFixture f(records);

    auto countRed = [](const QImage& image) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 41; x < image.width(); ++x) {
                n += IsRed(image.pixelColor(x, y)) ? 1 : 0;
            }
        }
        return n;
    };
    QImage image = f.Shot(0);
    EXPECT_GT(countRed(image), 300); // the curve and the marker line
    EXPECT_TRUE(IsRed(image.pixelColor(140, 10)));

    f.graph.SetChannelShown(1, false);
    EXPECT_FALSE(f.graph.mapShown(1));
    image = f.Shot(0);
    EXPECT_EQ(countRed(image), 0);
    // The manual mark of the same frame is found instead.
    EXPECT_TRUE(IsWhite(image.pixelColor(140, 10)));
}

TEST(GraphWidget, LargeAccelerationsRunAlongTheEdgeOfTheBand) {
    std::vector<Rec> records = Quiet(100);
    for (std::size_t i = 20; i < 40; ++i) {
        records[i].x = 3.7;
    }
    for (std::size_t i = 60; i < 80; ++i) {
        records[i].x = -3.7;
    }
    GraphFixture f(records);
    EXPECT_EQ(f.graph.zoomLevel(), 3);
    const QImage image = f.Shot(99);
    // Centre 60, band 60 - 5: rows 5 and 115.
    EXPECT_TRUE(IsGreen(image.pixelColor(160, 5)));
    EXPECT_FALSE(IsGreen(image.pixelColor(160, 4)));
    EXPECT_TRUE(IsGreen(image.pixelColor(320, 115)));
    EXPECT_FALSE(IsGreen(image.pixelColor(320, 116)));
    // The curves are merged into the scale picture, which shows between them.
    GraphFixture quiet(Quiet(100));
    const QImage plain = quiet.Shot(99);
    EXPECT_EQ(image.pixelColor(160, 30), plain.pixelColor(160, 30));
    EXPECT_NE(plain.pixelColor(160, 30), QColor(Qt::black));
}

TEST(GraphWidget, SpeedingBandAtTheBottomOnlyUnderSpeedingFrames) {
    std::vector<Rec> records = Quiet(100);
    for (std::size_t i = 50; i < 60; ++i) {
        records[i] = Speeding();
    }
    GraphFixture f(records);
    const QImage plain = [&] {
        GraphFixture quiet(Quiet(100));
        return quiet.Shot(0);
    }();
    const QImage image = f.Shot(0);
    // Columns 40 + 200 .. 40 + 240; the band is 29 high at the bottom.
    const QColor under = image.pixelColor(220 + 40, 126);
    EXPECT_GT(under.red(), plain.pixelColor(260, 126).red() + 50);
    EXPECT_EQ(image.pixelColor(260, 126 - 29), plain.pixelColor(260, 126 - 29));
    EXPECT_EQ(image.pixelColor(300, 126), plain.pixelColor(300, 126));
}

TEST(GraphWidget, NoTelemetryPaintsBackgroundAndCursorOnly) {
    const UiScale scale(1.0, 1.0);
    CGSensorDlg graph(scale, Fonts(scale));
    graph.resize(441, 127);
    graph.ShowFrame(100, 50);
    const QImage image = graph.grab().toImage();
    EXPECT_TRUE(IsWhite(image.pixelColor(240, 60)));
    EXPECT_FALSE(graph.dataPresent());
    EXPECT_EQ(graph.RecordAt(0), nullptr);
    EXPECT_EQ(graph.EventAt(0, 0).code, -1);

    // A position beyond the frame index draws no data either.
    std::vector<Rec> records = Quiet(10);
    records[5] = Axis(1);
    GraphFixture f(records);
    const QImage beyond = f.Shot(10);
    EXPECT_FALSE(IsGreen(beyond.pixelColor(40 + 200, 10)));
    f.graph.CloseTelemetry();
    EXPECT_EQ(f.graph.zoomLevel(), 0);
    EXPECT_FALSE(f.graph.dataPresent());
}

TEST(GraphWidget, ClicksAskForPreviousAndNextEvent) {
    GraphFixture f(Quiet(10));
    int previous = 0;
    int next = 0;
    QObject::connect(&f.graph, &CGSensorDlg::previousEventRequested, [&] { ++previous; });
    QObject::connect(&f.graph, &CGSensorDlg::nextEventRequested, [&] { ++next; });
    const QPointF at(100, 50);
    QMouseEvent left(QEvent::MouseButtonRelease, at, f.graph.mapToGlobal(at), Qt::LeftButton,
                     Qt::NoButton, Qt::NoModifier);
    QMouseEvent right(QEvent::MouseButtonRelease, at, f.graph.mapToGlobal(at), Qt::RightButton,
                      Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&f.graph, &left);
    EXPECT_EQ(previous, 1);
    EXPECT_EQ(next, 0);
    QCoreApplication::sendEvent(&f.graph, &right);
    EXPECT_EQ(previous, 1);
    EXPECT_EQ(next, 1);
}

TEST(GraphWidget, ThresholdsTakenOnlyWhenPositive) {
    GraphFixture f(Quiet(10));
    f.reader.header.thresholdX = 0.5f;
    f.reader.header.thresholdY = -1.0f;
    f.reader.header.thresholdZ = 0.7f;
    f.graph.LoadTelemetry();
    EXPECT_FLOAT_EQ(f.graph.thresholds()[0], 0.5f);
    EXPECT_FLOAT_EQ(f.graph.thresholds()[2], 0.7f);
    f.reader.header.thresholdX = 0.0f;
    f.reader.header.thresholdZ = 0.9f;
    f.graph.LoadTelemetry();
    EXPECT_FLOAT_EQ(f.graph.thresholds()[0], 0.5f); // kept
    EXPECT_FLOAT_EQ(f.graph.thresholds()[2], 0.9f);
}

TEST(GraphWidget, RecordAtWaitsForTheTelemetryLocksAndCountsTheWait) {
    TelemetryReader reader;
    FillReader(reader, Quiet(10));
    std::recursive_mutex front, rear;
    std::atomic<int> waiters{0};
    const UiScale scale(1.0, 1.0);
    CGSensorDlg graph(scale, Fonts(scale));
    TelemetrySource source;
    source.reader = &reader;
    source.locks = {&front, &rear};
    source.waiters = &waiters;
    graph.SetTelemetrySource(source);

    rear.lock(); // a loader holds the rear lock
    std::atomic<bool> done{false};
    const SensorSample* got = nullptr;
    std::thread reader_thread([&] {
        got = graph.RecordAt(3);
        done = true;
    });
    const bool waiting = WaitFor([&] { return waiters.load() > 0; });
    EXPECT_TRUE(waiting) << "the reader never waited for the lock";
    EXPECT_FALSE(done.load());
    rear.unlock();
    reader_thread.join();
    EXPECT_TRUE(done.load());
    EXPECT_EQ(got, &reader.sensors[3]);
    EXPECT_EQ(waiters.load(), 0);

    // The owner of both locks may ask again (recursive locks).
    std::lock_guard a(front);
    std::lock_guard b(rear);
    EXPECT_EQ(graph.RecordAt(20), nullptr);
    EXPECT_EQ(graph.EventAt(0, 0).code, -1);
}

} // namespace
} // namespace kv::views
