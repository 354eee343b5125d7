// The text rules of the update check: where a version text is taken from a
// downloaded body, the firmware cut, the GPS date and the notice's length.

#include "qt_printers.h"
#include "update_rules.h"

#include <QByteArray>
#include <QString>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace kv::settings {
namespace {

struct BodyCase {
    const char* name;
    QByteArray body;
    bool withMarker;
    std::optional<QString> text;
};

TEST(UpdateRules, VersionTextOfABody) {
    const QByteArray chunk(kVersionChunkSize, 'x');
    const std::vector<BodyCase> cases = {
        {"marker at the start", "VER:1.2.3", true, QStringLiteral("1.2.3")},
        {"line ends stay", "model RX\r\nVER:2.0.0.1\r\n", true, QStringLiteral("2.0.0.1\r\n")},
        {"no marker", "2.0.0.1", true, std::nullopt},
        {"marker only in the second chunk", chunk + "VER:2.0.0.1", true, std::nullopt},
        {"marker across the chunk end", chunk.left(kVersionChunkSize - 2) + "VER:2", true,
         std::nullopt},
        {"text of the first chunk only", chunk.left(kVersionChunkSize - 6) + "VER:12" + "34", true,
         QStringLiteral("12")},
        {"zero byte ends the chunk", QByteArray("VER:1.2\0VER:9", 13), true, QStringLiteral("1.2")},
        {"zero byte before the marker", QByteArray("x\0VER:1.2", 9), true, std::nullopt},
        {"Shift_JIS", "VER:\x82\xa0", true, QStringLiteral("あ")},
        {"cut to 259", "VER:" + QByteArray(300, '7'), true, QString(kMaxVersionText, u'7')},
        {"plain text", "220301", false, QStringLiteral("220301")},
        {"plain text keeps line ends", "220301\r\n", false, QStringLiteral("220301\r\n")},
        {"last chunk of a long text", chunk + "220301", false, QStringLiteral("220301")},
        {"a text of exactly one chunk", chunk, false, QString(259, u'x')},
        {"empty text", "", false, QString()},
    };
    for (const BodyCase& c : cases) {
        const auto text =
            VersionTextFromBody(c.body, c.withMarker ? kVersionMarker : QStringView());
        EXPECT_EQ(text, c.text) << c.name;
    }
}

struct TextPair {
    QString in;
    QString out;
};

TEST(UpdateRules, FirmwareVersionIsCutAtItsThirdDot) {
    for (const TextPair& c : {
             TextPair{"1.2.3.4", "1.2.3"},
             TextPair{"1.2.3", "1.2.3"},
             TextPair{"10.20.30.40.50", "10.20.30"},
             TextPair{"1.2.", "1.2."},
             TextPair{"1..2.3", "1..2"},
             TextPair{"", ""},
         }) {
        EXPECT_EQ(CutAtThirdDot(c.in), c.out) << c.in.toStdString();
    }
}

TEST(UpdateRules, GpsNumberIsWrittenAsADate) {
    for (const TextPair& c : {
             TextPair{"211015", "21/10/15"},
             TextPair{"2110", "21/10"},
             TextPair{"22030112", "22/03/0112"},
             TextPair{"2203011231", "22/03/0112/31"},
             TextPair{"220301\r\n", "22/03/01\r\n"},
             TextPair{"2", "2"},
             TextPair{"", ""},
         }) {
        EXPECT_EQ(FormatGpsDate(c.in), c.out) << c.in.toStdString();
    }
}

TEST(UpdateRules, SiteAddressOfTheHostSetting) {
    struct Case {
        QString host;
        QString site;
    };
    for (const Case& c : {
             // Without a scheme the site is asked over HTTPS.
             Case{"www.example.jp", "https://www.example.jp"},
             Case{" 127.0.0.1:8080/ ", "https://127.0.0.1:8080"},
             Case{"https://www.example.jp/", "https://www.example.jp"},
             Case{"http://www.example.jp", "http://www.example.jp"},
             Case{"HTTP://www.example.jp/base/", "http://www.example.jp/base"},
             Case{"", ""},
             // No web address: no site, so the check asks no one and links nowhere.
             Case{"file:///etc", ""},
             Case{"javascript:alert(1)", ""},
             Case{"ftp://www.example.jp", ""},
             Case{"www.example.jp\"><a href=\"file:///etc/passwd", ""},
             Case{"https://user@www.example.jp", ""},
             Case{"www.example.jp/?q=1", ""},
         }) {
        EXPECT_EQ(SiteAddress(c.host), c.site) << c.host.toStdString();
    }
}

TEST(UpdateRules, OutsideTextIsEscapedForTheNotice) {
    EXPECT_EQ(EscapeNoticeText(u"<a href=\"x\">1 & 2</a>"),
              QStringLiteral("&lt;a href=&quot;x&quot;&gt;1 &amp; 2&lt;/a&gt;"));
    EXPECT_EQ(EscapeNoticeText(u"2.0.1.0\r\n"), QStringLiteral("2.0.1.0\r\n"));
}

// The GPS-data text is the version itself; the site's file may end its line
// (CR LF, LF, blanks), which is no newer version.
TEST(UpdateRules, GpsDataTextIsComparedWithoutItsLineEnd) {
    struct Case {
        const char* text;
        bool update;
        QString latest;
    };
    for (const Case& c : {
             Case{"211015\r\n", false, {}},
             Case{"211015\n", false, {}},
             Case{" 211015 \r\n", false, {}},
             Case{"211015", false, {}},
             Case{"220301\r\n", true, QStringLiteral("22/03/01")},
         }) {
        SCOPED_TRACE(c.text);
        const RecorderStrings recorder{QString(), QStringLiteral("211015"), QString(), QString()};
        const VersionFetcher fetch = [&](QStringView path, QStringView) -> std::optional<QString> {
            if (path == kGpsTextPath) {
                return QString::fromUtf8(c.text);
            }
            return std::nullopt;
        };
        const std::vector<UpdateItem> items = FindUpdates(recorder, fetch);
        ASSERT_EQ(items.size(), c.update ? 1u : 0u);
        if (c.update) {
            EXPECT_EQ(items[0], (UpdateItem{UpdateKind::GpsData, "21/10/15", c.latest}));
        }
    }
}

TEST(UpdateRules, NoticeOfNothingIsEmptyAndALongNoticeIsCut) {
    EXPECT_TRUE(ComposeUpdateNotice({}, u"http://site").isEmpty());

    const QString longText(kMaxVersionText, u'9');
    const std::vector<UpdateItem> items = {{UpdateKind::Firmware, longText, longText},
                                           {UpdateKind::Viewer, longText, longText},
                                           {UpdateKind::GpsData, longText, longText}};
    const QString notice = ComposeUpdateNotice(items, u"http://site");
    EXPECT_EQ(notice.size(), kMaxNoticeLength);
    EXPECT_TRUE(notice.startsWith(QStringLiteral("新しいバージョンのソフトを利用できます。")));
}

} // namespace
} // namespace kv::settings
