// The update dialog: the notice's links and rich text, both layouts, link
// clicks handed to the browser opener, Enter leaving it open, the close
// button, and pictures of a notice with three updates and of the compact one.

#include "qt_printers.h"
#include "screenshot_folder.h"
#include "ui_texts.h"
#include "update_dialog.h"
#include "update_rules.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <vector>

namespace kv::settings {
namespace {

const QString kSite = QStringLiteral("http://www.example.jp");

QString ThreeBlockNotice() {
    const std::vector<UpdateItem> items = {{UpdateKind::Firmware, "1.2.3.0", "1.2.4.0"},
                                           {UpdateKind::Viewer, "2.0.0.0", "2.0.1.0"},
                                           {UpdateKind::GpsData, "21/10/15", "22/03/01"}};
    return ComposeUpdateNotice(items, kSite);
}

QString RuntimeNotice() {
    const QString address = QStringLiteral("https://www.example.com/runtime");
    return QString::asprintf(Text(UiText::RuntimeLinkFormat).toUtf8().constData(),
                             Text(UiText::RuntimeExplanation).toUtf8().constData(),
                             address.toUtf8().constData(), address.toUtf8().constData());
}

// The text a reader sees in the label.
QString ShownText(const QLabel* label) {
    QTextDocument document;
    document.setHtml(label->text());
    return document.toPlainText();
}

TEST(UpdateNotice, LinksAndRichText) {
    const std::vector<NoticeLink> links = NoticeLinks(ThreeBlockNotice());
    const std::vector<NoticeLink> expected = {
        {kSite + "/taiou/dr_updata/rx-210/rx-210.html",
         kSite + "/taiou/dr_updata/rx-210/rx-210.html"},
        {kSite + "/0_recorder/viewer/kolvista/viewer.html",
         kSite + "/0_recorder/viewer/kolvista/viewer.html"},
        {kSite + "/taiou/gps_data/dr_01/dr01.html", kSite + "/taiou/gps_data/dr_01/dr01.html"}};
    EXPECT_EQ(links, expected);

    const QString notice = QStringLiteral(
        "a < b & c\r\nx   →   y\r\nURL : <A HREF=\"http://h/p?a=1&b=2\">page</a> end");
    EXPECT_EQ(NoticeLinks(notice), (std::vector<NoticeLink>{{"http://h/p?a=1&b=2", "page"}}));
    QTextDocument document;
    document.setHtml(NoticeToHtml(notice));
    EXPECT_EQ(document.toPlainText(), QStringLiteral("a < b & c\nx   →   y\nURL : page end"));
    const QString html = NoticeToHtml(notice);
    EXPECT_TRUE(html.contains(QStringLiteral("<a href=\"http://h/p?a=1&amp;b=2\">page</a>")))
        << html.toStdString();
    EXPECT_TRUE(NoticeLinks(u"no links\r\n").empty());
}

TEST(UpdateNotice, Layouts) {
    struct Case {
        bool compact;
        double s;
        QSize window;
        QRect text;
        QRect close;
    };
    for (const Case& c : {
             Case{false, 1.0, {640, 480}, {10, 30, 620, 400}, {530, 440, 100, 30}},
             Case{false, 1.5, {960, 720}, {15, 45, 930, 600}, {795, 660, 150, 45}},
             Case{true, 1.0, {640, 320}, {15, 42, 610, 208}, {520, 280, 100, 30}},
             Case{true, 1.5, {960, 480}, {22, 63, 915, 312}, {780, 420, 150, 45}},
         }) {
        const UiScale scale(c.s, 1.0);
        const UpdateDialogLayout layout = LayoutUpdateDialog(c.compact, scale);
        EXPECT_EQ(layout.window, c.window) << c.compact << ' ' << c.s;
        EXPECT_EQ(layout.text, c.text) << c.compact << ' ' << c.s;
        EXPECT_EQ(layout.close, c.close) << c.compact << ' ' << c.s;

        CUpdateDialog dialog(scale, UiFonts(QStringLiteral("Noto Sans CJK JP"), scale, 96.0));
        dialog.SetNotice(c.compact ? RuntimeNotice() : ThreeBlockNotice(), c.compact);
        EXPECT_EQ(dialog.size(), c.window);
        EXPECT_EQ(dialog.noticeLabel()->geometry(), c.text);
        EXPECT_EQ(dialog.closeButton()->geometry(), c.close);
        EXPECT_EQ(dialog.closeButton()->text(), QStringLiteral("閉じる"));
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("更新情報"));
        EXPECT_TRUE(dialog.isWindow());
    }
}

class UpdateDialogTest : public ::testing::Test {
protected:
    UiScale scale_{1.0, 1.0};
    UiFonts fonts_{QStringLiteral("Noto Sans CJK JP"), scale_, 96.0};
};

TEST_F(UpdateDialogTest, EachLinkOpensItsOwnPage) {
    CUpdateDialog dialog(scale_, fonts_);
    std::vector<QUrl> opened;
    dialog.SetLinkOpener([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    dialog.SetNotice(ThreeBlockNotice(), false);
    dialog.show();
    std::vector<QUrl> expected;
    for (const NoticeLink& link : NoticeLinks(dialog.noticeText())) {
        // What the label reports when its link is clicked.
        Q_EMIT dialog.noticeLabel()->linkActivated(link.address);
        expected.emplace_back(link.address);
    }
    ASSERT_EQ(expected.size(), 3u);
    EXPECT_EQ(opened, expected);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.noticeLabel()->text().count(QStringLiteral("<a href=")), 3);
    EXPECT_FALSE(dialog.noticeLabel()->openExternalLinks());
}

TEST_F(UpdateDialogTest, EnterAndEscapeLeaveItOpenAndCloseEndsIt) {
    CUpdateDialog dialog(scale_, fonts_);
    dialog.SetNotice(ThreeBlockNotice(), false);
    dialog.show();
    dialog.activateWindow();
    for (QWidget* target :
         std::initializer_list<QWidget*>{&dialog, dialog.closeButton(), dialog.noticeLabel()}) {
        for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(target, &press);
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
            QApplication::sendEvent(target, &release);
            EXPECT_TRUE(dialog.isVisible()) << key;
        }
    }
    dialog.closeButton()->click();
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(UpdateDialogTest, TheUpdateNoticeStandsAloneAndGoesWhenClosed) {
    QPointer<CUpdateDialog> dialog = ShowUpdateNotice(ThreeBlockNotice(), scale_, fonts_);
    ASSERT_FALSE(dialog.isNull());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->parentWidget(), nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("更新情報"));
    EXPECT_FALSE(dialog->compactLayout());
    EXPECT_EQ(dialog->noticeText(), ThreeBlockNotice());
    EXPECT_TRUE(
        ShownText(dialog->noticeLabel())
            .contains(QStringLiteral("現在のバージョン：1.2.3.0   →   更新バージョン：1.2.4.0")));
    dialog->closeButton()->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());
}

// What a reader would notice first: the notice cut off, its area not white,
// the button strip white.
void CheckPicture(const CUpdateDialog& dialog, const QImage& image) {
    const QLabel* label = dialog.noticeLabel();
    EXPECT_LE(label->heightForWidth(label->width()), label->height());
    const int strip = dialog.height() - dialog.Scale()(50);
    EXPECT_EQ(image.pixelColor(dialog.width() / 2, strip - 2), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(2, dialog.height() - 2), dialog.palette().color(QPalette::Window));
    EXPECT_EQ(image.pixelColor(dialog.width() - 2, 5), QColor(kTitleBandColor));
}

TEST_F(UpdateDialogTest, Pictures) {
    struct Shot {
        const char* name;
        QString notice;
        bool compact;
        const char* title;
        double s;
    };
    for (const Shot& shot : {
             Shot{"update_notice_three_blocks.png", ThreeBlockNotice(), false, "更新情報", 1.0},
             Shot{"update_notice_three_blocks_s125.png", ThreeBlockNotice(), false, "更新情報",
                  1.25},
             Shot{"update_notice_compact.png", RuntimeNotice(), true,
                  "WebView2 ランタイムがインストールされていません。", 1.0},
         }) {
        const UiScale scale(shot.s, 1.0);
        CUpdateDialog dialog(scale, UiFonts(QStringLiteral("Noto Sans CJK JP"), scale, 96.0));
        dialog.SetNotice(shot.notice, shot.compact);
        dialog.setWindowTitle(QString::fromUtf8(shot.title));
        const QImage image = dialog.grab().toImage();
        ASSERT_FALSE(image.isNull());
        EXPECT_TRUE(image.save(QDir(ScreenshotFolder()).filePath(QString::fromUtf8(shot.name))));
        SCOPED_TRACE(shot.name);
        CheckPicture(dialog, image);
    }
}

} // namespace
} // namespace kv::settings
