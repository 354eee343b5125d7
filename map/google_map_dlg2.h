#pragma once

#include "map_dialog_port.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

class QWebChannel;
class QWebEngineView;

namespace kv::map {

class HostWebViewObject;
class IHostWebViewFuncs;

// Zoom of the map page in the web view.
inline constexpr double kMapZoomFactor = 0.65;
// The page among the resources.
inline constexpr char kMapPageUrl[] = "qrc:///map/map.html";

// The map dialog: a web view with the map page, filling the dialog. The web
// view starts when the dialog is first painted (or StartWebView is called),
// once; the host object "sample" is published on the page's web channel.
class CGoogleMapDlg2 : public QWidget, public IMapDialog {
    Q_OBJECT

public:
    explicit CGoogleMapDlg2(QWidget* parent = nullptr);
    ~CGoogleMapDlg2() override;

    // The map side the host object calls, and the provider name it reports;
    // set right after creation, before the first paint.
    void SetHost(IHostWebViewFuncs* funcs, const QString& providerName);
    // Another page than the map page (tests).
    void SetPageUrl(const QUrl& url) { pageUrl_ = url; }

    // Creates the web view, the channel and the host object and loads the
    // page. Only the first call does anything.
    void StartWebView();
    bool started() const { return started_; }
    QWebEngineView* view() const { return view_; }
    HostWebViewObject* host() const { return host_; }

    void RunScript(const QString& script) override;
    bool PostUpdate(const QString& json) override;

Q_SIGNALS:
    // The page could not be loaded or the web engine's process did not run.
    void webEngineFailed();
    // The page finished loading (ok false: it did not load).
    void pageLoaded(bool ok);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    IHostWebViewFuncs* funcs_ = nullptr;
    QString providerName_;
    QUrl pageUrl_{QString::fromLatin1(kMapPageUrl)};
    bool started_ = false;
    QWebEngineView* view_ = nullptr; // child of the dialog
    QWebChannel* channel_ = nullptr;
    HostWebViewObject* host_ = nullptr;
};

} // namespace kv::map
