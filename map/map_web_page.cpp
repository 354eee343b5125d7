#include "map_web_page.h"

#include <QDesktopServices>
#include <QLoggingCategory>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineUrlRequestInfo>

namespace kv::map {

namespace {

Q_LOGGING_CATEGORY(lcMapPage, "kolvista.map.page")

NavigationKind KindOf(QWebEnginePage::NavigationType type) {
    switch (type) {
    case QWebEnginePage::NavigationTypeLinkClicked:
        return NavigationKind::LinkClicked;
    case QWebEnginePage::NavigationTypeTyped:
        return NavigationKind::Typed;
    case QWebEnginePage::NavigationTypeFormSubmitted:
        return NavigationKind::FormSubmitted;
    case QWebEnginePage::NavigationTypeBackForward:
        return NavigationKind::BackForward;
    case QWebEnginePage::NavigationTypeReload:
        return NavigationKind::Reload;
    case QWebEnginePage::NavigationTypeRedirect:
        return NavigationKind::Redirect;
    case QWebEnginePage::NavigationTypeOther:
        break;
    }
    return NavigationKind::Other;
}

} // namespace

bool OpenInDesktopBrowser(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

CMapRequestInterceptor::CMapRequestInterceptor(PageAllowList allowed, QObject* parent)
    : QWebEngineUrlRequestInterceptor(parent), allowed_(std::move(allowed)) {}

void CMapRequestInterceptor::interceptRequest(QWebEngineUrlRequestInfo& info) {
    if (!RequestAllowed(info.requestUrl(), allowed_)) {
        qCInfo(lcMapPage) << "request refused:" << info.requestUrl().toDisplayString();
        info.block(true);
    }
}

CMapWebPage::CMapWebPage(QUrl bundledPage, QObject* parent)
    : QWebEnginePage(parent), bundledPage_(std::move(bundledPage)),
      openOutside_(OpenInDesktopBrowser) {
    connect(this, &QWebEnginePage::newWindowRequested, this, &CMapWebPage::OnNewWindow);
}

bool CMapWebPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    const NavigationVerdict verdict = JudgeNavigation(url, KindOf(type), isMainFrame, bundledPage_);
    if (verdict == NavigationVerdict::Allow) {
        return true;
    }
    Apply(verdict, url);
    return false;
}

QWebEnginePage* CMapWebPage::createWindow(WebWindowType) {
    return nullptr;
}

void CMapWebPage::OnNewWindow(QWebEngineNewWindowRequest& request) {
    // Never opened here (the request stays unanswered, so no window exists).
    Apply(JudgeNewWindow(request.requestedUrl(), request.isUserInitiated()),
          request.requestedUrl());
}

void CMapWebPage::Apply(NavigationVerdict verdict, const QUrl& url) {
    if (verdict == NavigationVerdict::OpenOutside && openOutside_) {
        qCInfo(lcMapPage) << "opened in the desktop's browser:" << url.toDisplayString();
        openOutside_(url);
    } else {
        qCInfo(lcMapPage) << "navigation refused:" << url.toDisplayString();
    }
    Q_EMIT navigationRefused(url);
}

} // namespace kv::map
