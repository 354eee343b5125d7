// Zones, proposed rectangles and the clamping of edge drags of resizable
// windows, as plain arithmetic.

#include "resize_dialog.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace kv {

void PrintTo(const WinRect& r, std::ostream* os) {
    *os << '(' << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ')';
}

namespace {

// A window of 1120 × 697 at (100, 100) on a 1920 × 1080 monitor, S = 1.
constexpr WinRect kWindow{100, 100, 1220, 797};
constexpr WinRect kMonitor{0, 0, 1920, 1080};

struct HitCase {
    const char* name;
    QPoint cursor;
    double scale;
    bool fullScreen;
    bool maximised;
    int zone;
    DragEdge edge;
    Qt::CursorShape cursorShape;
};

void PrintTo(const HitCase& c, std::ostream* os) {
    *os << c.name;
}

class HitZoneTest : public ::testing::TestWithParam<HitCase> {};

TEST_P(HitZoneTest, ClassifiesCursor) {
    const HitCase& c = GetParam();
    const ZoneHit hit =
        HitZoneOf(c.cursor, kWindow, UiScale(c.scale, 1.0), c.fullScreen, c.maximised);
    EXPECT_EQ(hit.zone, c.zone);
    EXPECT_EQ(hit.edge, c.edge);
    EXPECT_EQ(hit.cursor, c.cursorShape);
}

// Edges are t(4) wide, the title band t(27) high, the bottom band t(2) + t(38).
INSTANTIATE_TEST_SUITE_P(
    Zones, HitZoneTest,
    ::testing::Values(
        HitCase{"FullScreenCorner", {100, 100}, 1, true, false, 1, DragEdge::None, Qt::ArrowCursor},
        HitCase{"MaximisedCornerIsTitle",
                {101, 101},
                1,
                false,
                true,
                2,
                DragEdge::None,
                Qt::ArrowCursor},
        HitCase{"MaximisedBelowTitleStillHasEdges",
                {101, 500},
                1,
                false,
                true,
                10,
                DragEdge::Left,
                Qt::SizeHorCursor},
        HitCase{"TopLeftCorner",
                {100, 100},
                1,
                false,
                false,
                13,
                DragEdge::TopLeft,
                Qt::SizeFDiagCursor},
        HitCase{"TopLeftCornerLastPixel",
                {103, 103},
                1,
                false,
                false,
                13,
                DragEdge::TopLeft,
                Qt::SizeFDiagCursor},
        HitCase{"TopRightCorner",
                {1216, 103},
                1,
                false,
                false,
                14,
                DragEdge::TopRight,
                Qt::SizeBDiagCursor},
        HitCase{"TopEdgeNextToCorner",
                {104, 103},
                1,
                false,
                false,
                12,
                DragEdge::Top,
                Qt::SizeVerCursor},
        HitCase{"TopEdgeBeforeRightCorner",
                {1215, 100},
                1,
                false,
                false,
                12,
                DragEdge::Top,
                Qt::SizeVerCursor},
        HitCase{"BottomLeftCorner",
                {100, 796},
                1,
                false,
                false,
                16,
                DragEdge::BottomLeft,
                Qt::SizeBDiagCursor},
        HitCase{"BottomRightCorner",
                {1219, 793},
                1,
                false,
                false,
                17,
                DragEdge::BottomRight,
                Qt::SizeFDiagCursor},
        HitCase{"LeftEdge", {103, 500}, 1, false, false, 10, DragEdge::Left, Qt::SizeHorCursor},
        HitCase{
            "LeftEdgeAtS15", {105, 500}, 1.5, false, false, 10, DragEdge::Left, Qt::SizeHorCursor},
        HitCase{"InsideLeftEdgeAtS15",
                {106, 500},
                1.5,
                false,
                false,
                0,
                DragEdge::None,
                Qt::ArrowCursor},
        HitCase{"RightEdge", {1219, 500}, 1, false, false, 11, DragEdge::Right, Qt::SizeHorCursor},
        HitCase{"RightEdgeExcludesRightBorder",
                {1220, 500},
                1,
                false,
                false,
                0,
                DragEdge::None,
                Qt::ArrowCursor},
        HitCase{"BottomEdge", {500, 793}, 1, false, false, 15, DragEdge::Bottom, Qt::SizeVerCursor},
        HitCase{"TitleBandTop", {104, 104}, 1, false, false, 2, DragEdge::None, Qt::ArrowCursor},
        HitCase{
            "TitleBandLastRow", {500, 126}, 1, false, false, 2, DragEdge::None, Qt::ArrowCursor},
        HitCase{"BelowTitleBand", {500, 127}, 1, false, false, 0, DragEdge::None, Qt::ArrowCursor},
        HitCase{"BottomBandTop", {500, 757}, 1, false, false, 1, DragEdge::None, Qt::ArrowCursor},
        HitCase{"AboveBottomBand", {500, 756}, 1, false, false, 0, DragEdge::None, Qt::ArrowCursor},
        HitCase{"OutsideWindow", {50, 50}, 1, false, false, 0, DragEdge::None, Qt::ArrowCursor}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProposeRectTest, MovesTheEdgesOfTheZoneToTheCursor) {
    const QPoint c(700, 300);
    EXPECT_EQ(ProposeRect(kWindow, kZoneLeft, c), (WinRect{700, 100, 1220, 797}));
    EXPECT_EQ(ProposeRect(kWindow, kZoneRight, c), (WinRect{100, 100, 700, 797}));
    EXPECT_EQ(ProposeRect(kWindow, kZoneTop, c), (WinRect{100, 300, 1220, 797}));
    EXPECT_EQ(ProposeRect(kWindow, kZoneBottom, c), (WinRect{100, 100, 1220, 300}));
    EXPECT_EQ(ProposeRect(kWindow, kZoneTopLeft, c), (WinRect{700, 300, 1220, 797}));
    EXPECT_EQ(ProposeRect(kWindow, kZoneTopRight, c), (WinRect{100, 300, 700, 797}));
    EXPECT_EQ(ProposeRect(kWindow, kZoneBottomLeft, c), (WinRect{700, 100, 1220, 300}));
    EXPECT_EQ(ProposeRect(kWindow, kZoneBottomRight, c), (WinRect{100, 100, 700, 300}));
    EXPECT_EQ(ProposeRect(kWindow, kZoneTitle, c), kWindow);
    EXPECT_EQ(ProposeRect(kWindow, kZoneNone, c), kWindow);
}

struct ClampCase {
    const char* name;
    WinRect window;
    int zone;
    QPoint cursor;
    WinRect expected;
    float scaleX;
    float scaleY;
};

void PrintTo(const ClampCase& c, std::ostream* os) {
    *os << c.name;
}

class ClampTest : public ::testing::TestWithParam<ClampCase> {};

// The drag as the window runs it: the zone's edges moved to the cursor, then
// clamped between the base size (1120 × 697) and the monitor.
TEST_P(ClampTest, KeepsTheDragBetweenBaseAndMonitor) {
    const ClampCase& c = GetParam();
    WinRect rect = ProposeRect(c.window, c.zone, c.cursor);
    ClampMemory memory;
    float sx = -1.0f;
    float sy = -1.0f;
    const ClampLimits limits{EdgeOfZone(c.zone), 1120, 697, kMonitor};
    EXPECT_TRUE(ClampToLimits(rect, memory, c.cursor, limits, &sx, &sy));
    EXPECT_EQ(rect, c.expected);
    EXPECT_FLOAT_EQ(sx, c.scaleX);
    EXPECT_FLOAT_EQ(sy, c.scaleY);
}

constexpr float kMx = 1920.0f / 1120.0f;
constexpr float kMy = 1080.0f / 697.0f;

INSTANTIATE_TEST_SUITE_P(
    Drags, ClampTest,
    ::testing::Values(
        ClampCase{
            "RightEdgeInwardStopsAtBase", kWindow, kZoneRight, {900, 400}, kWindow, 1.0f, 1.0f},
        ClampCase{"LeftEdgeInwardStopsAtBaseRightEdgeStays",
                  kWindow,
                  kZoneLeft,
                  {300, 400},
                  kWindow,
                  1.0f,
                  1.0f},
        ClampCase{"LeftEdgeOutwardWithinLimits",
                  kWindow,
                  kZoneLeft,
                  {50, 400},
                  {50, 100, 1220, 797},
                  1170.0f / 1120.0f,
                  1.0f},
        ClampCase{"RightEdgeBeyondMonitor",
                  kWindow,
                  kZoneRight,
                  {2500, 400},
                  {100, 100, 2020, 797},
                  kMx,
                  1.0f},
        ClampCase{"TopEdgeBeyondMonitorBottomStays",
                  kWindow,
                  kZoneTop,
                  {500, -600},
                  {100, -283, 1220, 797},
                  1.0f,
                  kMy},
        ClampCase{"BottomEdgeInward", kWindow, kZoneBottom, {500, 300}, kWindow, 1.0f, 1.0f},
        ClampCase{"BottomRightBeyondMonitorTopLeftFixed",
                  kWindow,
                  kZoneBottomRight,
                  {2500, 1500},
                  {100, 100, 2020, 1180},
                  kMx,
                  kMy},
        ClampCase{"TopLeftNarrowAndTooHigh",
                  kWindow,
                  kZoneTopLeft,
                  {600, -600},
                  {100, -283, 1220, 797},
                  1.0f,
                  kMy},
        ClampCase{"BottomRightTooWideAndLow",
                  kWindow,
                  kZoneBottomRight,
                  {2500, 500},
                  {100, 100, 2020, 797},
                  kMx,
                  1.0f},
        ClampCase{"BottomLeftBelowBaseBothWays",
                  kWindow,
                  kZoneBottomLeft,
                  {900, 300},
                  kWindow,
                  1.0f,
                  1.0f},
        ClampCase{"TopRightOnlyLow",
                  kWindow,
                  kZoneTopRight,
                  {1500, 500},
                  {100, 100, 1500, 797},
                  1400.0f / 1120.0f,
                  1.0f},
        ClampCase{"CornerWithinLimitsUnchanged",
                  kWindow,
                  kZoneBottomRight,
                  {1500, 900},
                  {100, 100, 1500, 900},
                  1400.0f / 1120.0f,
                  800.0f / 697.0f},
        // A single edge looks at the height first: a window taller than its
        // monitor keeps a side drag unclamped, because only the dragged
        // direction is re-anchored.
        ClampCase{"SideDragOfTooTallWindowNotClamped",
                  WinRect{0, 0, 1120, 1200},
                  kZoneRight,
                  {500, 600},
                  {0, 0, 500, 1200},
                  1.0f,
                  kMy},
        ClampCase{"NoEdgeUnchanged", kWindow, kZoneTitle, {500, 110}, kWindow, 1.0f, 1.0f}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ClampMemoryTest, SameCursorTwiceLeavesTheRectAlone) {
    const ClampLimits limits{DragEdge::Right, 1120, 697, kMonitor};
    ClampMemory memory;
    const QPoint c(2500, 400);
    WinRect first = ProposeRect(kWindow, kZoneRight, c);
    ASSERT_TRUE(ClampToLimits(first, memory, c, limits));
    EXPECT_EQ(first.right, 2020);

    WinRect second = ProposeRect(kWindow, kZoneRight, c);
    float sx = -1.0f;
    EXPECT_FALSE(ClampToLimits(second, memory, c, limits, &sx));
    EXPECT_EQ(second, ProposeRect(kWindow, kZoneRight, c));
    EXPECT_EQ(sx, -1.0f);

    // A new position is clamped again.
    const QPoint moved(2600, 400);
    WinRect third = ProposeRect(kWindow, kZoneRight, moved);
    EXPECT_TRUE(ClampToLimits(third, memory, moved, limits));
    EXPECT_EQ(third.right, 2020);
}

TEST(ClampMemoryTest, CursorInsideASmallRectIsClampedOnceUntilItLeaves) {
    const ClampLimits limits{DragEdge::Right, 1120, 697, kMonitor};
    ClampMemory memory;
    const QPoint inside(500, 400);
    WinRect rect = kWindow;
    EXPECT_TRUE(ClampToLimits(rect, memory, inside, limits));
    EXPECT_EQ(rect, kWindow); // the right edge went to 500 and back to the base width
    EXPECT_TRUE(memory.latched);

    const QPoint elsewhere(600, 450);
    rect = kWindow;
    EXPECT_FALSE(ClampToLimits(rect, memory, elsewhere, limits));

    const QPoint outside(1500, 400);
    rect = kWindow;
    EXPECT_TRUE(ClampToLimits(rect, memory, outside, limits));
    EXPECT_FALSE(memory.latched);
    EXPECT_EQ(rect.right, 1500);
}

TEST(LayoutBlockTest, PictureAreasAtScaleOne) {
    const std::array<int, 6> expected{656, 370, 868, 489, 1108, 624};
    EXPECT_EQ(InitialLayoutBlock(UiScale(1.0, 1.0)), expected);
}

TEST(LayoutBlockTest, EachLengthScaledOnItsOwn) {
    // S = 1.5: t(1120) = 1680, t(440) = 660, t(6) = 9, t(2) = 3, t(4) = 6,
    // t(3) = 4, t(240) = 360.
    const std::array<int, 6> expected{1680 - 660 - 36, 6 + (1680 - 660 - 36 - 6) * 9 / 16,
                                      1680 - 18 - 360, 4 + (1680 - 360 - 6 - 18) * 9 / 16,
                                      1680 - 18,       4 + (1680 - 6 - 18) * 9 / 16};
    EXPECT_EQ(InitialLayoutBlock(UiScale(1.5, 1.0)), expected);
}

} // namespace
} // namespace kv
