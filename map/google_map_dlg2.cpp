#include "google_map_dlg2.h"

#include "HostWebViewObject.h"

#include <QLoggingCategory>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace kv::map {

namespace {
Q_LOGGING_CATEGORY(lcMapView, "kolvista.map.view")
}

CGoogleMapDlg2::CGoogleMapDlg2(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CGoogleMapDlg2::~CGoogleMapDlg2() {
    if (host_) {
        host_->Detach();
    }
    if (channel_ && host_) {
        channel_->deregisterObject(host_);
    }
    // The view (and its page) go before the channel and the host they use.
    delete view_;
    view_ = nullptr;
}

void CGoogleMapDlg2::SetHost(IHostWebViewFuncs* funcs, const QString& providerName) {
    funcs_ = funcs;
    const MapProvider provider = ProviderFromName(providerName);
    provider_ = provider;
    pageUrl_ = BundledPageUrl(provider);
    allowList_ = PageAllowListFor(provider);
}

void CGoogleMapDlg2::StartWebView() {
    if (started_) {
        return;
    }
    started_ = true;
    view_ = new QWebEngineView(this);
    page_ = new CMapWebPage(pageUrl_, view_);
    page_->SetOutsideOpener(openOutside_);
    interceptor_ = new CMapRequestInterceptor(allowList_, page_);
    page_->setUrlRequestInterceptor(interceptor_);
    view_->setPage(page_);
    QWebEngineSettings* settings = page_->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);

    channel_ = new QWebChannel(this);
    host_ = new HostWebViewObject(funcs_, ProviderName(provider_), this);
    channel_->registerObject(QStringLiteral("sample"), host_);
    OfferChannelFor(pageUrl_);
    connect(page_, &QWebEnginePage::urlChanged, this, &CGoogleMapDlg2::OfferChannelFor);

    connect(view_, &QWebEngineView::loadFinished, this, [this](bool ok) {
        if (view_) {
            view_->setZoomFactor(kMapZoomFactor);
        }
        if (ok) {
            everLoaded_ = true;
        } else {
            // Also the end of a navigation the page was refused.
            qCInfo(lcMapView) << "a load in the map view did not finish; the view shows"
                              << (page_ ? page_->url().toDisplayString() : QString());
        }
        Q_EMIT pageLoaded(ok);
    });
    connect(view_, &QWebEngineView::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int code) {
                if (status == QWebEnginePage::NormalTerminationStatus) {
                    return;
                }
                qCWarning(lcMapView) << "the web engine's page process ended:" << status << code;
                if (!everLoaded_) {
                    Q_EMIT webEngineFailed();
                }
            });
    view_->setGeometry(rect());
    view_->setZoomFactor(kMapZoomFactor);
    view_->load(pageUrl_);
    view_->show();
    view_->setFocus(Qt::OtherFocusReason);
}

void CGoogleMapDlg2::OfferChannelFor(const QUrl& url) {
    const bool offer = IsBundled(url);
    if (!page_ || offer == channelOffered_) {
        return;
    }
    channelOffered_ = offer;
    page_->setWebChannel(offer ? channel_ : nullptr);
}

void CGoogleMapDlg2::RunScript(const QString& script) {
    if (view_) {
        view_->page()->runJavaScript(script);
    }
}

bool CGoogleMapDlg2::PostUpdate(const QString& json) {
    if (!view_ || !host_) {
        return false;
    }
    host_->PostMessage(json);
    return true;
}

void CGoogleMapDlg2::paintEvent(QPaintEvent*) {
    if (!started_) {
        StartWebView();
    }
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
}

void CGoogleMapDlg2::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (view_) {
        view_->setGeometry(rect());
        view_->setZoomFactor(kMapZoomFactor);
    }
}

} // namespace kv::map
