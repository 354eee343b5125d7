// The message dialog: measuring, layout, placement and the answers.

#include "message_box.h"
#include "message_dialog.h"
#include "qt_printers.h"
#include "ui_fonts.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

#include <ostream>

#include <functional>
#include <string>

namespace kv {
namespace {

QFont Font10(const UiScale& scale) {
    return UiFonts(QStringLiteral("Noto Sans CJK JP"), scale, 96.0).pt10();
}

const QString kLong =
    QStringLiteral("ファイルが破損しています。\n修復したファイルを再生しますか？\n"
                   "修復したファイルは一時フォルダに保存され、終了時に保存先を選べます。");
const QString kShort = QStringLiteral("完了しました。");

TEST(MeasureLinesTest, CutsAtLineFeeds) {
    const QFontMetrics m(Font10(UiScale(1.0, 1.0)));
    const int h = m.height();
    struct Case {
        const char* name;
        QString text;
        QSize expected;
    };
    const Case cases[] = {
        {"Empty", QString(), {0, 0}},
        {"OneLine", QStringLiteral("abc"), {m.horizontalAdvance(QStringLiteral("abc")), h}},
        {"WidestLineWins",
         QStringLiteral("ab\n同名のファイル"),
         {m.horizontalAdvance(QStringLiteral("同名のファイル")), 2 * h}},
        {"FinalLineFeedAddsNoLine",
         QStringLiteral("一行目\n二行目です\n"),
         {m.horizontalAdvance(QStringLiteral("二行目です")), 2 * h}},
        {"EmptyLineInside",
         QStringLiteral("a\n\nbb"),
         {m.horizontalAdvance(QStringLiteral("bb")), 3 * h}},
        {"LineFeedOnly", QStringLiteral("\n"), {0, h}},
        {"CarriageReturnStaysInItsLine",
         QStringLiteral("xxxxxx\r\ny"),
         {m.horizontalAdvance(QStringLiteral("xxxxxx\r")), 2 * h}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(MeasureLines(c.text, m), c.expected);
    }
}

struct LayoutCase {
    const char* name;
    double scale;
    QSize extent;
    int style;
    QSize window;
    QRect text;
    QRect ok;
    QRect cancel;
    bool cancelShown;
};

void PrintTo(const LayoutCase& c, std::ostream* os) {
    *os << c.name;
}

class LayoutMessageTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutMessageTest, PlacesTextAndButtons) {
    const LayoutCase& c = GetParam();
    const MessageLayout layout = LayoutMessage(c.extent, c.style, UiScale(c.scale, 1.0));
    EXPECT_EQ(layout.window, c.window);
    EXPECT_EQ(layout.text, c.text);
    EXPECT_EQ(layout.ok, c.ok);
    EXPECT_TRUE(layout.okShown);
    EXPECT_EQ(layout.cancelShown, c.cancelShown);
    if (c.cancelShown) {
        EXPECT_EQ(layout.cancel, c.cancel);
    }
}

// S = 1: text box = extent + (80, 60); window = box + (0, 80); buttons 100 × 30,
// 15 from the right and bottom, 15 apart. S = 1.5: t(40) 60, t(30) 45, t(60) 90,
// t(20) 30, t(100) 150, t(15) 22.
INSTANTIATE_TEST_SUITE_P(Layouts, LayoutMessageTest,
                         ::testing::Values(LayoutCase{"OkAlone",
                                                      1.0,
                                                      {300, 40},
                                                      0,
                                                      {380, 180},
                                                      {40, 30, 340, 70},
                                                      {265, 135, 100, 30},
                                                      {},
                                                      false},
                                           LayoutCase{"OkCancel",
                                                      1.0,
                                                      {300, 40},
                                                      1,
                                                      {380, 180},
                                                      {40, 30, 340, 70},
                                                      {150, 135, 100, 30},
                                                      {265, 135, 100, 30},
                                                      true},
                                           LayoutCase{"YesNo",
                                                      1.0,
                                                      {300, 40},
                                                      4,
                                                      {380, 180},
                                                      {40, 30, 340, 70},
                                                      {150, 135, 100, 30},
                                                      {265, 135, 100, 30},
                                                      true},
                                           LayoutCase{"OtherStyleKeepsTwoButtons",
                                                      1.0,
                                                      {300, 40},
                                                      2,
                                                      {380, 180},
                                                      {40, 30, 340, 70},
                                                      {150, 135, 100, 30},
                                                      {265, 135, 100, 30},
                                                      true},
                                           LayoutCase{"OkAloneAtOneAndAHalf",
                                                      1.5,
                                                      {300, 40},
                                                      0,
                                                      {420, 250},
                                                      {60, 45, 360, 85},
                                                      {248, 183, 150, 45},
                                                      {},
                                                      false},
                                           LayoutCase{"YesNoAtOneAndAHalf",
                                                      1.5,
                                                      {300, 40},
                                                      4,
                                                      {420, 250},
                                                      {60, 45, 360, 85},
                                                      {76, 183, 150, 45},
                                                      {248, 183, 150, 45},
                                                      true},
                                           // A short text still leaves room for its buttons.
                                           LayoutCase{"ShortTextOkAlone",
                                                      1.0,
                                                      {20, 20},
                                                      0,
                                                      {130, 160},
                                                      {40, 30, 60, 50},
                                                      {15, 115, 100, 30},
                                                      {},
                                                      false},
                                           LayoutCase{"ShortTextTwoButtons",
                                                      1.0,
                                                      {50, 20},
                                                      1,
                                                      {245, 160},
                                                      {40, 30, 90, 50},
                                                      {15, 115, 100, 30},
                                                      {130, 115, 100, 30},
                                                      true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CentreOnTest, HalvesTruncateTowardZero) {
    EXPECT_EQ(CentreOn(WinRect{100, 100, 500, 400}, QSize(200, 100)), QPoint(200, 200));
    EXPECT_EQ(CentreOn(WinRect{0, 0, 301, 101}, QSize(100, 50)), QPoint(100, 25));
    EXPECT_EQ(CentreOn(WinRect{-301, -10, 0, 0}, QSize(100, 50)), QPoint(-200, -30));
}

// A dialog prepared for the owner as ShowMessage prepares it.
std::unique_ptr<CMsgDlg> Prepare(QWidget* owner, const QString& text, int style,
                                 const UiScale& scale = UiScale(1.0, 1.0)) {
    auto dialog = std::make_unique<CMsgDlg>(scale, Font10(scale), owner);
    dialog->messageText = text;
    dialog->captionText = QStringLiteral("確認");
    dialog->buttonStyle = style;
    dialog->InitDialog();
    return dialog;
}

TEST(MessageDialogTest, SizedToItsTextAndCentredOnItsOwner) {
    QWidget owner;
    owner.setGeometry(100, 80, 700, 500);
    for (const QString& text : {kLong, kShort}) {
        for (int style : {0, 1, 4}) {
            SCOPED_TRACE(text.toStdString() + " style " + std::to_string(style));
            const auto dialog = Prepare(&owner, text, style);
            const MessageLayout& layout = dialog->Layout();
            EXPECT_EQ(dialog->size(), layout.window);
            EXPECT_EQ(dialog->pos(),
                      CentreOn(WinRect::FromQRect(owner.frameGeometry()), layout.window));
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("確認"));
            QLabel* label = dialog->TextLabel();
            EXPECT_EQ(label->text(), text);
            EXPECT_EQ(label->geometry(), layout.text);
            // The whole text fits its box.
            EXPECT_LE(label->sizeHint().width(), label->width());
            EXPECT_LE(label->sizeHint().height(), label->height());
            EXPECT_EQ(dialog->OkButton()->geometry(), layout.ok);
            EXPECT_EQ(dialog->OkButton()->isVisibleTo(dialog.get()), layout.okShown);
            EXPECT_EQ(dialog->CancelButton()->isVisibleTo(dialog.get()), layout.cancelShown);
            EXPECT_TRUE(dialog->rect().contains(dialog->OkButton()->geometry()));
            if (layout.cancelShown) {
                EXPECT_TRUE(dialog->rect().contains(dialog->CancelButton()->geometry()));
            }
        }
    }
}

TEST(MessageDialogTest, ButtonCaptionsPerStyle) {
    struct Case {
        int style;
        const char* ok;
        const char* cancel;
        bool cancelShown;
    };
    for (const Case& c : {Case{0, "OK", "キャンセル", false}, Case{1, "OK", "キャンセル", true},
                          Case{4, "はい", "いいえ", true}}) {
        SCOPED_TRACE(c.style);
        const auto dialog = Prepare(nullptr, kShort, c.style);
        EXPECT_EQ(dialog->OkButton()->text(), QString::fromUtf8(c.ok));
        EXPECT_EQ(dialog->CancelButton()->text(), QString::fromUtf8(c.cancel));
        EXPECT_EQ(dialog->CancelButton()->isVisibleTo(dialog.get()), c.cancelShown);
        if (c.cancelShown) {
            // OK (はい) left of Cancel (いいえ), on one row.
            EXPECT_LT(dialog->OkButton()->geometry().right(),
                      dialog->CancelButton()->geometry().left());
            EXPECT_EQ(dialog->OkButton()->y(), dialog->CancelButton()->y());
        }
    }
}

TEST(MessageDialogTest, TwoLinesEndingInALineFeedAreTwoLinesHigh) {
    const QFontMetrics m(Font10(UiScale(1.0, 1.0)));
    const auto two = Prepare(nullptr, QStringLiteral("一行目\n二行目\n"), 0);
    const auto one = Prepare(nullptr, QStringLiteral("一行目"), 0);
    EXPECT_EQ(two->height() - one->height(), m.height());
}

TEST(MessageDialogTest, CentredOnThePrimaryScreenWithoutOwner) {
    const auto dialog = Prepare(nullptr, kLong, 1);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(dialog->pos(), CentreOn(WinRect::FromQRect(screen), dialog->size()));
}

// Runs ShowMessage and acts on the dialog once it is on screen.
int ShowAndAct(int style, const std::function<void(CMsgDlg&)>& act) {
    bool acted = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CMsgDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            ADD_FAILURE() << "no modal message dialog";
            return;
        }
        acted = true;
        act(*dialog);
    });
    QWidget owner;
    owner.setGeometry(50, 50, 600, 400);
    const UiScale scale(1.0, 1.0);
    CMsgBox box(&owner, scale, Font10(scale));
    const int answer = box.ShowMessage(kLong, QStringLiteral("確認"), style);
    EXPECT_TRUE(acted);
    return answer;
}

struct AnswerCase {
    const char* name;
    int style;
    bool clickOk;
    int expected;
};

void PrintTo(const AnswerCase& c, std::ostream* os) {
    *os << c.name;
}

class MessageAnswerTest : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(MessageAnswerTest, ClickedButtonIsTheAnswer) {
    const AnswerCase& c = GetParam();
    const int answer = ShowAndAct(c.style, [&](CMsgDlg& dialog) {
        QPushButton* button = c.clickOk ? dialog.OkButton() : dialog.CancelButton();
        ASSERT_TRUE(button->isVisible());
        button->click();
    });
    EXPECT_EQ(answer, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Styles, MessageAnswerTest,
                         ::testing::Values(AnswerCase{"OkAlone", 0, true, 1},
                                           AnswerCase{"Ok", 1, true, 1},
                                           AnswerCase{"Cancel", 1, false, 2},
                                           AnswerCase{"Yes", 4, true, 1},
                                           AnswerCase{"No", 4, false, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MessageAnswerTest, EscapeAndEnterDoNotEndIt) {
    const int answer = ShowAndAct(4, [](CMsgDlg& dialog) {
        for (const int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(&dialog, &press);
        }
        EXPECT_TRUE(dialog.isVisible());
        dialog.CancelButton()->click();
    });
    EXPECT_EQ(answer, 2);
}

TEST(MessageAnswerTest, ClosingTheWindowAnswersCancel) {
    const int answer = ShowAndAct(1, [](CMsgDlg& dialog) { dialog.close(); });
    EXPECT_EQ(answer, 2);
}

} // namespace
} // namespace kv
