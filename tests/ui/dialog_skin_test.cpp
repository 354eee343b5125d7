// Skinned dialogs: no keyboard, the close button, the title band.

#include "qt_printers.h"
#include "skin_button.h"
#include "skin_dialog.h"
#include "ui_fonts.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <gtest/gtest.h>

#include <ostream>

#include <memory>
#include <string>
#include <vector>

namespace kv {
namespace {

QFont Font10(const UiScale& scale) {
    return UiFonts(QStringLiteral("Noto Sans CJK JP"), scale, 96.0).pt10();
}

// A key as the window system hands it to a widget: first the shortcut
// override (taken, it keeps every shortcut from firing), then the press and
// the release. Returns whether the override was taken.
bool SendKey(QWidget* widget, int key, const QString& text = QString()) {
    QKeyEvent override(QEvent::ShortcutOverride, key, Qt::NoModifier, text);
    override.ignore();
    QApplication::sendEvent(widget, &override);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
    return override.isAccepted();
}

void TypeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        SendKey(widget, QChar(c).toUpper().unicode(), QString(c));
    }
}

void Click(QWidget* widget) {
    const QPointF local = QRectF(widget->rect()).center();
    const QPointF global = widget->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

// A secondary window with an edit field, as the source dialog has.
struct KeyCase {
    const char* name;
    Qt::Key key;
};

void PrintTo(const KeyCase& c, std::ostream* os) {
    *os << c.name;
}

class SkinDialogKeyTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(SkinDialogKeyTest, KeysDoNothing) {
    const UiScale scale(1.0, 1.0);
    CSkinDialog dialog(scale, Font10(scale));
    dialog.resize(300, 200);
    auto* edit = new QLineEdit(&dialog);
    edit->setGeometry(20, 40, 200, 24);
    dialog.show();
    edit->setFocus();

    EXPECT_TRUE(SendKey(&dialog, GetParam().key));
    EXPECT_TRUE(SendKey(edit, GetParam().key));
    TypeText(edit, QStringLiteral("abc"));

    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_TRUE(edit->text().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Keys, SkinDialogKeyTest,
                         ::testing::Values(KeyCase{"Escape", Qt::Key_Escape},
                                           KeyCase{"Enter", Qt::Key_Return},
                                           KeyCase{"KeypadEnter", Qt::Key_Enter},
                                           KeyCase{"Space", Qt::Key_Space}),
                         [](const auto& info) { return std::string(info.param.name); });

// The same keys reach a resizable window that is not skinned (the main
// window handles them itself), and other windows keep their keyboard while a
// skinned dialog is open.
TEST(SkinDialogKeyTest, OnlyTheSkinnedDialogLosesItsKeyboard) {
    const UiScale scale(1.0, 1.0);
    CResizeDialog plain(scale);
    plain.resize(300, 200);
    plain.show();
    EXPECT_FALSE(SendKey(&plain, Qt::Key_Escape));
    EXPECT_FALSE(plain.isVisible());

    CSkinDialog skinned(scale, Font10(scale));
    skinned.show();
    QLineEdit outside;
    outside.show();
    TypeText(&outside, QStringLiteral("xy"));
    EXPECT_EQ(outside.text(), QStringLiteral("xy"));
}

struct CloseCase {
    const char* name;
    double scale;
    QRect expected; // in a dialog 400 wide
};

void PrintTo(const CloseCase& c, std::ostream* os) {
    *os << c.name;
}

class CloseButtonTest : public ::testing::TestWithParam<CloseCase> {};

TEST_P(CloseButtonTest, SitsAtTheTopRightAndReportsItsCommand) {
    const UiScale scale(GetParam().scale, 1.0);
    CSkinDialog dialog(scale, Font10(scale));
    dialog.resize(400, 300);
    std::vector<int> commands;
    QObject::connect(&dialog, &CSkinDialog::CommandIssued, [&](int id) { commands.push_back(id); });
    QAbstractButton* button = dialog.CreateCloseButton(21);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->geometry(), GetParam().expected);
    auto* skinned = qobject_cast<CSkinButton*>(button);
    ASSERT_NE(skinned, nullptr);
    EXPECT_EQ(skinned->frameCount(), 4);
    EXPECT_EQ(QSize(skinned->frameWidth(), skinned->frameHeight()), GetParam().expected.size());

    dialog.show();
    Click(button);
    EXPECT_EQ(commands, std::vector<int>{21});
    EXPECT_TRUE(dialog.isVisible()); // the dialog decides what its command does
}

INSTANTIATE_TEST_SUITE_P(Scales, CloseButtonTest,
                         ::testing::Values(CloseCase{"One", 1.0, QRect(380, 4, 13, 12)},
                                           CloseCase{"OneAndAHalf", 1.5, QRect(370, 6, 19, 18)},
                                           CloseCase{"Two", 2.0, QRect(360, 8, 26, 24)}),
                         [](const auto& info) { return std::string(info.param.name); });

// Leftmost column with a dark pixel in the rows of the title band.
int FirstInkColumn(const QImage& image, int bandHeight) {
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < bandHeight; ++y) {
            if (qGray(image.pixel(x, y)) < 64) {
                return x;
            }
        }
    }
    return -1;
}

TEST(TitleBandTest, GreyBandWithTitleAfterTheIcon) {
    const UiScale scale(1.0, 1.0);
    CSkinDialog dialog(scale, Font10(scale));
    dialog.resize(400, 120);
    dialog.setWindowTitle(QStringLiteral("設定"));
    const QImage plain = dialog.grab().toImage();
    const int band = scale(20);
    EXPECT_EQ(plain.pixel(399, 0), qRgb(128, 128, 128));
    EXPECT_EQ(plain.pixel(300, band - 1), qRgb(128, 128, 128));
    EXPECT_NE(plain.pixel(300, band), qRgb(128, 128, 128));
    const int textStart = FirstInkColumn(plain, band);
    EXPECT_GE(textStart, scale(5));
    EXPECT_LT(textStart, scale(5) + 4);

    QPixmap red(32, 32);
    red.fill(Qt::red);
    dialog.setWindowIcon(QIcon(red));
    const QImage withIcon = dialog.grab().toImage();
    EXPECT_EQ(withIcon.pixel(scale(10), scale(10)), qRgb(255, 0, 0));
    EXPECT_EQ(withIcon.pixel(scale(20) + 1, scale(10)), qRgb(128, 128, 128));
    QImage right = withIcon.copy(scale(20), 0, withIcon.width() - scale(20), band);
    const int iconTextStart = FirstInkColumn(right, band) + scale(20);
    EXPECT_GE(iconTextStart, scale(21));
    EXPECT_LT(iconTextStart, scale(21) + 4);
}

TEST(ScaleChildControlsTest, ScalesDirectChildrenOnly) {
    const UiScale scale(1.5, 1.0);
    CSkinDialog dialog(scale, Font10(scale));
    dialog.resize(600, 400);
    auto* field = new QLineEdit(&dialog);
    field->setGeometry(11, 21, 101, 25);
    auto* box = new QWidget(&dialog);
    box->setGeometry(10, 60, 200, 100);
    auto* inner = new QLineEdit(box);
    inner->setGeometry(5, 5, 50, 20);

    ScaleChildControls(&dialog, scale);

    EXPECT_EQ(field->geometry(), QRect(16, 31, 151, 37));
    EXPECT_EQ(box->geometry(), QRect(15, 90, 300, 150));
    EXPECT_EQ(inner->geometry(), QRect(5, 5, 50, 20));
    EXPECT_EQ(dialog.size(), QSize(600, 400));
}

} // namespace
} // namespace kv
