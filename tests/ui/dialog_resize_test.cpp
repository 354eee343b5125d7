// Resizable windows on the offscreen screen: scale factors in the settings
// file, edge drags with the outline window, and title drags.

#include "display_settings.h"
#include "ghost_frame.h"
#include "qt_printers.h"
#include "resize_dialog.h"
#include "settings_keys.h"
#include "skin_dialog.h"
#include "ui_fonts.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

#include <string>

namespace kv {
namespace {

using namespace settings;

// Mouse and key events delivered to a widget as the window system would hand
// them over (the test programs do without Qt Test).
void SendMouse(QWidget* widget, QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
    const QPointF global = widget->mapToGlobal(QPointF(local));
    QMouseEvent event(type, QPointF(local), global,
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}
void Press(QWidget* w, QPoint p) {
    SendMouse(w, QEvent::MouseButtonPress, p, Qt::LeftButton);
}
void MoveTo(QWidget* w, QPoint p) {
    SendMouse(w, QEvent::MouseMove, p, Qt::LeftButton);
}
void Release(QWidget* w, QPoint p) {
    SendMouse(w, QEvent::MouseButtonRelease, p, Qt::NoButton);
}

class ScaleStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        store_ = {QDir(dir_.path()).filePath(kFileName.toString()), dir_.path()};
    }

    QTemporaryDir dir_;
    SettingsStore store_;
};

struct LoadCase {
    const char* name;
    const char* scaleX; // nullptr: not written
    const char* scaleY;
    float expectedX;
    float expectedY;
    const char* fileX; // what the file holds afterwards
    const char* fileY;
};

void PrintTo(const LoadCase& c, std::ostream* os) {
    *os << c.name;
}

class LoadScaleTest : public ScaleStoreTest, public ::testing::WithParamInterface<LoadCase> {};

// Values greater than 0 replace a factor, kept between the base size and the
// monitor as an edge drag keeps them; one out of that range is written back.
// The window is made a quarter of the monitor's area, so the monitor holds
// factors up to 2.
TEST_P(LoadScaleTest, TakesFactorsWithinTheBaseSizeAndTheMonitor) {
    const LoadCase& c = GetParam();
    if (c.scaleX != nullptr) {
        ASSERT_TRUE(WriteSetting(store_, kMapDisplay, kScaleX, QString::fromUtf8(c.scaleX)));
    }
    if (c.scaleY != nullptr) {
        ASSERT_TRUE(WriteSetting(store_, kMapDisplay, kScaleY, QString::fromUtf8(c.scaleY)));
    }
    // Another window's factors must not leak into this one.
    ASSERT_TRUE(WriteScale(store_, kDisplay, 3.0, 3.0));

    CResizeDialog dialog(UiScale(1.0, 1.0));
    const QRect monitor = QGuiApplication::primaryScreen()->geometry();
    ASSERT_EQ(monitor.width() % 2, 0);
    ASSERT_EQ(monitor.height() % 2, 0);
    dialog.baseWidth = monitor.width() / 2;
    dialog.baseHeight = monitor.height() / 2;
    dialog.move(monitor.topLeft());
    dialog.SetPlacement(store_, kMapDisplay.toString());
    EXPECT_FLOAT_EQ(dialog.scaleX, c.expectedX);
    EXPECT_FLOAT_EQ(dialog.scaleY, c.expectedY);
    EXPECT_EQ(dialog.size(), QSize(static_cast<int>(dialog.baseWidth * c.expectedX),
                                   static_cast<int>(dialog.baseHeight * c.expectedY)));
    EXPECT_TRUE(monitor.contains(dialog.geometry()))
        << dialog.width() << 'x' << dialog.height() << " on " << monitor.width() << 'x'
        << monitor.height();
    EXPECT_EQ(ReadSetting(store_, kMapDisplay, kScaleX), QString::fromUtf8(c.fileX));
    EXPECT_EQ(ReadSetting(store_, kMapDisplay, kScaleY), QString::fromUtf8(c.fileY));
}

INSTANTIATE_TEST_SUITE_P(
    Values, LoadScaleTest,
    ::testing::Values(LoadCase{"Missing", nullptr, nullptr, 1.0f, 1.0f, "", ""},
                      LoadCase{"Both", "1.250000", "1.500000", 1.25f, 1.5f, "1.250000", "1.500000"},
                      LoadCase{"Zero", "0", "0.000000", 1.0f, 1.0f, "0", "0.000000"},
                      LoadCase{"Negative", "-1.5", "-2", 1.0f, 1.0f, "-1.5", "-2"},
                      LoadCase{"NotANumber", "abc", "", 1.0f, 1.0f, "abc", ""},
                      LoadCase{"LeadingNumberCounts", "1.5x", " 2", 1.5f, 2.0f, "1.5x", "2"},
                      LoadCase{"OneGoodOneBad", "1.25", "zero", 1.25f, 1.0f, "1.25", "zero"},
                      LoadCase{"TheMonitorExactly", "2", "2.000000", 2.0f, 2.0f, "2", "2.000000"},
                      // Out of range: the factor a drag would end with, and the file repaired.
                      LoadCase{"BelowTheBaseSize", "0.5", "0.75", 1.0f, 1.0f, "1.000000",
                               "1.000000"},
                      LoadCase{"BeyondTheMonitor", "40", "2.5", 2.0f, 2.0f, "2.000000", "2.000000"},
                      LoadCase{"Huge", "1e30", "1e300", 2.0f, 2.0f, "2.000000", "2.000000"},
                      LoadCase{"OneOutOfRange", "1.25", "40", 1.25f, 2.0f, "1.250000", "2.000000"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScaleStoreTest, SaveWritesBothFactorsWithSixDecimals) {
    CResizeDialog dialog(UiScale(1.0, 1.0));
    dialog.SetPlacement(store_, kMovieDisplay.toString());
    dialog.scaleX = 1.25f;
    dialog.scaleY = 1920.0f / 1120.0f;
    ASSERT_TRUE(dialog.SaveScale());
    EXPECT_EQ(ReadSetting(store_, kMovieDisplay, kScaleX), QStringLiteral("1.250000"));
    EXPECT_EQ(ReadSetting(store_, kMovieDisplay, kScaleY), QStringLiteral("1.714286"));
    EXPECT_TRUE(ReadSetting(store_, kDisplay, kScaleX).isEmpty());
}

TEST_F(ScaleStoreTest, SaveWithoutPlacementWritesNothing) {
    CResizeDialog dialog(UiScale(1.0, 1.0));
    EXPECT_FALSE(dialog.SaveScale());
    EXPECT_FALSE(QFileInfo::exists(store_.filePath));
}

TEST(ResizeDialogTest, BaseSizeFollowsTheUiScale) {
    CResizeDialog one(UiScale(1.0, 1.0));
    EXPECT_EQ(one.baseWidth, 1120);
    EXPECT_EQ(one.baseHeight, 697);
    CResizeDialog larger(UiScale(1.5, 1.0));
    EXPECT_EQ(larger.baseWidth, 1680);
    EXPECT_EQ(larger.baseHeight, 1045);
}

// Drags on a skinned window with an outline (the satellite windows), at
// S = 0.5 so that the base size (560 × 348) fits the offscreen screen.
class DragTest : public ScaleStoreTest {
protected:
    void SetUp() override {
        ScaleStoreTest::SetUp();
        const UiScale scale(0.5, 1.0);
        dialog_ = std::make_unique<CSkinDialog>(
            scale, UiFonts(QStringLiteral("Noto Sans CJK JP"), scale, 96.0).pt10());
        dialog_->SetPlacement(store_, kMovieDisplay.toString());
        ASSERT_TRUE(dialog_->CreateGhostFrame());
        dialog_->setGeometry(50, 50, 560, 348);
        dialog_->show();
        ASSERT_EQ(dialog_->WindowRect(), (WinRect{50, 50, 610, 398}));
        monitor_ = QGuiApplication::primaryScreen()->geometry();
        ASSERT_GT(monitor_.width(), 560);
        ASSERT_GT(monitor_.height(), 348);
    }

    // Press at local point from, release at local point to (positions
    // relative to the window as it was at the press).
    void Drag(QPoint from, QPoint to) {
        Press(dialog_.get(), from);
        Release(dialog_.get(), to);
    }

    std::unique_ptr<CSkinDialog> dialog_;
    QRect monitor_;
};

TEST_F(DragTest, PressOnAnEdgeShowsTheOutlineOnTheWindowAndReleaseHidesIt) {
    Press(dialog_.get(), QPoint(559, 200));
    EXPECT_EQ(dialog_->zone, kZoneRight);
    EXPECT_EQ(dialog_->edge, DragEdge::Right);
    CResizeFrameWindow* ghost = dialog_->GhostFrame();
    EXPECT_TRUE(ghost->IsVisible());
    EXPECT_TRUE(ghost->IsTopmost());
    EXPECT_EQ(ghost->Rect(), QRect(50, 50, 560, 348));

    Release(dialog_.get(), QPoint(559, 200));
    EXPECT_FALSE(ghost->IsVisible());
    EXPECT_FALSE(ghost->IsTopmost());
    EXPECT_FALSE(dialog_->buttonDown);
}

TEST_F(DragTest, RightEdgeInwardKeepsBaseWidthAndSavesOne) {
    Drag(QPoint(559, 200), QPoint(300, 200));
    EXPECT_EQ(dialog_->WindowRect(), (WinRect{50, 50, 610, 398}));
    EXPECT_EQ(ReadSetting(store_, kMovieDisplay, kScaleX), QStringLiteral("1.000000"));
    EXPECT_EQ(ReadSetting(store_, kMovieDisplay, kScaleY), QStringLiteral("1.000000"));
}

TEST_F(DragTest, BottomRightBeyondMonitorStopsAtMonitorSize) {
    Drag(QPoint(559, 347), QPoint(monitor_.width() + 200, monitor_.height() + 200));
    EXPECT_EQ(dialog_->WindowRect(),
              (WinRect{50, 50, 50 + monitor_.width(), 50 + monitor_.height()}));
    EXPECT_EQ(ReadSetting(store_, kMovieDisplay, kScaleX),
              QString::asprintf("%f", static_cast<double>(monitor_.width() / 560.0f)));
    EXPECT_EQ(ReadSetting(store_, kMovieDisplay, kScaleY),
              QString::asprintf("%f", static_cast<double>(monitor_.height() / 348.0f)));
}

TEST_F(DragTest, LeftEdgeOutwardMovesOnlyTheLeftEdge) {
    Drag(QPoint(0, 200), QPoint(-40, 200));
    EXPECT_EQ(dialog_->WindowRect(), (WinRect{10, 50, 610, 398}));
    EXPECT_EQ(ReadSetting(store_, kMovieDisplay, kScaleX), QStringLiteral("1.071429"));
}

TEST_F(DragTest, TitlePressNeverResizes) {
    Drag(QPoint(100, 5), QPoint(400, 300));
    EXPECT_TRUE(dialog_->titleDragged);
    EXPECT_EQ(dialog_->size(), QSize(560, 348));
    EXPECT_TRUE(ReadSetting(store_, kMovieDisplay, kScaleX).isEmpty());
}

TEST_F(DragTest, TitleDragMovesTheWindowUnlessOpenBusy) {
    Press(dialog_.get(), QPoint(100, 5));
    MoveTo(dialog_.get(), QPoint(130, 25));
    Release(dialog_.get(), QPoint(100, 5));
    EXPECT_EQ(dialog_->pos(), QPoint(80, 70));
    EXPECT_EQ(dialog_->size(), QSize(560, 348));

    dialog_->openBusy = true;
    Press(dialog_.get(), QPoint(100, 5));
    MoveTo(dialog_.get(), QPoint(150, 45));
    Release(dialog_.get(), QPoint(150, 45));
    EXPECT_EQ(dialog_->pos(), QPoint(80, 70));
}

// Skinned dialogs without an outline only move.
TEST(SkinDialogMoveTest, EdgesDoNothingTitleBandMoves) {
    const UiScale scale(1.0, 1.0);
    CSkinDialog dialog(scale, UiFonts(QStringLiteral("Noto Sans CJK JP"), scale, 96.0).pt10());
    dialog.setGeometry(40, 40, 300, 200);
    dialog.show();

    struct PressCase {
        const char* name;
        QPoint at;
    };
    for (const PressCase& p :
         {PressCase{"TopRows", {150, 2}}, PressCase{"LeftColumns", {2, 100}},
          PressCase{"RightColumns", {297, 100}}, PressCase{"Corner", {298, 198}}}) {
        SCOPED_TRACE(p.name);
        Press(&dialog, p.at);
        MoveTo(&dialog, p.at + QPoint(25, 15));
        Release(&dialog, p.at + QPoint(25, 15));
        EXPECT_EQ(dialog.geometry(), QRect(40, 40, 300, 200));
    }

    Press(&dialog, QPoint(150, 10));
    MoveTo(&dialog, QPoint(175, 25));
    Release(&dialog, QPoint(150, 10));
    EXPECT_EQ(dialog.geometry(), QRect(65, 55, 300, 200));
}

} // namespace
} // namespace kv
