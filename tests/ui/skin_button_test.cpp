// Skinned push buttons and check buttons: which frame each state shows, hover,
// clicks and the keyboard.

#include "skin_bitmap.h"
#include "skin_button.h"

#include "skin_test_support.h"

#include <QApplication>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <vector>

namespace kv {
namespace {

using test::At;
using test::Render;

const QColor kFrameColours[] = {QColor(10, 200, 10), QColor(200, 200, 10), QColor(10, 10, 200),
                                QColor(120, 120, 120)};

QPixmap FourFrames(QSize frame) {
    return test::FlatStrip(
        frame, {kFrameColours[0], kFrameColours[1], kFrameColours[2], kFrameColours[3]});
}

void Enter(QWidget& widget, QPoint at) {
    QEnterEvent enter(at, widget.mapToGlobal(at), widget.mapToGlobal(at));
    QApplication::sendEvent(&widget, &enter);
}

void Leave(QWidget& widget) {
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&widget, &leave);
}

void Mouse(QWidget& widget, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, widget.mapToGlobal(at),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

TEST(SkinButtonFrame, StatesAreTestedInOrder) {
    struct Case {
        SkinItemState state;
        bool switchedOn;
        bool pressedBefore;
        int frame;
        bool pressedAfter;
    };
    const Case cases[] = {
        {{}, false, false, kFrameNormal, false},
        {{}, false, true, kFrameNormal, false},             // normal clears pressed
        {{.grayed = true}, false, true, kFrameHover, true}, // grayed keeps pressed
        {{.grayed = true, .disabled = true}, false, false, kFrameHover, false},
        {{.disabled = true}, false, true, kFrameDisabled, true}, // disabled keeps pressed
        {{.disabled = true, .selected = true}, false, false, kFrameDisabled, false},
        {{.disabled = true}, true, false, kFrameDisabled, false}, // disabled beats on
        {{.selected = true}, false, false, kFramePressedOrOn, true},
        {{.selected = true, .checked = true}, true, false, kFramePressedOrOn, true},
        {{.checked = true}, false, true, kFramePressedOrOn, true}, // on keeps pressed
        {{}, true, false, kFramePressedOrOn, false},
        {{}, true, true, kFramePressedOrOn, true},
    };
    int row = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(row++);
        bool pressed = c.pressedBefore;
        EXPECT_EQ(SkinButtonFrame(c.state, c.switchedOn, pressed), c.frame);
        EXPECT_EQ(pressed, c.pressedAfter);
        EXPECT_EQ(SkinCheckButtonFrame(c.state, c.switchedOn), c.frame);
    }
}

class SkinButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        button.setGeometry(0, 0, 32, 32);
        ASSERT_TRUE(button.SetSkinStrip(FourFrames({32, 32}), {32, 32}));
    }
    QColor Shown() {
        const QImage image = Render(button);
        return At(image, 16, 16);
    }
    CSkinButton button{38002};
};

TEST_F(SkinButtonTest, EachStateDrawsItsFrame) {
    EXPECT_EQ(button.currentFrame(), kFrameNormal);
    EXPECT_EQ(Shown(), kFrameColours[0]);

    Enter(button, {5, 5});
    EXPECT_EQ(button.currentFrame(), kFrameHover);
    EXPECT_EQ(Shown(), kFrameColours[1]);

    button.SetSwitchedOn(true); // switched on: no hover frame
    EXPECT_EQ(Shown(), kFrameColours[2]);
    button.SetSwitchedOn(false);
    Leave(button);
    EXPECT_EQ(Shown(), kFrameColours[0]);

    button.setDown(true);
    EXPECT_EQ(Shown(), kFrameColours[2]);
    EXPECT_TRUE(button.pressed());
    Enter(button, {5, 5}); // pressed: no hover frame either
    EXPECT_EQ(Shown(), kFrameColours[2]);
    button.setDown(false);
    Leave(button);
    EXPECT_EQ(Shown(), kFrameColours[0]);
    EXPECT_FALSE(button.pressed());

    button.setEnabled(false);
    EXPECT_EQ(Shown(), kFrameColours[3]);
    button.SetSwitchedOn(true);
    EXPECT_EQ(Shown(), kFrameColours[3]);
    button.setEnabled(true);
    EXPECT_EQ(Shown(), kFrameColours[2]);
}

TEST_F(SkinButtonTest, SuspendedDrawsNothing) {
    button.SetSuspended(true);
    EXPECT_EQ(button.currentFrame(), -1);
    EXPECT_EQ(At(Render(button, Qt::magenta), 16, 16), QColor(Qt::magenta));
    button.SetSuspended(false);
    EXPECT_EQ(Shown(), kFrameColours[0]);
}

TEST_F(SkinButtonTest, HoverFollowsTheMouseInsideTheButton) {
    button.show();
    Mouse(button, QEvent::MouseMove, {10, 10}, Qt::NoButton);
    EXPECT_TRUE(button.hovered());
    EXPECT_EQ(Shown(), kFrameColours[1]);
    Mouse(button, QEvent::MouseMove, {40, 10}, Qt::NoButton);
    EXPECT_FALSE(button.hovered());
    EXPECT_EQ(Shown(), kFrameColours[0]);
}

TEST_F(SkinButtonTest, AClickReportsTheControlId) {
    button.show();
    std::vector<int> clicked;
    QObject::connect(&button, &CSkinButton::commandClicked, [&](int id) { clicked.push_back(id); });
    Mouse(button, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton);
    EXPECT_EQ(Shown(), kFrameColours[2]);
    Mouse(button, QEvent::MouseButtonRelease, {10, 10}, Qt::NoButton);
    EXPECT_EQ(clicked, std::vector<int>{38002});
    // Released outside: no click.
    Mouse(button, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton);
    Mouse(button, QEvent::MouseButtonRelease, {50, 50}, Qt::NoButton);
    EXPECT_EQ(clicked.size(), 1u);
}

TEST_F(SkinButtonTest, KeysDoNotPressIt) {
    button.show();
    std::vector<int> clicked;
    QObject::connect(&button, &CSkinButton::commandClicked, [&](int id) { clicked.push_back(id); });
    EXPECT_EQ(button.focusPolicy(), Qt::NoFocus);
    for (const int key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Select}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QStringLiteral(" "));
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QStringLiteral(" "));
        QApplication::sendEvent(&button, &press);
        EXPECT_FALSE(button.isDown());
        QApplication::sendEvent(&button, &release);
    }
    EXPECT_TRUE(clicked.empty());
}

TEST(SkinButton, SetSkinCutsTheBitmapAndKeepsOldFramesWhenItIsMissing) {
    CSkinButton close(19);
    // The close cross at S = 1.5: 19 × 18 frames out of a 78 × 18 bitmap.
    ASSERT_TRUE(close.SetSkin(skin::kCloseButton, QRect(100, 6, 19, 18), 1.5));
    EXPECT_EQ(close.frameCount(), 4);
    EXPECT_EQ(close.frameWidth(), 19);
    EXPECT_EQ(close.frameHeight(), 18);
    EXPECT_EQ(close.pos(), QPoint(0, 0)); // the owner places it

    EXPECT_FALSE(close.SetSkin(9999, QRect(0, 0, 19, 18), 1.5));
    EXPECT_EQ(close.frameCount(), 4);

    CSkinButton play(38002);
    ASSERT_TRUE(play.SetSkin(skin::kPlay, QRect(0, 0, 48, 48), 1.5));
    EXPECT_EQ(play.frameCount(), 4);
}

// ---------------------------------------------------------------------------

class SkinCheckButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        check.setGeometry(0, 0, 160, 24);
        ASSERT_TRUE(check.SetSkinStrip(FourFrames({12, 12}), 1.0));
    }
    // Colour inside the frame box, which sits at (0, 4).
    QColor Shown() { return At(Render(check), 6, 10); }
    CSkinCheckButton check{32968, QStringLiteral("ABC")};
};

TEST_F(SkinCheckButtonTest, FrameIsDrawnAtZeroFourWithTheTextAfterSixteen) {
    const QImage image = Render(check, Qt::magenta);
    EXPECT_EQ(At(image, 0, 4), kFrameColours[0]);
    EXPECT_EQ(At(image, 11, 15), kFrameColours[0]);
    EXPECT_EQ(At(image, 6, 3), QColor(Qt::magenta));
    EXPECT_EQ(At(image, 6, 16), QColor(Qt::magenta));
    EXPECT_EQ(At(image, 13, 10), QColor(Qt::magenta));
    EXPECT_EQ(check.textBox().left(), 16);
    // Some text pixels right of x = 16, none between the frame and there.
    bool textSeen = false;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 12; x < 16; ++x) {
            EXPECT_EQ(At(image, x, y), QColor(Qt::magenta)) << x << "," << y;
        }
        for (int x = 16; x < 60; ++x) {
            textSeen = textSeen || At(image, x, y) != QColor(Qt::magenta);
        }
    }
    EXPECT_TRUE(textSeen);
}

TEST_F(SkinCheckButtonTest, FrameBoxScalesWithS) {
    CSkinCheckButton scaled(1, QString());
    ASSERT_TRUE(scaled.SetSkin(skin::kCheckBox, 1.5));
    EXPECT_EQ(scaled.frameBox(), QRect(0, 6, 18, 18));
    EXPECT_EQ(scaled.textBox().left(), 24);
    EXPECT_EQ(scaled.frameCount(), 4);
}

TEST_F(SkinCheckButtonTest, HoverOnlyInsideTheFrameBox) {
    check.show();
    Mouse(check, QEvent::MouseMove, {6, 10}, Qt::NoButton);
    EXPECT_TRUE(check.hoverInBox());
    EXPECT_EQ(Shown(), kFrameColours[1]);
    Mouse(check, QEvent::MouseMove, {6, 2}, Qt::NoButton); // above the box
    EXPECT_EQ(Shown(), kFrameColours[0]);
    Mouse(check, QEvent::MouseMove, {40, 10}, Qt::NoButton); // over the text
    EXPECT_EQ(Shown(), kFrameColours[0]);
    Mouse(check, QEvent::MouseMove, {11, 15}, Qt::NoButton);
    EXPECT_EQ(Shown(), kFrameColours[1]);
    Leave(check);
    EXPECT_EQ(Shown(), kFrameColours[0]);

    check.SetSwitchedOn(true);
    Mouse(check, QEvent::MouseMove, {6, 10}, Qt::NoButton);
    EXPECT_EQ(Shown(), kFrameColours[2]); // switched on: no hover frame
}

TEST_F(SkinCheckButtonTest, OwnerSwitchingOnEachClickCycles) {
    check.show();
    QObject::connect(&check, &CSkinCheckButton::commandClicked, [&](int id) {
        EXPECT_EQ(id, 32968);
        check.SetSwitchedOn(!check.switchedOn());
    });
    const QColor expected[] = {kFrameColours[2], kFrameColours[0], kFrameColours[2]};
    for (const QColor& colour : expected) {
        Mouse(check, QEvent::MouseButtonPress, {30, 10}, Qt::LeftButton);
        Mouse(check, QEvent::MouseButtonRelease, {30, 10}, Qt::NoButton);
        EXPECT_EQ(Shown(), colour);
    }
}

TEST_F(SkinCheckButtonTest, CheckableButtonCyclesByItself) {
    check.setCheckable(true);
    const bool expectedChecked[] = {true, false, true};
    for (const bool checked : expectedChecked) {
        check.click();
        EXPECT_EQ(check.isChecked(), checked);
        EXPECT_EQ(check.currentFrame(), checked ? kFramePressedOrOn : kFrameNormal);
    }
    check.setEnabled(false);
    EXPECT_EQ(Shown(), kFrameColours[3]);
}

TEST_F(SkinCheckButtonTest, MissingBitmapKeepsTheFrames) {
    EXPECT_FALSE(check.SetSkin(9999, 1.0));
    EXPECT_EQ(check.frameCount(), 4);
    EXPECT_EQ(Shown(), kFrameColours[0]);
}

} // namespace
} // namespace kv
