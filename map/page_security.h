#pragma once

#include "map_settings.h"

#include <QString>
#include <QStringList>
#include <QUrl>

// What the map view lets its page do, as plain rules: which navigations it
// takes, which links go to the desktop's browser, and which addresses the
// page may load anything from. The page only draws the recording's track;
// the host object it talks to hands out the folder's GPS track and moves
// playback, so no content from outside may ever be the page or reach it.
namespace kv::map {

// How the page may be navigated (the web engine's navigation kinds).
enum class NavigationKind {
    LinkClicked,
    Typed,
    FormSubmitted,
    BackForward,
    Reload,
    Other,
    Redirect
};

enum class NavigationVerdict {
    Allow,       // the view goes there
    OpenOutside, // refused; the address goes to the desktop's browser
    Refuse,      // refused; nothing happens
};

// The view stays on its page (bundledPage): a navigation of the top frame is
// taken only when it loads that page (started by the view, a reload, a
// redirect); a link the user clicks is refused and, when it is http or https,
// handed to the desktop's browser; form submissions are always refused. A
// frame inside the page may only show the viewer's own resources (qrc:) or an
// empty document (about:blank).
NavigationVerdict JudgeNavigation(const QUrl& url, NavigationKind kind, bool topFrame,
                                  const QUrl& bundledPage);

// A window the page asks for is never opened: a link the user clicked (with a
// target) goes to the desktop's browser when it is http or https; anything
// else is refused.
NavigationVerdict JudgeNewWindow(const QUrl& url, bool userInitiated);

// The page's own resources: qrc: only. The web channel with the host object
// is offered to a page at such an address and to no other.
bool IsBundled(const QUrl& url);

// The bundled page for a provider: map.html draws with Leaflet,
// map_google.html with Google Maps; each states its own content security
// policy (scripts only from qrc: and, for Google Maps, its API host).
QUrl BundledPageUrl(MapProvider provider);

// Where the page may load anything from besides its own resources: whole
// origins ("https://tile.openstreetmap.org") and host suffixes
// (".googleapis.com": the host and every host under it), https only unless
// an origin names http.
struct PageAllowList {
    QStringList origins;
    QStringList hostSuffixes;
};

// The one list the map page lives with:
//  - Leaflet (no key): the OpenStreetMap tile server, nothing else (the
//    library, its styles and images are bundled);
//  - Google Maps (with a key): the Maps JavaScript API's own hosts, from which
//    it loads its script, tiles, images and fonts (googleapis.com,
//    gstatic.com, google.com, googleusercontent.com).
PageAllowList PageAllowListFor(MapProvider provider);

// Whether the page may request url: its own resources and data:/blob: URLs
// it made itself, or an address on the allow-list.
bool RequestAllowed(const QUrl& url, const PageAllowList& allowed);

} // namespace kv::map
