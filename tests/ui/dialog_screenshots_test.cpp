// Pictures of the dialogs for a person to look at: the message dialog in
// every style with a long and a short text, a skinned dialog, and the edge-drag
// outline over a window. They are written to screenshots/ beside the build's
// test programs (build-dir/screenshots).

#include "ghost_frame.h"
#include "message_dialog.h"
#include "qt_printers.h"
#include "screenshot_folder.h"
#include "skin_dialog.h"
#include "ui_fonts.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

#include <gtest/gtest.h>

#include <ostream>

#include <string>

namespace kv {
namespace {

void Save(const QImage& image, const QString& name) {
    const QString path = QDir(ScreenshotFolder()).filePath(name);
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(image.save(path)) << path.toStdString();
}

QFont Font10(const UiScale& scale) {
    return UiFonts(QStringLiteral("Noto Sans CJK JP"), scale, 96.0).pt10();
}

const QString kLong =
    QStringLiteral("ファイルが破損しています。\n修復したファイルを再生しますか？\n"
                   "修復したファイルは一時フォルダに保存され、終了時に保存先を選べます。");
const QString kShort = QStringLiteral("完了しました。");

struct Shot {
    const char* name;
    int style;
    bool longText;
    const char* caption;
    double scale;
};

void PrintTo(const Shot& c, std::ostream* os) {
    *os << c.name;
}

class MessageScreenshotTest : public ::testing::TestWithParam<Shot> {};

TEST_P(MessageScreenshotTest, Renders) {
    const Shot& s = GetParam();
    const UiScale scale(s.scale, 1.0);
    CMsgDlg dialog(scale, Font10(scale), nullptr);
    dialog.messageText = s.longText ? kLong : kShort;
    dialog.captionText = QString::fromUtf8(s.caption);
    dialog.buttonStyle = s.style;
    dialog.InitDialog();
    const QImage image = dialog.grab().toImage();
    Save(image, QStringLiteral("message_%1.png").arg(QString::fromUtf8(s.name)));

    // What a reader would notice first: the text cut off, a button outside
    // the window or off the strip, the band not grey, the text area not white.
    QLabel* label = dialog.TextLabel();
    EXPECT_LE(label->sizeHint().width(), label->width());
    EXPECT_LE(label->sizeHint().height(), label->height());
    const int strip = dialog.height() - scale(60);
    for (QPushButton* button : {dialog.OkButton(), dialog.CancelButton()}) {
        if (!button->isVisibleTo(&dialog)) {
            continue;
        }
        EXPECT_TRUE(dialog.rect().contains(button->geometry()));
        EXPECT_GE(button->y(), strip);
        EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()), button->width());
    }
    EXPECT_EQ(image.pixel(image.width() - 2, 1), qRgb(128, 128, 128));
    EXPECT_EQ(image.pixel(image.width() - 2, strip - 1), qRgb(255, 255, 255));
    EXPECT_NE(image.pixel(image.width() - 2, strip + 1), qRgb(255, 255, 255));
}

INSTANTIATE_TEST_SUITE_P(Styles, MessageScreenshotTest,
                         ::testing::Values(Shot{"ok_long", 0, true, "ERROR", 1.0},
                                           Shot{"ok_short", 0, false, "終了", 1.0},
                                           Shot{"okcancel_long", 1, true, "確認", 1.0},
                                           Shot{"okcancel_short", 1, false, "確認", 1.0},
                                           Shot{"yesno_long", 4, true, "確認", 1.0},
                                           Shot{"yesno_short", 4, false, "確認", 1.0},
                                           Shot{"yesno_long_s150", 4, true, "確認", 1.5}),
                         [](const auto& info) { return std::string(info.param.name); });

// A secondary window as the settings dialog starts it: title, icon, close
// button; and the outline of an edge drag over it, as it shows on screen.
TEST(SkinScreenshotTest, SkinnedDialogAndOutline) {
    const UiScale scale(1.0, 1.0);
    CSkinDialog dialog(scale, Font10(scale));
    dialog.resize(420, 260);
    dialog.setWindowTitle(QStringLiteral("設定"));
    dialog.CreateCloseButton(19);
    auto* label = new QLabel(QStringLiteral("イベント表示の切り替え"), &dialog);
    label->setFont(Font10(scale));
    label->setGeometry(scale(20), scale(40), scale(300), scale(24));
    const QImage skinned = dialog.grab().toImage();
    Save(skinned, QStringLiteral("skin_dialog.png"));
    EXPECT_EQ(skinned.pixel(skinned.width() / 2, 2), qRgb(128, 128, 128));

    CResizeFrameWindow ghost;
    ghost.MoveTo(QRect(0, 0, 470, 300));
    const QImage outline = ghost.Window()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    Save(outline, QStringLiteral("ghost_outline.png"));
    EXPECT_EQ(outline.pixel(0, 0), QColor(kGhostFrameColor).rgba());
    EXPECT_EQ(outline.pixel(469, 299), QColor(kGhostFrameColor).rgba());
    EXPECT_EQ(qAlpha(outline.pixel(235, 150)), 0);

    // The outline over the window it resizes, on a dark desktop.
    QImage scene(520, 340, QImage::Format_ARGB32);
    scene.fill(QColor(40, 60, 80));
    {
        QPainter painter(&scene);
        painter.drawImage(20, 20, skinned);
        painter.drawImage(20, 20, outline);
    }
    Save(scene, QStringLiteral("ghost_over_dialog.png"));
}

} // namespace
} // namespace kv
