// What the map view lets its page do: the navigations it takes, the links and
// windows it hands to the desktop's browser, and the addresses the page may
// load anything from.

#include "page_security.h"

#include <gtest/gtest.h>

#include <vector>

namespace kv::map {
namespace {

const QUrl kPage(QStringLiteral("qrc:///map/map.html"));

TEST(PageSecurity, NavigationsOfTheMapView) {
    using K = NavigationKind;
    using V = NavigationVerdict;
    struct Case {
        const char* url;
        K kind;
        bool topFrame;
        V verdict;
    };
    const std::vector<Case> cases = {
        // The view loads its page, reloads it, jumps inside it.
        {"qrc:///map/map.html", K::Typed, true, V::Allow},
        {"qrc:/map/map.html", K::Reload, true, V::Allow},
        {"qrc:///map/map.html#top", K::Other, true, V::Allow},
        // Anything else for the top frame is refused...
        {"https://leafletjs.com", K::Typed, true, V::Refuse},
        {"http://127.0.0.1:8000/evil.html", K::Other, true, V::Refuse},
        {"http://127.0.0.1:8000/evil.html", K::Redirect, true, V::Refuse},
        {"qrc:///map/leaflet/LICENSE", K::Other, true, V::Refuse},
        {"file:///etc/passwd", K::Typed, true, V::Refuse},
        {"qrc:///map/map.html", K::BackForward, true, V::Allow},
        // ... a clicked web link goes to the desktop's browser, any other not.
        {"https://leafletjs.com", K::LinkClicked, true, V::OpenOutside},
        {"http://www.openstreetmap.org/copyright", K::LinkClicked, true, V::OpenOutside},
        {"file:///etc/passwd", K::LinkClicked, true, V::Refuse},
        {"qrc:///map/map.html", K::LinkClicked, true, V::Refuse},
        {"data:text/html,<b>x</b>", K::LinkClicked, true, V::Refuse},
        // Forms never.
        {"qrc:///map/map.html", K::FormSubmitted, true, V::Refuse},
        {"https://example.com/", K::FormSubmitted, true, V::Refuse},
        // Frames inside the page: only the viewer's resources or an empty one.
        {"about:blank", K::Other, false, V::Allow},
        {"qrc:///map/icons/shadow.svg", K::Other, false, V::Allow},
        {"https://example.com/", K::Other, false, V::Refuse},
        {"https://example.com/", K::LinkClicked, false, V::Refuse},
        {"qrc:///map/map.html", K::LinkClicked, false, V::Refuse},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(JudgeNavigation(QUrl(QString::fromUtf8(c.url)), c.kind, c.topFrame, kPage),
                  c.verdict)
            << c.url << " kind " << static_cast<int>(c.kind) << " top " << c.topFrame;
    }
}

TEST(PageSecurity, NewWindowsAreNeverOpened) {
    using V = NavigationVerdict;
    EXPECT_EQ(JudgeNewWindow(QUrl(QStringLiteral("https://maps.google.com/")), true),
              V::OpenOutside);
    EXPECT_EQ(JudgeNewWindow(QUrl(QStringLiteral("http://example.com/")), true), V::OpenOutside);
    EXPECT_EQ(JudgeNewWindow(QUrl(QStringLiteral("https://example.com/")), false), V::Refuse);
    EXPECT_EQ(JudgeNewWindow(QUrl(QStringLiteral("file:///etc/passwd")), true), V::Refuse);
    EXPECT_EQ(JudgeNewWindow(QUrl(QStringLiteral("qrc:///map/map.html")), true), V::Refuse);
}

TEST(PageSecurity, TheChannelGoesWithBundledPagesOnly) {
    EXPECT_TRUE(IsBundled(QUrl(QStringLiteral("qrc:///map/map.html"))));
    EXPECT_TRUE(IsBundled(BundledPageUrl(MapProvider::Google)));
    EXPECT_TRUE(IsBundled(BundledPageUrl(MapProvider::Leaflet)));
    EXPECT_FALSE(IsBundled(QUrl(QStringLiteral("http://127.0.0.1/evil.html"))));
    EXPECT_FALSE(IsBundled(QUrl(QStringLiteral("file:///work/map.html"))));
    EXPECT_FALSE(IsBundled(QUrl(QStringLiteral("data:text/html,x"))));
    EXPECT_NE(BundledPageUrl(MapProvider::Google), BundledPageUrl(MapProvider::Leaflet));
}

TEST(PageSecurity, RequestsOnlyToTheProvidersAllowList) {
    struct Case {
        const char* url;
        bool leaflet;
        bool google;
    };
    const std::vector<Case> cases = {
        {"qrc:///map/leaflet/leaflet.js", true, true},
        {"data:image/png;base64,AAAA", true, true},
        {"https://tile.openstreetmap.org/16/58210/25803.png", true, false},
        {"http://tile.openstreetmap.org/16/1/1.png", false, false},
        {"https://tile.openstreetmap.org:8443/16/1/1.png", false, false},
        {"https://a.tile.openstreetmap.org/1/1/1.png", false, false},
        {"https://maps.googleapis.com/maps/api/js?key=k&v=3&callback=loadLibs", false, true},
        {"https://maps.gstatic.com/mapfiles/x.png", false, true},
        {"https://khms0.googleapis.com/kh?v=1", false, true},
        {"https://fonts.gstatic.com/s/roboto.woff2", false, true},
        {"https://lh3.googleusercontent.com/p.jpg", false, true},
        {"http://maps.googleapis.com/maps/api/js", false, false},
        {"https://googleapis.com.evil.example/x.js", false, false},
        {"https://evilgoogleapis.com/x.js", false, false},
        {"http://127.0.0.1:8000/evil.html", false, false},
        {"https://leafletjs.com/", false, false},
        {"file:///etc/passwd", false, false},
        {"ws://127.0.0.1:9/", false, false},
    };
    const PageAllowList leaflet = PageAllowListFor(MapProvider::Leaflet);
    const PageAllowList google = PageAllowListFor(MapProvider::Google);
    for (const Case& c : cases) {
        const QUrl url(QString::fromUtf8(c.url));
        EXPECT_EQ(RequestAllowed(url, leaflet), c.leaflet) << "Leaflet " << c.url;
        EXPECT_EQ(RequestAllowed(url, google), c.google) << "Google " << c.url;
    }
    // An origin of its own (a test site) names its scheme and port.
    PageAllowList local;
    local.origins = {QStringLiteral("http://127.0.0.1:8000")};
    EXPECT_TRUE(RequestAllowed(QUrl(QStringLiteral("http://127.0.0.1:8000/x")), local));
    EXPECT_FALSE(RequestAllowed(QUrl(QStringLiteral("http://127.0.0.1:8001/x")), local));
    EXPECT_FALSE(RequestAllowed(QUrl(QStringLiteral("https://127.0.0.1:8000/x")), local));
}

} // namespace
} // namespace kv::map
