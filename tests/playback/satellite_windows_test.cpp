// The satellite windows' frame, close button and notices, and the logo
// placeholder of the map window.

#include "logo_dialog.h"
#include "movie_dialog.h"
#include "playback_test_support.h"
#include "qt_printers.h"
#include "skin_bitmap.h"
#include "ui_fonts.h"
#include "wait_for.h"

#include <QAbstractButton>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace kv::playback {
namespace {

using test::SendMouse;

// Counts the emissions of a signal.
struct Counter {
    int count() const { return n; }
    int n = 0;
};

template <typename Signal> void Count(CMovieDialog& dialog, Signal signal, Counter& counter) {
    QObject::connect(&dialog, signal, &dialog, [&counter] { ++counter.n; });
}

QFont Font10(const UiScale& scale) {
    return UiFonts(QStringLiteral("Noto Sans CJK JP"), scale, 96.0).pt10();
}

struct FrameCase {
    const char* name;
    double scale;
    QSize size;
    QRect closeButton;
    QRect content;
};

void PrintTo(const FrameCase& c, std::ostream* os) {
    *os << c.name;
}

class MovieDialogFrameTest : public testing::TestWithParam<FrameCase> {};

TEST_P(MovieDialogFrameTest, GreyFrameTitleBandCloseButtonAndContent) {
    const FrameCase& c = GetParam();
    const UiScale scale(c.scale, 1.0);
    CMovieDialog dialog(scale, Font10(scale));
    auto* content = new QWidget;
    dialog.SetContent(content);
    dialog.resize(c.size);
    dialog.show();
    dialog.SetTitle(UiText::RearCameraTitle);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("リヤカメラ"));
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
    ASSERT_NE(dialog.CloseButton(), nullptr);
    EXPECT_EQ(dialog.CloseButton()->geometry(), c.closeButton);
    EXPECT_EQ(content->parentWidget(), &dialog);
    EXPECT_EQ(content->geometry(), c.content);

    // Without the content the frame and the inside show.
    content->hide();
    const QImage shot = dialog.grab().toImage();
    const int frame = scale(4);
    const int w = c.size.width();
    const int h = c.size.height();
    const QRgb grey = kMovieFrameColor;
    for (const QPoint p :
         {QPoint(0, h / 2), QPoint(frame - 1, h / 2), QPoint(w - 1, h / 2),
          QPoint(w - frame, h / 2), QPoint(w / 2, h - 1), QPoint(w / 2, h - frame)}) {
        EXPECT_EQ(shot.pixel(p) & 0xFFFFFF, grey & 0xFFFFFF) << testing::PrintToString(p);
    }
    for (const QPoint p :
         {QPoint(frame, h / 2), QPoint(w - frame - 1, h / 2), QPoint(w / 2, h - frame - 1)}) {
        EXPECT_NE(shot.pixel(p) & 0xFFFFFF, grey & 0xFFFFFF) << testing::PrintToString(p);
    }
    EXPECT_EQ(shot.pixel(w / 2, scale(20) - 1) & 0xFFFFFF, kTitleBandColor & 0xFFFFFF);
}

// The second-camera window (452 × 274: a 444 × 250 picture) and the map
// window (452 × 393), at S = 1 and 1.5.
INSTANTIATE_TEST_SUITE_P(
    Sizes, MovieDialogFrameTest,
    testing::Values(FrameCase{"camera_s100", 1.0, {452, 274}, {432, 4, 13, 12}, {4, 20, 444, 250}},
                    FrameCase{"map_s100", 1.0, {452, 393}, {432, 4, 13, 12}, {4, 20, 444, 369}},
                    FrameCase{"camera_s150", 1.5, {678, 411}, {648, 6, 19, 18}, {6, 30, 666, 375}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MovieDialogSignalTest, CloseButtonHidesTheWindowAndSaysSo) {
    const UiScale scale(1.0, 1.0);
    CMovieDialog dialog(scale, Font10(scale));
    dialog.resize(452, 274);
    dialog.show();
    Counter closed;
    Count(dialog, &CMovieDialog::closedByButton, closed);
    std::vector<int> commands;
    QObject::connect(&dialog, &CSkinDialog::CommandIssued, &dialog,
                     [&commands](int id) { commands.push_back(id); });
    QAbstractButton* button = dialog.CloseButton();
    ASSERT_NE(button, nullptr);
    SendMouse(button, QEvent::MouseButtonPress, button->rect().center());
    SendMouse(button, QEvent::MouseButtonRelease, button->rect().center());
    EXPECT_EQ(commands, std::vector<int>{kMovieCloseCommand});
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(WaitFor([&] { return closed.count() > 0; }));
    EXPECT_EQ(closed.count(), 1);
}

TEST(MovieDialogSignalTest, PaintResizeCaptionAndDragNotices) {
    const UiScale scale(1.0, 1.0);
    CMovieDialog dialog(scale, Font10(scale));
    Counter painted;
    Counter resized;
    Counter caption;
    Counter dragged;
    Count(dialog, &CMovieDialog::painted, painted);
    Count(dialog, &CMovieDialog::resizedWhileVisible, resized);
    Count(dialog, &CMovieDialog::captionDoubleClicked, caption);
    Count(dialog, &CMovieDialog::dragEnded, dragged);

    dialog.resize(452, 274); // hidden: no notice
    (void)dialog.grab();
    EXPECT_TRUE(WaitFor([&] { return painted.count() > 0; }));
    dialog.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(resized.count(), 0);
    dialog.resize(500, 300);
    EXPECT_TRUE(WaitFor([&] { return resized.count() > 0; }));

    // A press and release in the middle is no drag; one on the title band is.
    SendMouse(&dialog, QEvent::MouseButtonPress, {250, 150});
    SendMouse(&dialog, QEvent::MouseButtonRelease, {250, 150});
    QCoreApplication::processEvents();
    EXPECT_EQ(dragged.count(), 0);
    SendMouse(&dialog, QEvent::MouseButtonPress, {250, 10});
    SendMouse(&dialog, QEvent::MouseButtonRelease, {250, 10});
    EXPECT_TRUE(WaitFor([&] { return dragged.count() > 0; }));
    EXPECT_EQ(dragged.count(), 1);

    SendMouse(&dialog, QEvent::MouseButtonDblClick, {250, 150});
    QCoreApplication::processEvents();
    EXPECT_EQ(caption.count(), 0);
    SendMouse(&dialog, QEvent::MouseButtonDblClick, {250, 10});
    EXPECT_TRUE(WaitFor([&] { return caption.count() > 0; }));
}

struct LogoCase {
    const char* name;
    QSize client;
    QRect picture;
};

void PrintTo(const LogoCase& c, std::ostream* os) {
    *os << c.name;
}

class LogoFitTest : public testing::TestWithParam<LogoCase> {};

TEST_P(LogoFitTest, LargestCentredPictureWithinAWhiteFrame) {
    const LogoCase& c = GetParam();
    const QSize natural = SkinImageSize(SkinResourcePath(skin::kLogo));
    ASSERT_EQ(natural, QSize(452, 392));
    EXPECT_EQ(CLogoDlg::FitPicture(c.client, natural), c.picture);

    CLogoDlg logo;
    logo.resize(c.client);
    const QImage shot = logo.grab().toImage();
    const int w = c.client.width();
    const int h = c.client.height();
    const QRgb white = qRgb(255, 255, 255);
    for (const QPoint p : {QPoint(0, h / 2), QPoint(w - 1, h / 2), QPoint(w / 2, 0),
                           QPoint(w / 2, h - 1), QPoint(0, 0), QPoint(w - 1, h - 1)}) {
        EXPECT_EQ(shot.pixel(p), white) << testing::PrintToString(p);
    }
    // Black bars beside the picture, the logo's own dark backdrop inside it.
    const QRect r = c.picture;
    const auto isBlack = [&](int x, int y) { return (shot.pixel(x, y) & 0xFFFFFF) == 0; };
    EXPECT_FALSE(isBlack(r.left() + 3, r.center().y()));
    EXPECT_FALSE(isBlack(r.right() - 3, r.center().y()));
    EXPECT_FALSE(isBlack(r.center().x(), r.top() + 3));
    EXPECT_FALSE(isBlack(r.center().x(), r.bottom() - 3));
    if (r.left() > 2) {
        EXPECT_TRUE(isBlack(r.left() - 2, r.center().y()));
        EXPECT_TRUE(isBlack(r.right() + 2, r.center().y()));
    }
    if (r.top() > 2) {
        EXPECT_TRUE(isBlack(r.center().x(), r.top() - 2));
        EXPECT_TRUE(isBlack(r.center().x(), r.bottom() + 2));
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, LogoFitTest,
                         testing::Values(LogoCase{"natural", {452, 392}, {0, 0, 452, 392}},
                                         LogoCase{"map_window", {444, 369}, {9, 0, 425, 369}},
                                         LogoCase{"wide", {1000, 392}, {274, 0, 452, 392}},
                                         LogoCase{"tall", {452, 1000}, {0, 304, 452, 392}},
                                         LogoCase{"double", {904, 784}, {0, 0, 904, 784}},
                                         LogoCase{"small_square", {300, 300}, {0, 20, 300, 260}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LogoPictureTest, RepaintsOnlyWhenTheChoiceChanges) {
    CLogoDlg logo;
    logo.resize(452, 392);
    EXPECT_EQ(logo.bitmapId(), skin::kLogo);
    const QImage plain = logo.grab().toImage();
    logo.SetShownMark(true);
    EXPECT_TRUE(logo.shownMark());
    EXPECT_FALSE(logo.isHidden());
    ASSERT_TRUE(WaitFor([&] { return logo.isVisible(); }));
    QCoreApplication::processEvents();

    test::PaintCounter counter(&logo);
    logo.SetPicture(false);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);

    logo.SetPicture(true);
    EXPECT_EQ(logo.bitmapId(), skin::kLogoNoConnection);
    EXPECT_TRUE(WaitFor([&] { return counter.paints > 0; }));
    const int afterChange = counter.paints;
    logo.SetPicture(true);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, afterChange);
    EXPECT_NE(logo.grab().toImage(), plain);

    logo.SetShownMark(false);
    EXPECT_FALSE(logo.shownMark());
    EXPECT_TRUE(logo.isHidden());
}

} // namespace
} // namespace kv::playback
