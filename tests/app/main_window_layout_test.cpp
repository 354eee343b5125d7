#include "main_window_layout.h"

#include <gtest/gtest.h>

#include <ostream>

namespace kv::app {
namespace {

void PrintRect(const QRect& r, std::ostream* os) {
    *os << "(" << r.x() << ", " << r.y() << ", " << r.width() << " x " << r.height() << ")";
}

} // namespace
} // namespace kv::app

QT_BEGIN_NAMESPACE
inline void PrintTo(const QRect& r, std::ostream* os) {
    kv::app::PrintRect(r, os);
}
QT_END_NAMESPACE

namespace kv::app {
namespace {

TEST(MainWindowLayout, DesignSizeAtScaleOne) {
    const UiScale s(1.0, 1.0);
    const MainWindowLayout l = LayOutMainWindow({kDesignWidth, kDesignHeight}, s);
    EXPECT_EQ(l.mainVideo, QRect(6, 27, 656, 371)); // a 656 × 369 picture area and its border
    EXPECT_EQ(l.positionSlider, QRect(6, 398, 656, 10));
    EXPECT_EQ(l.infoPanel, QRect(6, 418, 656, 105));
    EXPECT_EQ(l.graph, QRect(6, 523, 656, 126)); // down to the 10 + 38 bottom strip
    EXPECT_EQ(l.browserPane, QRect(662, 28, 452, 628));
    EXPECT_EQ(l.progressBar, QRect(6, 376, 656, 22));
    EXPECT_EQ(l.toolButtons[0], QRect(20, 661, 32, 32));
    EXPECT_EQ(l.toolButtons[10], QRect(450, 661, 32, 32));
    EXPECT_EQ(l.toolButtons[11], QRect(523, 661, 32, 32)); // the gap before the twelfth
    EXPECT_EQ(l.toolButtons[15], QRect(695, 661, 32, 32));
    EXPECT_EQ(l.volumeSlider, QRect(1000, 667, 100, 20));
    EXPECT_EQ(l.closeButton, QRect(1064, 0, 46, 18));
    EXPECT_EQ(l.maximiseButton, QRect(1038, 0, 26, 18));
    EXPECT_EQ(l.minimiseButton, QRect(1012, 0, 26, 18));
    EXPECT_EQ(l.title, QRect(10, 4, 400, 30));
    // The map window ends where the second-camera window begins.
    EXPECT_EQ(l.mapWindow, QRect(662, 28, 452, 354));
    EXPECT_EQ(l.secondWindow, QRect(662, 382, 452, 274));
    EXPECT_EQ(SatelliteContent(l.secondWindow.size(), s), QRect(4, 20, 444, 250));
}

TEST(MainWindowLayout, EveryTermScaledOnItsOwn) {
    struct Case {
        double scale;
        QSize window;
        QRect mainVideo, browser, lastButton;
    };
    const Case cases[] = {
        // 1.5: e = 18, W = 1662, width 1662 - 660 - 18 = 984; H = 1045 - 15 - 57 - 40 = 933,
        // height -222 + 933 - 157 = 554 (+2).
        {1.5, {1680, 1045}, {9, 40, 984, 556}, {993, 41, 678, 943}, {1035, 991, 48, 48}},
        // A maximised window at S = 1 grows the video pane only.
        {1.0, {1600, 900}, {6, 27, 1136, 574}, {1142, 28, 452, 831}, {695, 864, 32, 32}},
        // 0.93 (a 648-high work area): each length truncated before the sums.
        {648.0 / 697.0, {1041, 648}, {5, 25, 612, 347}, {617, 26, 419, 584}, {630, 615, 29, 29}},
    };
    for (const auto& c : cases) {
        const UiScale s(c.scale, 1.0);
        const MainWindowLayout l = LayOutMainWindow(c.window, s);
        EXPECT_EQ(l.mainVideo, c.mainVideo) << c.scale;
        EXPECT_EQ(l.browserPane, c.browser) << c.scale;
        EXPECT_EQ(l.toolButtons[15], c.lastButton) << c.scale;
        // Nothing overlaps the bottom strip or leaves the window.
        EXPECT_LE(l.graph.bottom(), l.toolButtons[0].top()) << c.scale;
        EXPECT_LE(l.browserPane.right(), c.window.width()) << c.scale;
        EXPECT_GT(l.graph.height(), 0) << c.scale;
    }
}

TEST(MainWindowLayout, FittingToALowWorkArea) {
    // 648 high is lower than 697: S shrinks to 648 / 697.
    const double shrunk = FittedLayoutScale(1.0, 1.0, 648, 697, 1.0);
    EXPECT_NEAR(shrunk, 0.9297, 1e-4);
    EXPECT_LT(shrunk, 1.0); // the window then starts maximised
    // A high enough work area brings the saved scale back.
    EXPECT_EQ(FittedLayoutScale(shrunk, 1.0, 1040, 648, 1.0), 1.0);
    EXPECT_EQ(FittedLayoutScale(1.0, 1.0, 697, 697, 1.0), 1.0);
    // With a density of 1.5 the design height is 1045 on screen.
    EXPECT_NEAR(FittedLayoutScale(1.0, 1.0, 1000, 1045, 1.5), 1000.0 / 1045.0, 1e-9);
}

} // namespace
} // namespace kv::app
