#include "page_security.h"

namespace kv::map {

namespace {

bool IsWeb(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == u"http" || scheme == u"https";
}

// The same document, whatever the fragment (a jump inside the page is the
// page) and however the empty authority of qrc:/// is written.
bool SamePage(const QUrl& a, const QUrl& b) {
    const QUrl::FormattingOptions path = QUrl::NormalizePathSegments;
    return a.scheme().compare(b.scheme(), Qt::CaseInsensitive) == 0 &&
           a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && a.port(-1) == b.port(-1) &&
           a.adjusted(path).path() == b.adjusted(path).path() && a.query() == b.query();
}

bool SameOrigin(const QUrl& url, const QUrl& origin) {
    return url.scheme().compare(origin.scheme(), Qt::CaseInsensitive) == 0 &&
           url.host().compare(origin.host(), Qt::CaseInsensitive) == 0 &&
           url.port(-1) == origin.port(-1);
}

bool UnderSuffix(const QString& host, const QString& suffix) {
    // ".googleapis.com" takes "googleapis.com" and "maps.googleapis.com".
    const QString bare = suffix.startsWith(u'.') ? suffix.mid(1) : suffix;
    return host.compare(bare, Qt::CaseInsensitive) == 0 ||
           host.endsWith(u'.' + bare, Qt::CaseInsensitive);
}

} // namespace

NavigationVerdict JudgeNavigation(const QUrl& url, NavigationKind kind, bool topFrame,
                                  const QUrl& bundledPage) {
    if (kind == NavigationKind::FormSubmitted) {
        return NavigationVerdict::Refuse;
    }
    if (!topFrame) {
        const QString scheme = url.scheme().toLower();
        if (scheme == u"qrc" || url.toString() == u"about:blank") {
            return kind == NavigationKind::LinkClicked ? NavigationVerdict::Refuse
                                                       : NavigationVerdict::Allow;
        }
        return NavigationVerdict::Refuse;
    }
    if (kind == NavigationKind::LinkClicked) {
        return IsWeb(url) ? NavigationVerdict::OpenOutside : NavigationVerdict::Refuse;
    }
    if (SamePage(url, bundledPage)) {
        return NavigationVerdict::Allow;
    }
    return NavigationVerdict::Refuse;
}

NavigationVerdict JudgeNewWindow(const QUrl& url, bool userInitiated) {
    return userInitiated && IsWeb(url) ? NavigationVerdict::OpenOutside : NavigationVerdict::Refuse;
}

bool IsBundled(const QUrl& url) {
    return url.scheme().compare(u"qrc", Qt::CaseInsensitive) == 0;
}

QUrl BundledPageUrl(MapProvider provider) {
    return QUrl(provider == MapProvider::Google ? QStringLiteral("qrc:///map/map_google.html")
                                                : QStringLiteral("qrc:///map/map.html"));
}

PageAllowList PageAllowListFor(MapProvider provider) {
    PageAllowList list;
    if (provider == MapProvider::Google) {
        list.hostSuffixes = {QStringLiteral(".googleapis.com"), QStringLiteral(".gstatic.com"),
                             QStringLiteral(".google.com"),
                             QStringLiteral(".googleusercontent.com")};
    } else {
        list.origins = {QStringLiteral("https://tile.openstreetmap.org")};
    }
    return list;
}

bool RequestAllowed(const QUrl& url, const PageAllowList& allowed) {
    const QString scheme = url.scheme().toLower();
    if (scheme == u"qrc" || scheme == u"data" || scheme == u"blob") {
        return true;
    }
    if (!IsWeb(url) || url.host().isEmpty()) {
        return false;
    }
    for (const QString& origin : allowed.origins) {
        if (SameOrigin(url, QUrl(origin))) {
            return true;
        }
    }
    if (scheme != u"https") {
        return false;
    }
    for (const QString& suffix : allowed.hostSuffixes) {
        if (UnderSuffix(url.host(), suffix)) {
            return true;
        }
    }
    return false;
}

} // namespace kv::map
