#pragma once

#include "map_dialog_port.h"
#include "map_settings.h"
#include "map_web_page.h"
#include "page_security.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

class QWebChannel;
class QWebEngineView;

namespace kv::map {

class CMapRequestInterceptor;
class HostWebViewObject;
class IHostWebViewFuncs;

// Zoom of the map page in the web view.
inline constexpr double kMapZoomFactor = 0.65;

// The map dialog: a web view with the map page, filling the dialog. The web
// view starts when the dialog is first painted (or StartWebView is called),
// once. The view stays on the bundled page (CMapWebPage), the page reaches
// nothing outside but its provider's allow-list (CMapRequestInterceptor), and
// the host object "sample" is published on the page's web channel only while
// the view shows a bundled page.
class CGoogleMapDlg2 : public QWidget, public IMapDialog {
    Q_OBJECT

public:
    explicit CGoogleMapDlg2(QWidget* parent = nullptr);
    ~CGoogleMapDlg2() override;

    // The map side the host object calls, and the name of the map library the
    // page draws with (ProviderName: it chooses the page and its allow-list);
    // set right after creation, before the first paint.
    void SetHost(IHostWebViewFuncs* funcs, const QString& providerName);
    // Another page than the bundled one, and another allow-list (tests; before
    // the first paint).
    void SetPageUrl(const QUrl& url) { pageUrl_ = url; }
    void SetAllowList(PageAllowList allowed) { allowList_ = std::move(allowed); }
    // What a link the user clicks is handed to; by default the desktop's browser.
    void SetOutsideOpener(OutsideOpener opener) { openOutside_ = std::move(opener); }

    // Creates the web view, the channel and the host object and loads the
    // page. Only the first call does anything.
    void StartWebView();
    bool started() const { return started_; }
    QWebEngineView* view() const { return view_; }
    CMapWebPage* page() const { return page_; }
    HostWebViewObject* host() const { return host_; }

    void RunScript(const QString& script) override;
    bool PostUpdate(const QString& json) override;

Q_SIGNALS:
    // The web engine itself could not run the page: its process ended before
    // the page had ever loaded. (A page that fails to load is only logged.)
    void webEngineFailed();
    // The page finished loading (ok false: it did not load).
    void pageLoaded(bool ok);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The channel goes with a bundled page only.
    void OfferChannelFor(const QUrl& url);

    IHostWebViewFuncs* funcs_ = nullptr;
    MapProvider provider_ = MapProvider::Leaflet;
    QUrl pageUrl_ = BundledPageUrl(MapProvider::Leaflet);
    PageAllowList allowList_ = PageAllowListFor(MapProvider::Leaflet);
    OutsideOpener openOutside_ = OpenInDesktopBrowser;
    bool started_ = false;
    bool everLoaded_ = false;
    bool channelOffered_ = false;
    QWebEngineView* view_ = nullptr; // child of the dialog
    CMapWebPage* page_ = nullptr;    // child of the view
    CMapRequestInterceptor* interceptor_ = nullptr;
    QWebChannel* channel_ = nullptr;
    HostWebViewObject* host_ = nullptr;
};

} // namespace kv::map
