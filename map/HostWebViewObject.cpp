#include "HostWebViewObject.h"

#include <QMetaObject>

namespace kv::map {

HostWebViewObject::HostWebViewObject(IHostWebViewFuncs* funcs, QString provider, QObject* parent)
    : QObject(parent), funcs_(funcs), provider_(std::move(provider)) {}

void HostWebViewObject::CallCallbackAsynchronously(const QVariant&) {
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT callbackRequested(); }, Qt::QueuedConnection);
}

QString HostWebViewObject::TestMethod(const QString& stringParameter, int integerParameter) {
    return QStringLiteral("TestMethod(") + stringParameter + QStringLiteral(", ") +
           QString::number(integerParameter) + QStringLiteral(") called.\n");
}

int HostWebViewObject::JS2C_ConnectTest() {
    return funcs_ ? funcs_->ConnectTest() : 0;
}

QString HostWebViewObject::JS2C_GetMapURL() {
    return funcs_ ? funcs_->GetMapUrl() : QString();
}

QVariant HostWebViewObject::JS2C_GetGPSData() {
    return funcs_ ? funcs_->GetGpsData() : QVariant();
}

QVariant HostWebViewObject::JS2C_GetGridData(const QVariant&) {
    return funcs_ ? funcs_->GetGridData() : QVariant();
}

QString HostWebViewObject::JS2C_GetRelJpgNum() {
    return funcs_ ? funcs_->GetRelJpgNum() : QString();
}

void HostWebViewObject::JS2C_OnClickCrashPoint(int ifile, int igrid, int ipos, int valid,
                                               double lat, double lng, double speed,
                                               double direction) {
    if (funcs_) {
        funcs_->OnClickCrashPoint(ifile, igrid, ipos, valid, lat, lng, speed, direction);
    }
}

void HostWebViewObject::JS2C_OnInitHtml() {
    if (funcs_) {
        funcs_->OnInitHtml();
    }
}

void HostWebViewObject::JS2C_SetSend() {
    if (funcs_) {
        funcs_->SetSend();
    }
}

} // namespace kv::map
