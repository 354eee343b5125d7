// Click-to-zoom arithmetic of the view records: the zoom cycle, the reset
// anchors, and carrying the records over a view switch.

#include "picture_layout.h"
#include "playback_test_support.h"
#include "ui_scale.h"
#include "view_zoom.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <string>

namespace kv::playback {
namespace {

using engine::PlacePicture;

const UiScale kScale1(1.0, 1.0);
const QSize kMainPane(656, 371);

// A 400 × 320 panel with a stretched picture: the engine places the picture
// exactly where the zoom puts it. Each click sees the picture rectangle the
// previous layout gave, worked out by hand from the layout rule:
//   ×2 about (100, 80):            (-100, -80) to (700, 560)
//   ×3 about (150, 120), +(50, 40): (-250, -200) to (950, 760)
// The third click computes anchor (184, 134) but passes level 3 and resets.
struct CycleStep {
    QPoint click;
    QRect pictureBefore;
    QPoint anchor;
    QPoint offset;
    float factor;
    float level;
};

TEST(ZoomClickTest, ThreeClicksCycleAndAFourthZoomsAgain) {
    const QRect panel(0, 0, 400, 320);
    const CycleStep steps[] = {
        {{100, 80}, {0, 0, 400, 320}, {100, 80}, {0, 0}, 1.0f, 2.0f},
        {{200, 160}, {-100, -80, 800, 640}, {150, 120}, {50, 40}, 2.0f, 3.0f},
        // Past ×3: back to no zoom, anchored at the main pane's centre.
        {{300, 200}, {-250, -200, 1200, 960}, {328, 185}, {0, 0}, 1.0f, 1.0f},
        {{40, 300}, {0, 0, 400, 320}, {40, 300}, {0, 0}, 1.0f, 2.0f},
    };
    ViewRecord record;
    ResetZoom(record, 0, kMainPane, kScale1);
    QRect placed = panel;
    for (const CycleStep& step : steps) {
        SCOPED_TRACE(testing::Message() << "click at " << testing::PrintToString(step.click));
        // The engine's own placement agrees with the hand-worked rectangle.
        ASSERT_EQ(placed, step.pictureBefore);
        EXPECT_TRUE(ZoomClick(record, panel, placed, step.click, 0, kMainPane, kScale1));
        EXPECT_EQ(record.clickPoint, step.click);
        EXPECT_EQ(record.panelRect, panel);
        EXPECT_EQ(record.anchor, step.anchor);
        EXPECT_EQ(record.offset, step.offset);
        EXPECT_FLOAT_EQ(record.factor, step.factor);
        EXPECT_FLOAT_EQ(record.level, step.level);
        const auto next = PlacePicture(panel, QSize(), false, LayoutOf(record));
        ASSERT_TRUE(next.has_value());
        placed = *next;
    }
}

// The first click of a picture letterboxed in its panel: the bars count, so
// the anchor is the spot of the picture and the offset moves it back under
// the cursor.
TEST(ZoomClickTest, FirstClickInALetterboxedPicture) {
    const QRect panel(0, 0, 400, 300);
    const QRect picture(0, 37, 400, 226);
    ViewRecord record;
    ResetZoom(record, 1, kMainPane, kScale1);
    EXPECT_TRUE(ZoomClick(record, panel, picture, QPoint(120, 100), 1, kMainPane, kScale1));
    EXPECT_EQ(record.anchor, QPoint(120, 63));
    EXPECT_EQ(record.offset, QPoint(0, 37));
    EXPECT_FLOAT_EQ(record.level, 2.0f);
}

// What the user sees: with a 16:9 picture filling its pane, each zoom click
// keeps the clicked spot of the picture under the cursor (to a pixel or two
// of truncation).
TEST(ZoomClickTest, ClickedSpotStaysUnderTheCursor) {
    const QRect panel(0, 0, 640, 360);
    const QSize native(1280, 720);
    const QPoint clicks[][2] = {{{100, 60}, {300, 200}},
                                {{600, 350}, {50, 40}},
                                {{320, 180}, {320, 180}},
                                {{10, 355}, {635, 10}}};
    for (const auto& pair : clicks) {
        ViewRecord record;
        ResetZoom(record, 0, panel.size(), kScale1);
        auto placed = PlacePicture(panel, native, true, LayoutOf(record));
        ASSERT_TRUE(placed.has_value());
        for (const QPoint& click : pair) {
            SCOPED_TRACE(testing::Message() << "click at " << testing::PrintToString(click));
            // Where the click is in the picture, as a fraction of it.
            const double u = double(click.x() - placed->x()) / placed->width();
            const double v = double(click.y() - placed->y()) / placed->height();
            ASSERT_TRUE(ZoomClick(record, panel, *placed, click, 0, panel.size(), kScale1));
            placed = PlacePicture(panel, native, true, LayoutOf(record));
            ASSERT_TRUE(placed.has_value());
            EXPECT_NEAR(placed->x() + u * placed->width(), click.x(), 2.5);
            EXPECT_NEAR(placed->y() + v * placed->height(), click.y(), 2.5);
        }
    }
}

TEST(ZoomClickTest, NegativeLevelOrEmptyPanelChangesNoLayout) {
    ViewRecord record;
    ResetZoom(record, 0, kMainPane, kScale1);
    record.level = -1.0f;
    EXPECT_FALSE(
        ZoomClick(record, {0, 0, 400, 300}, {0, 0, 400, 300}, {5, 6}, 0, kMainPane, kScale1));
    EXPECT_EQ(record.clickPoint, QPoint(5, 6));
    EXPECT_FLOAT_EQ(record.level, -1.0f);
    EXPECT_FLOAT_EQ(record.factor, 1.0f);

    ResetZoom(record, 0, kMainPane, kScale1);
    EXPECT_FALSE(ZoomClick(record, QRect(), {0, 0, 400, 300}, {7, 8}, 0, kMainPane, kScale1));
    EXPECT_FLOAT_EQ(record.level, 1.0f);
    EXPECT_EQ(record.anchor, QPoint(328, 185));
    EXPECT_EQ(record.offset, QPoint(0, 0));
}

struct ResetCase {
    const char* name;
    int camera;
    double scale;
    QSize mainPane;
    QPoint anchor;
};

void PrintTo(const ResetCase& c, std::ostream* os) {
    *os << c.name;
}

class ResetZoomTest : public testing::TestWithParam<ResetCase> {};

TEST_P(ResetZoomTest, AnchorsAtThePaneCentre) {
    const ResetCase& c = GetParam();
    ViewRecord record;
    record.anchor = {1, 2};
    record.offset = {3, -4};
    record.factor = 3.0f;
    record.level = 4.0f;
    ResetZoom(record, c.camera, c.mainPane, UiScale(c.scale, 1.0));
    EXPECT_EQ(record.anchor, c.anchor);
    EXPECT_EQ(record.offset, QPoint(0, 0));
    EXPECT_FLOAT_EQ(record.factor, 1.0f);
    EXPECT_FLOAT_EQ(record.level, 1.0f);
}

// The second window's picture: b = t(440) + 2 × t(6), each term truncated on
// its own (at S = 1.3 that is 572 + 14 = 586, not 587).
INSTANTIATE_TEST_SUITE_P(Views, ResetZoomTest,
                         testing::Values(ResetCase{"main_s100", 0, 1.0, {656, 371}, {328, 185}},
                                         ResetCase{"main_odd", 0, 1.5, {985, 557}, {492, 278}},
                                         ResetCase{"second_s100", 1, 1.0, {656, 371}, {226, 127}},
                                         ResetCase{"second_s150", 1, 1.5, {985, 557}, {339, 190}},
                                         ResetCase{"second_s130", 1, 1.3, {0, 0}, {293, 164}}),
                         [](const auto& info) { return std::string(info.param.name); });

ViewRecord Record(QPoint click, QPoint anchor, QPoint offset) {
    ViewRecord r;
    r.clickPoint = click;
    r.anchor = anchor;
    r.offset = offset;
    r.level = 2.0f;
    r.factor = 1.0f;
    return r;
}

// Main pane 800 wide, second pane 400 × 250 with a 16:9 picture: g = 0.5 and
// 12.5 rows of bar above the picture in the second pane.
TEST(CarryZoomTest, ConvertsBetweenThePanes) {
    ViewRecord toMain = Record({100, 62}, {110, 112}, {10, -6});
    ViewRecord toSecond = Record({200, 99}, {220, 199}, {20, -12});
    ASSERT_TRUE(CarryZoom(toMain, toSecond, {800, 450}, {400, 250}, {1600, 900}));
    EXPECT_EQ(toMain.clickPoint, QPoint(200, 99));   // (62 - 12.5) / 0.5
    EXPECT_EQ(toMain.anchor, QPoint(220, 199));      // (112 - 12.5) / 0.5
    EXPECT_EQ(toMain.offset, QPoint(20, -12));       // no bar shift
    EXPECT_EQ(toSecond.clickPoint, QPoint(100, 62)); // 99 × 0.5 + 12.5
    EXPECT_EQ(toSecond.anchor, QPoint(110, 112));
    EXPECT_EQ(toSecond.offset, QPoint(10, -6));
    EXPECT_FLOAT_EQ(toMain.level, 2.0f);
}

bool Near(QPoint a, QPoint b, int tolerance) {
    return std::abs(a.x() - b.x()) <= tolerance && std::abs(a.y() - b.y()) <= tolerance;
}

// Two view switches with the real pane sizes bring both records back: the
// main view's record loses up to a pixel of the second pane (1 / g ≈ 1.5 of
// its own), the second view's less than one.
TEST(CarryZoomTest, TwoSwitchesGiveTheRecordsBack) {
    const QSize mainPanel(656, 373);
    const QSize secondPanel(444, 250);
    const QSize native(1280, 720);
    const ViewRecord mainRecords[] = {Record({100, 50}, {120, 60}, {-20, -10}),
                                      Record({655, 372}, {500, 300}, {155, 72}),
                                      Record({0, 0}, {328, 186}, {0, 0})};
    const ViewRecord secondRecords[] = {Record({10, 20}, {30, 40}, {-20, -20}),
                                        Record({443, 249}, {226, 127}, {217, 122}),
                                        Record({222, 125}, {222, 125}, {0, 0})};
    for (const ViewRecord& mainStart : mainRecords) {
        for (const ViewRecord& secondStart : secondRecords) {
            ViewRecord a = mainStart;   // camera in the main pane
            ViewRecord b = secondStart; // camera in the second pane
            ASSERT_TRUE(CarryZoom(b, a, mainPanel, secondPanel, native));
            ASSERT_TRUE(CarryZoom(a, b, mainPanel, secondPanel, native));
            SCOPED_TRACE(testing::Message()
                         << "main " << testing::PrintToString(mainStart.anchor) << " second "
                         << testing::PrintToString(secondStart.anchor));
            EXPECT_TRUE(Near(a.clickPoint, mainStart.clickPoint, 2));
            EXPECT_TRUE(Near(a.anchor, mainStart.anchor, 2));
            EXPECT_TRUE(Near(a.offset, mainStart.offset, 2));
            EXPECT_TRUE(Near(b.clickPoint, secondStart.clickPoint, 1));
            EXPECT_TRUE(Near(b.anchor, secondStart.anchor, 1));
            EXPECT_TRUE(Near(b.offset, secondStart.offset, 1));
        }
    }
}

TEST(CarryZoomTest, NothingWithoutAPictureSize) {
    ViewRecord toMain = Record({100, 62}, {110, 112}, {10, -6});
    ViewRecord toSecond = Record({200, 99}, {220, 199}, {20, -12});
    EXPECT_FALSE(CarryZoom(toMain, toSecond, {800, 450}, {400, 250}, QSize()));
    EXPECT_EQ(toMain.anchor, QPoint(110, 112));
    EXPECT_EQ(toSecond.anchor, QPoint(220, 199));
}

} // namespace
} // namespace kv::playback
