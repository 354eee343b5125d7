#include "google_map_dlg2.h"

#include "HostWebViewObject.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace kv::map {

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
    providerName_ = providerName;
}

void CGoogleMapDlg2::StartWebView() {
    if (started_) {
        return;
    }
    started_ = true;
    view_ = new QWebEngineView(this);
    QWebEngineSettings* settings = view_->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);

    channel_ = new QWebChannel(this);
    host_ = new HostWebViewObject(funcs_, providerName_, this);
    channel_->registerObject(QStringLiteral("sample"), host_);
    view_->page()->setWebChannel(channel_);

    connect(view_, &QWebEngineView::loadFinished, this, [this](bool ok) {
        if (view_) {
            view_->setZoomFactor(kMapZoomFactor);
        }
        Q_EMIT pageLoaded(ok);
        if (!ok) {
            Q_EMIT webEngineFailed();
        }
    });
    connect(view_, &QWebEngineView::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                if (status != QWebEnginePage::NormalTerminationStatus) {
                    Q_EMIT webEngineFailed();
                }
            });
    view_->setGeometry(rect());
    view_->setZoomFactor(kMapZoomFactor);
    view_->load(pageUrl_);
    view_->show();
    view_->setFocus(Qt::OtherFocusReason);
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
