#pragma once

#include "page_security.h"

#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineUrlRequestInterceptor>

#include <functional>

class QWebEngineNewWindowRequest;

namespace kv::map {

// Hands an address to the desktop's browser; true when it was taken.
using OutsideOpener = std::function<bool(const QUrl&)>;
bool OpenInDesktopBrowser(const QUrl& url);

// Refuses every request of the map page that is not on its allow-list
// (RequestAllowed), so that the page contacts nothing but the map service.
class CMapRequestInterceptor : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT

public:
    explicit CMapRequestInterceptor(PageAllowList allowed, QObject* parent = nullptr);
    void SetAllowList(PageAllowList allowed) { allowed_ = std::move(allowed); }
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

private:
    PageAllowList allowed_;
};

// The map view's page: it stays on its bundled page (JudgeNavigation and
// JudgeNewWindow decide), hands the links a user clicks to the desktop's
// browser and never opens a window of its own.
class CMapWebPage : public QWebEnginePage {
    Q_OBJECT

public:
    CMapWebPage(QUrl bundledPage, QObject* parent = nullptr);

    void SetOutsideOpener(OutsideOpener opener) { openOutside_ = std::move(opener); }
    const QUrl& bundledPage() const { return bundledPage_; }

Q_SIGNALS:
    // A navigation or window the page did not get (also one handed to the
    // desktop's browser).
    void navigationRefused(const QUrl& url);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    void OnNewWindow(QWebEngineNewWindowRequest& request);
    void Apply(NavigationVerdict verdict, const QUrl& url);

    QUrl bundledPage_;
    OutsideOpener openOutside_;
};

} // namespace kv::map
