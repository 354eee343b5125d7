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
const QUrl kSiteUrl(kSite);

QString ThreeBlockNotice() {
    const std::vector<UpdateItem> items = {{UpdateKind::Firmware, "1.2.3.0", "1.2.4.0"},
                                           {UpdateKind::Viewer, "2.0.0.0", "2.0.1.0"},
                                           {UpdateKind::GpsData, "21/10/15", "22/03/01"}};
    return ComposeUpdateNotice(items, kSite);
}

// The web engine notice as the map side writes it.
QString RuntimeNotice() {
    return Text(UiText::RuntimeExplanation) + QStringLiteral("\r\n\r\n") +
           Text(UiText::RuntimeRemedyFormat)
               .arg(QStringLiteral("/usr/lib/qt6/libexec/QtWebEngineProcess"),
                    QStringLiteral("libqt6webenginecore6-bin"));
}

// The text a reader sees in the label.
QString ShownText(const QLabel* label) {
    QTextDocument document;
    document.setHtml(label->text());
    return document.toPlainText();
}

TEST(UpdateNotice, LinksAndRichText) {
    const std::vector<NoticeLink> links = NoticeLinks(ThreeBlockNotice(), kSiteUrl);
    const std::vector<NoticeLink> expected = {
        {kSite + "/taiou/dr_updata/rx-210/rx-210.html",
         kSite + "/taiou/dr_updata/rx-210/rx-210.html"},
        {kSite + "/0_recorder/viewer/kolvista/viewer.html",
         kSite + "/0_recorder/viewer/kolvista/viewer.html"},
        {kSite + "/taiou/gps_data/dr_01/dr01.html", kSite + "/taiou/gps_data/dr_01/dr01.html"}};
    EXPECT_EQ(links, expected);

    const QString notice = QStringLiteral(
        "a < b & c\r\nx   →   y\r\nURL : <A HREF=\"http://h/p?a=1&b=2\">page</a> end");
    const QUrl site(QStringLiteral("https://h"));
    EXPECT_EQ(NoticeLinks(notice, site), (std::vector<NoticeLink>{{"http://h/p?a=1&b=2", "page"}}));
    QTextDocument document;
    document.setHtml(NoticeToHtml(notice, site));
    EXPECT_EQ(document.toPlainText(), QStringLiteral("a < b & c\nx   →   y\nURL : page end"));
    const QString html = NoticeToHtml(notice, site);
    EXPECT_TRUE(html.contains(QStringLiteral("<a href=\"http://h/p?a=1&amp;b=2\">page</a>")))
        << html.toStdString();
    EXPECT_TRUE(NoticeLinks(u"no links\r\n", site).empty());
}

// Only http and https addresses on the notice's own site are links; an
// anchor elsewhere, or of another scheme, stays text and opens nothing.
TEST(UpdateNotice, LinksOnlyToTheSitesOwnPages) {
    struct Case {
        const char* address;
        bool link;
    };
    const QUrl site(QStringLiteral("https://update.example.jp"));
    for (const Case& c : {
             Case{"https://update.example.jp/taiou/gps_data/dr_01/dr01.html", true},
             Case{"http://UPDATE.example.jp/page.html", true},
             Case{"file:///etc/passwd", false},
             Case{"javascript:alert(1)", false},
             Case{"ftp://update.example.jp/x", false},
             Case{"https://update.example.jp.evil.example/x", false},
             Case{"https://evil.example/update.example.jp", false},
             Case{"https://update.example.jp:8443/x", false},
             Case{"https://user@update.example.jp/x", false},
             Case{"smb://update.example.jp/share", false},
         }) {
        SCOPED_TRACE(c.address);
        const QString anchor = QStringLiteral("<a href=\"%1\">label</a>").arg(c.address);
        EXPECT_EQ(LinkAllowedOn(QUrl(QString::fromUtf8(c.address)), site), c.link);
        EXPECT_EQ(NoticeLinks(anchor, site).size(), c.link ? 1u : 0u);
        QTextDocument document;
        document.setHtml(NoticeToHtml(anchor, site));
        // A refused anchor reads as the text it is.
        EXPECT_EQ(document.toPlainText(), c.link ? QStringLiteral("label") : anchor);
    }
    // Without a site nothing is a link.
    EXPECT_TRUE(NoticeLinks(u"<a href=\"https://update.example.jp/\">x</a>", QUrl()).empty());
}

// Text from the site goes into the notice escaped: an anchor in a version
// text is shown as it stands, and the notice's own link stays the only one.
TEST(UpdateNotice, ADownloadedAnchorIsTextNotALink) {
    const QString planted = QStringLiteral("<a href=\"file:///etc/passwd\">2.0.1.0</a>");
    const std::vector<UpdateItem> items = {{UpdateKind::Viewer, "2.0.0.0", planted}};
    const QString notice = ComposeUpdateNotice(items, kSite);
    const std::vector<NoticeLink> links = NoticeLinks(notice, kSiteUrl);
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0].address, kSite + "/0_recorder/viewer/kolvista/viewer.html");
    // Even an anchor to the site's own host, planted in a version text, is text.
    const std::vector<UpdateItem> onSite = {
        {UpdateKind::Viewer, "2.0.0.0", "<a href=\"" + kSite + "/evil\">2.0.1.0</a>"}};
    const std::vector<NoticeLink> onSiteLinks =
        NoticeLinks(ComposeUpdateNotice(onSite, kSite), kSiteUrl);
    ASSERT_EQ(onSiteLinks.size(), 1u);
    EXPECT_EQ(onSiteLinks[0].address, kSite + "/0_recorder/viewer/kolvista/viewer.html");
    QTextDocument document;
    document.setHtml(NoticeToHtml(notice, kSiteUrl));
    EXPECT_TRUE(document.toPlainText().contains(QStringLiteral("更新バージョン：") + planted))
        << document.toPlainText().toStdString();
    EXPECT_EQ(NoticeToHtml(notice, kSiteUrl).count(QStringLiteral("<a href=")), 1);
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
    dialog.SetLinkSite(kSiteUrl);
    dialog.show();
    std::vector<QUrl> expected;
    for (const NoticeLink& link : NoticeLinks(dialog.noticeText(), dialog.linkSite())) {
        // What the label reports when its link is clicked.
        Q_EMIT dialog.noticeLabel()->linkActivated(link.address);
        expected.emplace_back(link.address);
    }
    ASSERT_EQ(expected.size(), 3u);
    // Whatever else a click reports, only the site's own pages are opened.
    for (const char* other : {"file:///etc/passwd", "https://evil.example/", "mailto:a@b"}) {
        Q_EMIT dialog.noticeLabel()->linkActivated(QString::fromUtf8(other));
    }
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
    QPointer<CUpdateDialog> dialog = ShowUpdateNotice(ThreeBlockNotice(), kSiteUrl, scale_, fonts_);
    ASSERT_FALSE(dialog.isNull());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->parentWidget(), nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("更新情報"));
    EXPECT_FALSE(dialog->compactLayout());
    EXPECT_EQ(dialog->linkSite(), kSiteUrl);
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
             // A version text holding an anchor: shown as text, one link.
             Shot{"update_notice_planted_anchor.png",
                  ComposeUpdateNotice(std::vector<UpdateItem>{{UpdateKind::Viewer, "2.0.0.0",
                                                               "<a href=\"file:///etc/"
                                                               "passwd\">2.0.1.0</a>"}},
                                      kSite),
                  false, "更新情報", 1.0},
             Shot{"update_notice_compact.png", RuntimeNotice(), true,
                  "地図の表示に必要な Qt WebEngine を起動できません。", 1.0},
         }) {
        const UiScale scale(shot.s, 1.0);
        CUpdateDialog dialog(scale, UiFonts(QStringLiteral("Noto Sans CJK JP"), scale, 96.0));
        dialog.SetNotice(shot.notice, shot.compact);
        if (!shot.compact) {
            dialog.SetLinkSite(kSiteUrl); // as the main window shows the update notice
        }
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
