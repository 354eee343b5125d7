// The update check on its worker thread against a small web site served by
// the test on 127.0.0.1: which version texts it fetches, which updates it
// finds, the notice it composes, and its silence when the site fails.

#include "notice_markup.h"
#include "qt_printers.h"
#include "update_check.h"
#include "version_site.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHostAddress>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <vector>

namespace kv::settings {
namespace {

using test::VersionSite;

UpdateCheckOptions OptionsFor(const QString& host) {
    UpdateCheckOptions options;
    options.host = host;
    options.attempts = 2;
    options.retryPauseMs = 0;
    options.timeoutMs = 20000;
    return options;
}

struct Outcome {
    QStringList notices;
    bool finished = false;
    bool reportedOnOwnerThread = true;
    QString updateMessage;
};

// Starts a check and turns the event loop until it reports its end.
Outcome RunCheck(const UpdateCheckOptions& options, const RecorderStrings& recorder) {
    CUpdateCheck check(options);
    Outcome outcome;
    QEventLoop loop;
    QObject::connect(&check, &CUpdateCheck::updateFound, [&](const QString& notice) {
        outcome.notices.append(notice);
        outcome.reportedOnOwnerThread &= QThread::currentThread() == check.thread();
    });
    QObject::connect(&check, &CUpdateCheck::finished, [&] {
        outcome.finished = true;
        outcome.reportedOnOwnerThread &= QThread::currentThread() == check.thread();
        loop.quit();
    });
    // Only a guard against a check that never ends; the test then fails below.
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    EXPECT_TRUE(check.StartUpdateCheck(recorder.firmware, recorder.gpsData, recorder.spare,
                                       recorder.model));
    loop.exec();
    EXPECT_EQ(check.ended(), outcome.finished);
    outcome.updateMessage = check.updateMessage();
    return outcome;
}

const QString kIntro = QStringLiteral("新しいバージョンのソフトを利用できます。\r\n"
                                      "ダウンロードする場合は下記URLをクリックしてください。");
const QString kFirmwareTitle = QStringLiteral("ドライブレコーダー本体");
const QString kViewerTitle = QStringLiteral("ビューワーソフト");
const QString kGpsTitle = QStringLiteral("GPSデータ情報");

// One block of a notice as a reader sees it.
struct Block {
    QString title;
    QString current;
    QString latest;
    QString page; // path on the site
    bool operator==(const Block&) const = default;
};

void PrintTo(const Block& b, std::ostream* os) {
    *os << b.title.toStdString() << ": [" << b.current.toStdString() << "] -> ["
        << b.latest.toStdString() << "] " << b.page.toStdString();
}

// The blocks of a notice; the link's address and label must both be the
// page's address on site.
std::vector<Block> BlocksOf(const QString& notice, const QString& site) {
    static const QRegularExpression pattern(
        QStringLiteral("([^\r\n]+):\r\n現在のバージョン：(.*?)   →   更新バージョン：(.*?)"
                       "\r\n\r\nURL : <a href=\"([^\"]*)\">([^<]*)</a>"),
        QRegularExpression::DotMatchesEverythingOption);
    std::vector<Block> blocks;
    QRegularExpressionMatchIterator it = pattern.globalMatch(notice);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        EXPECT_EQ(m.captured(4), m.captured(5));
        QString page = m.captured(4);
        EXPECT_TRUE(page.startsWith(site)) << page.toStdString();
        blocks.push_back({m.captured(1), m.captured(2), m.captured(3), page.mid(site.size())});
    }
    return blocks;
}

struct SiteCase {
    const char* name;
    RecorderStrings recorder;
    std::vector<std::pair<QStringView, QByteArray>> files;
    std::vector<Block> expected; // none: no notice at all
    QStringList requested;       // paths, in order
};

void PrintTo(const SiteCase& c, std::ostream* os) {
    *os << c.name;
}

const QString kFw = kFirmwareTextPath.toString();
const QString kViewer = kViewerTextPath.toString();
const QString kGps = kGpsTextPath.toString();

class UpdateCheckSite : public ::testing::TestWithParam<SiteCase> {};

TEST_P(UpdateCheckSite, FindsWhatIsNewer) {
    const SiteCase& c = GetParam();
    VersionSite site;
    for (const auto& [path, body] : c.files) {
        site.Serve(path, body);
    }
    const Outcome outcome = RunCheck(OptionsFor(site.host()), c.recorder);
    ASSERT_TRUE(outcome.finished);
    EXPECT_TRUE(outcome.reportedOnOwnerThread);
    EXPECT_EQ(site.requested(), c.requested);
    if (c.expected.empty()) {
        EXPECT_TRUE(outcome.notices.isEmpty()) << outcome.notices.join(u'|').toStdString();
        EXPECT_TRUE(outcome.updateMessage.isEmpty());
        return;
    }
    ASSERT_EQ(outcome.notices.size(), 1);
    const QString& notice = outcome.notices.front();
    EXPECT_EQ(outcome.updateMessage, notice);
    EXPECT_TRUE(notice.startsWith(kIntro + QStringLiteral("\r\n\r\n"))) << notice.toStdString();
    EXPECT_EQ(BlocksOf(notice, site.host()), c.expected);
    EXPECT_EQ(notice.endsWith(QStringLiteral("</a>\r\n")), c.expected.size() > 1);
}

const RecorderStrings kNoCard{};
const RecorderStrings kCard123{"1.2.3", "", "", "4620-KTR"};

INSTANTIATE_TEST_SUITE_P(
    Cases, UpdateCheckSite,
    ::testing::Values(
        SiteCase{"another model never looks for firmware",
                 {"1.2.3", "", "", "4620-KTX"},
                 {{kFirmwareTextPath, "VER:9.9.9"}, {kViewerTextPath, "VER:2.0.0.1"}},
                 {{kViewerTitle, "2.0.0.0", "2.0.0.1", kViewerPagePath.toString()}},
                 {kViewer}},
        SiteCase{"firmware equal after the cut at the third dot",
                 kCard123,
                 {{kFirmwareTextPath, "VER:1.2.3.4\r\n"}, {kViewerTextPath, "VER:2.0.0.0"}},
                 {},
                 {kFw, kViewer}},
        SiteCase{"newer firmware shown with .0 appended",
                 kCard123,
                 {{kFirmwareTextPath, "VER:1.2.4"}, {kViewerTextPath, "VER:2.0.0.0"}},
                 {{kFirmwareTitle, "1.2.3.0", "1.2.4.0", kFirmwarePagePath.toString()}},
                 {kFw, kViewer}},
        SiteCase{"a card without firmware version announces no firmware",
                 {"", "", "", "4620-KTR"},
                 {{kFirmwareTextPath, "VER:1.2.4"}, {kViewerTextPath, "VER:2.0.0.0"}},
                 {},
                 {kFw, kViewer}},
        SiteCase{"viewer text with its line end counts as newer",
                 kNoCard,
                 {{kViewerTextPath, "VER:2.0.0.0\r\n"}},
                 {{kViewerTitle, "2.0.0.0", "2.0.0.0\r\n", kViewerPagePath.toString()}},
                 {kViewer}},
        SiteCase{"no card: only the viewer is checked",
                 kNoCard,
                 {{kFirmwareTextPath, "VER:9.9.9"},
                  {kViewerTextPath, "VER:2.1.0.0"},
                  {kGpsTextPath, "991231"}},
                 {{kViewerTitle, "2.0.0.0", "2.1.0.0", kViewerPagePath.toString()}},
                 {kViewer}},
        SiteCase{"GPS numbers shown as dates",
                 {"", "211015", "", ""},
                 {{kViewerTextPath, "VER:2.0.0.0"}, {kGpsTextPath, "220301"}},
                 {{kGpsTitle, "21/10/15", "22/03/01", kGpsPagePath.toString()}},
                 {kViewer, kGps}},
        SiteCase{"same GPS data",
                 {"", "211015", "", ""},
                 {{kViewerTextPath, "VER:2.0.0.0"}, {kGpsTextPath, "211015"}},
                 {},
                 {kViewer, kGps}},
        SiteCase{"missing GPS text silences every other update",
                 {"1.2.3", "211015", "", "4620-KTR"},
                 {{kFirmwareTextPath, "VER:1.2.4"}, {kViewerTextPath, "VER:3.0.0.0"}},
                 {},
                 {kFw, kViewer, kGps}},
        SiteCase{"missing viewer text: the others still count",
                 {"1.2.3", "211015", "", "4620-KTR"},
                 {{kFirmwareTextPath, "VER:1.2.4"}, {kGpsTextPath, "220301"}},
                 {{kFirmwareTitle, "1.2.3.0", "1.2.4.0", kFirmwarePagePath.toString()},
                  {kGpsTitle, "21/10/15", "22/03/01", kGpsPagePath.toString()}},
                 {kFw, kViewer, kGps}},
        SiteCase{"viewer text without its marker",
                 kNoCard,
                 {{kViewerTextPath, "2.0.0.1"}},
                 {},
                 {kViewer}},
        SiteCase{"marker after the first chunk",
                 kNoCard,
                 {{kViewerTextPath, QByteArray(kVersionChunkSize, ' ') + "VER:2.0.0.1"}},
                 {},
                 {kViewer}}),
    [](const ::testing::TestParamInfo<SiteCase>& info) {
        std::string name = info.param.name;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c))) {
                c = '_';
            }
        }
        return name;
    });

TEST(UpdateCheck, NoticeOfThreeUpdates) {
    VersionSite site;
    site.Serve(kFirmwareTextPath, "VER:1.2.4.7\r\n");
    site.Serve(kViewerTextPath, "VER:2.0.1.0");
    site.Serve(kGpsTextPath, "220301");
    const Outcome outcome = RunCheck(OptionsFor(site.host()), {"1.2.3", "211015", "", "4620-KTR"});
    ASSERT_EQ(outcome.notices.size(), 1);
    const QString s = site.host();
    const QString expected =
        kIntro +
        QStringLiteral("\r\n\r\nドライブレコーダー本体:\r\n現在のバージョン：1.2.3.0   →   "
                       "更新バージョン：1.2.4.0\r\n\r\nURL : <a href=\"") +
        s + QStringLiteral("/taiou/dr_updata/rx-210/rx-210.html\">") + s +
        QStringLiteral("/taiou/dr_updata/rx-210/rx-210.html</a>") +
        QStringLiteral("\r\n\r\n\r\nビューワーソフト:\r\n現在のバージョン：2.0.0.0   →   "
                       "更新バージョン：2.0.1.0\r\n\r\nURL : <a href=\"") +
        s + QStringLiteral("/0_recorder/viewer/kolvista/viewer.html\">") + s +
        QStringLiteral("/0_recorder/viewer/kolvista/viewer.html</a>") +
        QStringLiteral("\r\n\r\n\r\nGPSデータ情報:\r\n現在のバージョン：21/10/15   →   "
                       "更新バージョン：22/03/01\r\n\r\nURL : <a href=\"") +
        s + QStringLiteral("/taiou/gps_data/dr_01/dr01.html\">") + s +
        QStringLiteral("/taiou/gps_data/dr_01/dr01.html</a>\r\n");
    EXPECT_EQ(outcome.notices.front(), expected);
}

// Anyone on the way can change what the site answers: an anchor in a version
// text reaches the notice as text, and the notice links only to the site.
TEST(UpdateCheck, AnchorsInTheSitesTextsAreNoLinks) {
    VersionSite site;
    site.Serve(kViewerTextPath, "VER:<a href=\"file:///etc/passwd\">2.0.1.0</a>");
    const Outcome outcome = RunCheck(OptionsFor(site.host()), kNoCard);
    ASSERT_EQ(outcome.notices.size(), 1);
    const QString notice = outcome.notices.front();
    EXPECT_FALSE(notice.contains(QStringLiteral("<a href=\"file:"))) << notice.toStdString();
    EXPECT_TRUE(notice.contains(QStringLiteral(
        "更新バージョン：&lt;a href=&quot;file:///etc/passwd&quot;&gt;2.0.1.0&lt;/a&gt;")))
        << notice.toStdString();
    const std::vector<NoticeLink> links = NoticeLinks(notice, QUrl(site.host()));
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0].address,
              site.host() + QStringLiteral("/0_recorder/viewer/kolvista/viewer.html"));
}

// A host without a scheme is asked over HTTPS; the site's certificate must be
// trusted (here: the test's own), else the check stays silent.
TEST(UpdateCheck, AHostWithoutSchemeIsAskedOverHttps) {
    VersionSite site(test::Scheme::Https);
    site.Serve(kViewerTextPath, "VER:2.0.1.0");
    const QString bare = site.host().mid(QStringLiteral("https://").size());
    ASSERT_TRUE(bare.startsWith(QStringLiteral("127.0.0.1:")));

    UpdateCheckOptions trusting = OptionsFor(bare);
    trusting.extraAuthorities = {test::SiteCertificate()};
    const Outcome outcome = RunCheck(trusting, kNoCard);
    ASSERT_EQ(outcome.notices.size(), 1);
    EXPECT_EQ(site.requested(), QStringList{kViewer});
    EXPECT_EQ(BlocksOf(outcome.notices.front(), site.host()),
              (std::vector<Block>{{kViewerTitle, "2.0.0.0", "2.0.1.0",
                                   "/0_recorder/viewer/kolvista/viewer.html"}}));

    // Without trusting it: no answer is taken, nothing is announced.
    const Outcome untrusted = RunCheck(OptionsFor(bare), kNoCard);
    EXPECT_TRUE(untrusted.finished);
    EXPECT_TRUE(untrusted.notices.isEmpty());
    EXPECT_EQ(site.requested(), QStringList{kViewer});
}

TEST(UpdateCheck, SilentWhenTheSiteIsDown) {
    QString host;
    {
        VersionSite gone; // a port that was just free and is closed again
        host = gone.host();
    }
    const Outcome outcome = RunCheck(OptionsFor(host), {"1.2.3", "211015", "", "4620-KTR"});
    EXPECT_TRUE(outcome.finished);
    EXPECT_TRUE(outcome.notices.isEmpty());
    EXPECT_TRUE(outcome.updateMessage.isEmpty());
}

TEST(UpdateCheck, FailedRequestsAreTriedAgainAFewTimesOnly) {
    // A server that closes every connection without an answer.
    QTcpServer closer;
    ASSERT_TRUE(closer.listen(QHostAddress::LocalHost, 0));
    int connections = 0;
    QObject::connect(&closer, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* socket = closer.nextPendingConnection()) {
            ++connections;
            socket->abort();
            socket->deleteLater();
        }
    });
    UpdateCheckOptions options =
        OptionsFor(QStringLiteral("http://127.0.0.1:%1").arg(closer.serverPort()));
    options.attempts = 3;
    const Outcome outcome = RunCheck(options, kNoCard);
    EXPECT_TRUE(outcome.finished);
    EXPECT_TRUE(outcome.notices.isEmpty());
    // The viewer text alone: three tries (Qt may reconnect once inside a try).
    EXPECT_GE(connections, 3);
    EXPECT_LE(connections, 6);
}

TEST(UpdateCheck, RunsOncePerObject) {
    VersionSite site;
    site.Serve(kViewerTextPath, "VER:2.0.0.1");
    CUpdateCheck check(OptionsFor(site.host()));
    QEventLoop loop;
    int notices = 0;
    QObject::connect(&check, &CUpdateCheck::updateFound, [&] { ++notices; });
    QObject::connect(&check, &CUpdateCheck::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    EXPECT_FALSE(check.started());
    EXPECT_TRUE(check.StartUpdateCheck({}, {}, {}, {}));
    EXPECT_TRUE(check.started());
    EXPECT_FALSE(check.StartUpdateCheck({}, {}, {}, {}));
    loop.exec();
    EXPECT_FALSE(check.StartUpdateCheck({}, {}, {}, {}));
    QCoreApplication::processEvents();
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(site.requested(), QStringList{kViewer});
}

TEST(UpdateCheck, WithoutAHostNothingIsFetched) {
    const Outcome outcome = RunCheck(OptionsFor(QString()), kCard123);
    EXPECT_TRUE(outcome.finished);
    EXPECT_TRUE(outcome.notices.isEmpty());
}

TEST(UpdateCheck, DestroyingTheCheckEndsAPendingRequest) {
    VersionSite site;
    site.Hang();
    bool found = false;
    {
        CUpdateCheck check(OptionsFor(site.host()));
        QObject::connect(&check, &CUpdateCheck::updateFound, [&] { found = true; });
        check.StartUpdateCheck({}, {}, {}, {});
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!site.requested().isEmpty()) {
                loop.quit();
            }
        });
        poll.start(10);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
        ASSERT_EQ(site.requested(), QStringList{kViewer});
    } // waits for the worker, whose request never gets an answer
    QCoreApplication::processEvents();
    EXPECT_FALSE(found);
}

TEST(UpdateCheck, HostComesFromTheSettingsFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const SettingsStore store{dir.filePath(QStringLiteral("Default_Folder.ini")), dir.path()};
    EXPECT_EQ(ReadUpdateHost(store), QString());
    ASSERT_TRUE(WriteSetting(store, u"UPDATE", u"HOST", u"127.0.0.1:8080"));
    EXPECT_EQ(ReadUpdateHost(store), QStringLiteral("127.0.0.1:8080"));
}

} // namespace
} // namespace kv::settings
