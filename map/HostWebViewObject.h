#pragma once

#include "host_web_view_funcs.h"

#include <QObject>
#include <QString>
#include <QVariant>

namespace kv::map {

// The object the page knows as "sample" (published on the page's web
// channel). Its JS2C_ methods are what the page calls; each hands the call to
// the map side, or answers nothing when none is attached. The update message
// reaches the page through webMessage.
class HostWebViewObject : public QObject {
    Q_OBJECT
    // "google" or "leaflet": which map library the page draws with.
    Q_PROPERTY(QString mapProvider READ mapProvider CONSTANT)

public:
    HostWebViewObject(IHostWebViewFuncs* funcs, QString provider, QObject* parent = nullptr);

    QString mapProvider() const { return provider_; }
    void Detach() { funcs_ = nullptr; }
    // Sends a flat JSON text to the page.
    void PostMessage(const QString& json) { Q_EMIT webMessage(json); }

    // Diagnostics the page does not use.
    Q_INVOKABLE void CallCallbackAsynchronously(const QVariant& callbackParameter);
    Q_INVOKABLE QString TestMethod(const QString& stringParameter, int integerParameter);

    Q_INVOKABLE int JS2C_ConnectTest();
    Q_INVOKABLE QString JS2C_GetMapURL();
    Q_INVOKABLE QVariant JS2C_GetGPSData();
    Q_INVOKABLE QVariant JS2C_GetGridData(const QVariant& stringParameter);
    Q_INVOKABLE QString JS2C_GetRelJpgNum();
    Q_INVOKABLE void JS2C_OnClickCrashPoint(int ifile, int igrid, int ipos, int valid, double lat,
                                            double lng, double speed, double direction);
    Q_INVOKABLE void JS2C_OnInitHtml();
    Q_INVOKABLE void JS2C_SetSend();

Q_SIGNALS:
    void webMessage(const QString& json);
    // CallCallbackAsynchronously, on the window thread after the call returned.
    void callbackRequested();

private:
    IHostWebViewFuncs* funcs_;
    QString provider_;
};

} // namespace kv::map
