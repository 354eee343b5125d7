// The video panel: click gestures, pictures presented from engine threads,
// the background of a panel without video, and the engine's notices.

#include "engine_context.h"
#include "fake_engine.h"
#include "movie_static.h"
#include "playback_test_support.h"
#include "qt_printers.h"
#include "ui_fonts.h"
#include "ui_texts.h"
#include "wait_for.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QStyleHints>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <thread>

namespace kv::playback {
namespace {

using test::FakeOwner;
using test::IsRed;
using test::SendMouse;

void Click(QWidget* w, QPoint p) {
    SendMouse(w, QEvent::MouseButtonPress, p);
    SendMouse(w, QEvent::MouseButtonRelease, p);
}

// Press, release, the second press as a double click, release.
void DoubleClick(QWidget* w, QPoint p) {
    Click(w, p);
    SendMouse(w, QEvent::MouseButtonDblClick, p);
    SendMouse(w, QEvent::MouseButtonRelease, p);
}

TEST(PanelClickTest, SingleClickCallsVideoClickOnceWithThePressPoint) {
    FakeOwner owner;
    CMovieStatic panel(&owner, 1);
    panel.resize(200, 120);
    SendMouse(&panel, QEvent::MouseButtonPress, {30, 40});
    SendMouse(&panel, QEvent::MouseButtonRelease, {33, 44});
    EXPECT_TRUE(panel.PressTimer().isActive());
    EXPECT_TRUE(panel.ReleaseTimer().isActive());
    EXPECT_EQ(panel.PressTimer().interval(),
              QGuiApplication::styleHints()->mouseDoubleClickInterval());
    EXPECT_TRUE(owner.clicks.empty()) << "a click is only a click when no second press follows";

    panel.OnPressTimer();
    ASSERT_EQ(owner.clicks.size(), 1u);
    EXPECT_EQ(owner.clicks[0].first, 1);
    EXPECT_EQ(owner.clicks[0].second, QPoint(30, 40));
    EXPECT_EQ(panel.releasePoint(), QPoint(33, 44));
    EXPECT_TRUE(panel.clickPending());

    // While the click is handled a late press timer does not click again.
    panel.OnPressTimer();
    EXPECT_EQ(owner.clicks.size(), 1u);
    panel.OnReleaseTimer();
    EXPECT_FALSE(panel.clickPending());

    Click(&panel, {5, 6});
    panel.OnPressTimer();
    ASSERT_EQ(owner.clicks.size(), 2u);
    EXPECT_EQ(owner.clicks[1].second, QPoint(5, 6));
    EXPECT_EQ(owner.toggles, 0);
}

// The same with the timers running on their own, at a short double-click time.
TEST(PanelClickTest, TimersRecogniseAClickAfterTheDoubleClickTime) {
    QStyleHints* hints = QGuiApplication::styleHints();
    const int saved = hints->mouseDoubleClickInterval();
    hints->setMouseDoubleClickInterval(20);
    FakeOwner owner;
    CMovieStatic panel(&owner, 0);
    panel.resize(200, 120);
    Click(&panel, {12, 34});
    EXPECT_TRUE(WaitFor([&] { return !owner.clicks.empty(); }));
    EXPECT_TRUE(WaitFor([&] { return !panel.clickPending(); }));
    hints->setMouseDoubleClickInterval(saved);
    ASSERT_EQ(owner.clicks.size(), 1u);
    EXPECT_EQ(owner.clicks[0].second, QPoint(12, 34));
}

struct DoubleClickCase {
    const char* name;
    int camera;
    int mainView;
    bool zoom;
    int toggles;
};

void PrintTo(const DoubleClickCase& c, std::ostream* os) {
    *os << c.name;
}

class PanelDoubleClickTest : public testing::TestWithParam<DoubleClickCase> {};

TEST_P(PanelDoubleClickTest, TogglesFullScreenOnlyOnTheMainViewWithoutZoom) {
    const DoubleClickCase& c = GetParam();
    FakeOwner owner;
    owner.mainView = c.mainView;
    CMovieStatic panel(&owner, c.camera);
    panel.resize(200, 120);
    panel.SetZoomMode(c.zoom);
    DoubleClick(&panel, {50, 60});
    EXPECT_EQ(owner.toggles, c.toggles);
    // Neither half of a double click is a click.
    EXPECT_FALSE(panel.PressTimer().isActive());
    EXPECT_FALSE(panel.ReleaseTimer().isActive());
    EXPECT_TRUE(owner.clicks.empty());
    // The mark is gone with the last release: the next press counts again.
    SendMouse(&panel, QEvent::MouseButtonPress, {7, 8});
    EXPECT_TRUE(panel.PressTimer().isActive());
    EXPECT_EQ(panel.pressPoint(), QPoint(7, 8));
}

INSTANTIATE_TEST_SUITE_P(Panels, PanelDoubleClickTest,
                         testing::Values(DoubleClickCase{"main_front", 0, 0, false, 1},
                                         DoubleClickCase{"main_rear", 1, 1, false, 1},
                                         DoubleClickCase{"main_zoom", 0, 0, true, 0},
                                         DoubleClickCase{"second_front", 0, 1, false, 0},
                                         DoubleClickCase{"second_rear", 1, 0, false, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PanelClickTest, RightClickAsksForTheVideoMenu) {
    FakeOwner owner;
    CMovieStatic panel(&owner, 1);
    panel.resize(200, 120);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 30), QPoint(420, 330));
    QApplication::sendEvent(&panel, &event);
    ASSERT_EQ(owner.menus.size(), 1u);
    EXPECT_EQ(owner.menus[0].first, QPoint(420, 330));
    EXPECT_EQ(owner.menus[0].second, &panel);
    // A right button does not start the click timers.
    SendMouse(&panel, QEvent::MouseButtonPress, {20, 30}, Qt::RightButton);
    EXPECT_FALSE(panel.PressTimer().isActive());
}

TEST(PanelCursorTest, ZoomModeShowsTheMagnifierAtTheScaledSize) {
    FakeOwner owner;
    for (const double s : {1.0, 1.5}) {
        CMovieStatic panel(&owner, 0);
        panel.SetScale(UiScale(s, 1.0));
        panel.SetZoomMode(true);
        EXPECT_TRUE(panel.zoomMode());
        ASSERT_EQ(panel.cursor().shape(), Qt::BitmapCursor);
        EXPECT_EQ(panel.cursor().pixmap().deviceIndependentSize().toSize(),
                  QSize(Scaled(32, s), Scaled(32, s)));
        panel.SetZoomMode(false);
        EXPECT_EQ(panel.cursor().shape(), Qt::ArrowCursor);
    }
}

// A picture of four flat quarters, to see where each part lands.
QImage Quarters(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    const int w = size.width() / 2;
    const int h = size.height() / 2;
    painter.fillRect(0, 0, w, h, Qt::red);
    painter.fillRect(w, 0, size.width() - w, h, Qt::green);
    painter.fillRect(0, h, w, size.height() - h, Qt::blue);
    painter.fillRect(w, h, size.width() - w, size.height() - h, Qt::yellow);
    return image;
}

void PresentFromThread(CMovieStatic& panel, const QImage& picture, std::int64_t frame) {
    std::thread presenter([&] { panel.Present(picture, frame); });
    presenter.join();
}

struct PlaceCase {
    const char* name;
    QRect pictureRect;
    QSize pictureSize; // as presented; the engine may lag behind a new layout
};

void PrintTo(const PlaceCase& c, std::ostream* os) {
    *os << c.name;
}

class PanelPresentTest : public testing::TestWithParam<PlaceCase> {};

TEST_P(PanelPresentTest, PictureLandsAtThePictureRectangleOnBlack) {
    const PlaceCase& c = GetParam();
    FakeOwner owner;
    CMovieStatic panel(&owner, 0);
    panel.resize(200, 120);
    panel.show();
    ASSERT_TRUE(WaitFor([&] { return panel.isVisible(); }));
    QCoreApplication::processEvents();
    test::PaintCounter counter(&panel);

    std::thread([&] { panel.SetPictureRect(c.pictureRect); }).join();
    PresentFromThread(panel, Quarters(c.pictureSize), 42);
    EXPECT_TRUE(WaitFor([&] { return counter.paints > 0; }))
        << "a picture from an engine thread repaints the panel";
    EXPECT_EQ(panel.PictureFrame(), 42);
    EXPECT_EQ(panel.PictureRect(), c.pictureRect);

    const QImage shot = panel.grab().toImage();
    const QRect r = c.pictureRect;
    const int midX = r.x() + r.width() / 2;
    const int midY = r.y() + r.height() / 2;
    const QRect inside = r.intersected(panel.rect());
    const auto at = [&](int x, int y) { return QColor(shot.pixel(x, y)); };
    // Each quarter, a few pixels in from the centre, where it is on screen.
    const struct {
        int dx, dy;
        QColor colour;
    } quarters[] = {{-3, -3, Qt::red}, {3, -3, Qt::green}, {-3, 3, Qt::blue}, {3, 3, Qt::yellow}};
    for (const auto& q : quarters) {
        const QPoint p(midX + q.dx, midY + q.dy);
        if (panel.rect().contains(p)) {
            EXPECT_EQ(at(p.x(), p.y()), q.colour) << "at " << testing::PrintToString(p);
        }
    }
    // Inside corners are picture, the panel outside it black.
    EXPECT_NE(at(inside.left(), inside.top()), QColor(Qt::black));
    EXPECT_NE(at(inside.right(), inside.bottom()), QColor(Qt::black));
    if (r.left() > 0) {
        EXPECT_EQ(at(r.left() - 1, midY), QColor(Qt::black));
        EXPECT_EQ(at(0, 0), QColor(Qt::black));
    }
    if (r.right() < panel.width() - 1) {
        EXPECT_EQ(at(r.right() + 1, midY), QColor(Qt::black));
        EXPECT_EQ(at(panel.width() - 1, panel.height() - 1), QColor(Qt::black));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PanelPresentTest,
    testing::Values(PlaceCase{"letterboxed", {40, 20, 100, 60}, {100, 60}},
                    PlaceCase{"zoomed_past_the_edges", {-50, -30, 300, 180}, {300, 180}},
                    PlaceCase{"moved_right", {120, 10, 60, 100}, {60, 100}},
                    PlaceCase{"picture_of_the_old_size", {20, 10, 160, 100}, {80, 50}}),
    [](const auto& info) { return std::string(info.param.name); });

// The engines as the background rules see them: created, and in a play state.
struct EngineStates {
    bool created;
    int playState;
};

struct BackgroundCase {
    const char* name;
    int camera;
    EngineStates front;
    EngineStates rear;
    UiText text; // the notice, when red is expected
    bool red;
    bool repaintAsked;
};

void PrintTo(const BackgroundCase& c, std::ostream* os) {
    *os << c.name;
}

class PanelBackgroundTest : public testing::TestWithParam<BackgroundCase> {};

TEST_P(PanelBackgroundTest, NoticeOnlyWhenTheOtherCameraAloneIsOpen) {
    const BackgroundCase& c = GetParam();
    engine::EngineContext contexts[2];
    contexts[0].created = c.front.created;
    contexts[0].playState = c.front.playState;
    contexts[1].created = c.rear.created;
    contexts[1].playState = c.rear.playState;
    FakeOwner owner;
    CMovieStatic panel(&owner, c.camera);
    const UiScale scale(1.0, 1.0);
    const QFont font = UiFonts(QStringLiteral("Noto Sans CJK JP"), scale, 96.0).pt13();
    panel.SetTextFont(font);
    panel.SetEngines(contexts, &engine::FakeEngine());
    panel.resize(444, 250);

    const QImage shot = panel.grab().toImage();
    int minX = shot.width();
    int maxX = -1;
    int minY = shot.height();
    int maxY = -1;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb p = shot.pixel(x, y);
            if (IsRed(p)) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            } else {
                ASSERT_EQ(qGreen(p), qBlue(p)) << "only black and red: " << x << ", " << y;
            }
        }
    }
    EXPECT_EQ(maxX >= 0, c.red);
    if (c.red) {
        // The right notice, on one line, centred both ways.
        const int advance = QFontMetrics(font).horizontalAdvance(Text(c.text));
        EXPECT_NEAR(maxX - minX + 1, advance, 6);
        EXPECT_LT(maxY - minY + 1, 2 * QFontMetrics(font).height());
        EXPECT_NEAR((minX + maxX) / 2.0, shot.width() / 2.0, 3.0);
        EXPECT_NEAR((minY + maxY) / 2.0, shot.height() / 2.0, 4.0);
    }
    EXPECT_EQ(shot.pixel(0, 0), qRgb(0, 0, 0));

    QCoreApplication::processEvents();
    const bool asked =
        engine::FakeStateOf(contexts[c.camera]).calls.contains(QStringLiteral("Repaint"));
    EXPECT_EQ(asked, c.repaintAsked);
}

constexpr EngineStates kNotCreated{false, engine::kClosed};
constexpr EngineStates kClosedEngine{true, engine::kClosed};
constexpr EngineStates kStopped{true, engine::kStopped};
constexpr EngineStates kPlaying{true, engine::kPlaying};
constexpr EngineStates kPaused{true, engine::kPaused};
// A stale play state of an engine that no longer exists counts as closed.
constexpr EngineStates kGone{false, engine::kStopped};

INSTANTIATE_TEST_SUITE_P(
    States, PanelBackgroundTest,
    testing::Values(BackgroundCase{"front_only_rear_panel", 1, kStopped, kClosedEngine,
                                   UiText::NoRearVideo, true, false},
                    BackgroundCase{"front_only_playing_rear_panel", 1, kPlaying, kNotCreated,
                                   UiText::NoRearVideo, true, false},
                    BackgroundCase{"rear_only_front_panel", 0, kClosedEngine, kPaused,
                                   UiText::NoFrontVideo, true, false},
                    BackgroundCase{"nothing_open_rear_panel", 1, kClosedEngine, kClosedEngine,
                                   UiText::NoRearVideo, false, false},
                    BackgroundCase{"nothing_created_front_panel", 0, kNotCreated, kNotCreated,
                                   UiText::NoFrontVideo, false, false},
                    BackgroundCase{"front_gone_rear_panel", 1, kGone, kClosedEngine,
                                   UiText::NoRearVideo, false, false},
                    BackgroundCase{"both_open_rear_panel_paused", 1, kStopped, kPaused,
                                   UiText::NoRearVideo, false, true},
                    BackgroundCase{"front_playing_front_panel", 0, kPlaying, kClosedEngine,
                                   UiText::NoFrontVideo, false, false},
                    BackgroundCase{"front_stopped_front_panel", 0, kStopped, kClosedEngine,
                                   UiText::NoFrontVideo, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

// A rear panel shows its engine's picture, never the notice over it; once
// its engine closes in a recording the front camera still plays, the old
// picture goes and the notice shows.
TEST(PanelBackgroundTest, PictureWhileOpenNoticeAfterClose) {
    engine::EngineContext contexts[2];
    contexts[0].created = contexts[1].created = true;
    contexts[0].playState = engine::kPlaying;
    contexts[1].playState = engine::kPlaying;
    FakeOwner owner;
    CMovieStatic panel(&owner, 1);
    panel.SetEngines(contexts, &engine::FakeEngine());
    panel.resize(444, 250);
    panel.SetPictureRect(QRect(0, 0, 444, 250));
    PresentFromThread(panel, Quarters(QSize(444, 250)), 3);

    QImage shot = panel.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(222 - 3, 125 - 3)), QColor(Qt::red)); // the picture's quarter
    EXPECT_EQ(QColor(shot.pixel(222 + 3, 125 + 3)), QColor(Qt::yellow));

    contexts[1].playState = engine::kClosed;
    shot = panel.grab().toImage();
    EXPECT_EQ(shot.pixel(222 + 3, 125 + 3) & 0xFFFFFF, 0u);
    EXPECT_EQ(shot.pixel(5, 5) & 0xFFFFFF, 0u);
    EXPECT_EQ(panel.PictureFrame(), -1);
    bool red = false;
    for (int x = 0; x < shot.width() && !red; ++x) {
        red = IsRed(shot.pixel(x, 125)) || IsRed(shot.pixel(x, 127));
    }
    EXPECT_TRUE(red);

    // Open again with the picture of the old recording forgotten: black.
    contexts[1].playState = engine::kStopped;
    shot = panel.grab().toImage();
    EXPECT_EQ(shot.pixel(222 + 3, 125 + 3) & 0xFFFFFF, 0u);
}

TEST(PanelNoticeTest, EngineNoticesReachTheOwnerOnTheWindowThread) {
    FakeOwner owner;
    CMovieStatic panel(&owner, 1);
    std::thread([&] {
        panel.OnReady(1);
        panel.OnEndOfPresentation(1);
    }).join();
    EXPECT_TRUE(owner.ready.empty()) << "posted, not called on the engine thread";
    ASSERT_TRUE(WaitFor([&] { return !owner.ready.empty() && !owner.ended.empty(); }));
    EXPECT_EQ(owner.ready, std::vector<int>{1});
    EXPECT_EQ(owner.ended, std::vector<int>{1});
    EXPECT_EQ(owner.readyThread, QThread::currentThread());
    EXPECT_EQ(owner.endedThread, QThread::currentThread());
}

TEST(PanelNoticeTest, NoticeForAPanelDestroyedMeanwhileIsDropped) {
    FakeOwner owner;
    auto panel = std::make_unique<CMovieStatic>(&owner, 0);
    std::thread([&] {
        panel->OnReady(0);
        panel->OnEndOfPresentation(0);
        panel->Present(Quarters(QSize(8, 8)), 1);
    }).join();
    panel.reset();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(owner.ready.empty());
    EXPECT_TRUE(owner.ended.empty());
}

// The engine is asked to repaint when the panel is uncovered, but not for
// the paint that shows the picture it just presented (that would never end).
TEST(PanelRepaintTest, PresentedPictureAsksNoRepaint) {
    engine::EngineContext contexts[2];
    contexts[0].created = true;
    contexts[0].playState = engine::kPaused;
    FakeOwner owner;
    CMovieStatic panel(&owner, 0);
    panel.SetEngines(contexts, &engine::FakeEngine());
    panel.resize(160, 90);
    panel.SetPictureRect(QRect(0, 0, 160, 90));
    QCoreApplication::processEvents();
    engine::FakeStateOf(contexts[0]).calls.clear();

    PresentFromThread(panel, Quarters(QSize(160, 90)), 5);
    (void)panel.grab();
    QCoreApplication::processEvents();
    EXPECT_FALSE(engine::FakeStateOf(contexts[0]).calls.contains(QStringLiteral("Repaint")));

    (void)panel.grab();
    QCoreApplication::processEvents();
    EXPECT_EQ(engine::FakeStateOf(contexts[0]).calls.count(QStringLiteral("Repaint")), 1);
}

TEST(PanelSurfaceTest, ClientRectFollowsResizesAndFillBlackForgetsThePicture) {
    FakeOwner owner;
    CMovieStatic panel(&owner, 0);
    const auto fromThread = [&panel] {
        QRect seen;
        std::thread([&] { seen = panel.ClientRect(); }).join();
        return seen;
    };
    // Hidden, the panel is told its size only when shown; on the window
    // thread (where the engines are laid out) its own size counts already.
    panel.resize(320, 180);
    EXPECT_EQ(panel.ClientRect(), QRect(0, 0, 320, 180));
    panel.resize(400, 225);
    panel.show();
    EXPECT_EQ(fromThread(), QRect(0, 0, 400, 225));
    panel.resize(320, 180);
    EXPECT_EQ(fromThread(), QRect(0, 0, 320, 180));

    panel.SetPictureRect(QRect(0, 0, 320, 180));
    PresentFromThread(panel, Quarters(QSize(320, 180)), 9);
    EXPECT_EQ(QColor(panel.grab().toImage().pixel(10, 10)), QColor(Qt::red));
    panel.FillBlack();
    EXPECT_EQ(panel.PictureFrame(), -1);
    EXPECT_EQ(panel.grab().toImage().pixel(10, 10) & 0xFFFFFF, 0u);
}

} // namespace
} // namespace kv::playback
