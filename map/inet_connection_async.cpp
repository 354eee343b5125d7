#include "inet_connection_async.h"

#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

namespace kv::map {

namespace {

constexpr int kCheckPeriodMs = 1000;
// A service that has not answered within this time counts as unreachable.
constexpr int kAnswerTimeoutMs = 5000;

} // namespace

// The checker's side: its network access and its timer live on the
// checker's thread.
class ConnectionProbe : public QObject {
public:
    ConnectionProbe(CInetConnectionAsync& owner, QUrl target, bool useSystemProxy)
        : owner_(owner), target_(std::move(target)), useSystemProxy_(useSystemProxy) {}

    void Begin() {
        network_ = new QNetworkAccessManager(this);
        if (useSystemProxy_) {
            QNetworkProxyFactory::setUseSystemConfiguration(true);
        } else {
            network_->setProxy(QNetworkProxy::NoProxy);
        }
        timer_ = new QTimer(this);
        timer_->setInterval(kCheckPeriodMs);
        connect(timer_, &QTimer::timeout, this, [this] { Check(); });
        timer_->start();
        Check();
    }

    void Check() {
        if (owner_.enabled.load() == 0) {
            owner_.connected = 0;
            Q_EMIT owner_.checked(false);
            return;
        }
        if (pending_) {
            return; // the last test has not ended yet
        }
        QNetworkRequest request(target_);
        request.setRawHeader("Accept", "*/*");
        request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                             QNetworkRequest::AlwaysNetwork);
        request.setTransferTimeout(kAnswerTimeoutMs);
        pending_ = network_->head(request);
        connect(pending_, &QNetworkReply::finished, this, [this, reply = pending_] {
            // Any answer of the server, even an HTTP error, means it can be reached.
            const bool answered =
                reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
            reply->deleteLater();
            pending_ = nullptr;
            const bool on = answered && owner_.enabled.load() != 0;
            owner_.connected = on ? 1 : 0;
            Q_EMIT owner_.checked(on);
        });
    }

    void End() {
        if (pending_) {
            pending_->abort();
        }
        delete timer_;
        timer_ = nullptr;
    }

private:
    CInetConnectionAsync& owner_;
    QUrl target_;
    bool useSystemProxy_;
    QNetworkAccessManager* network_ = nullptr;
    QTimer* timer_ = nullptr;
    QPointer<QNetworkReply> pending_;
};

CInetConnectionAsync::CInetConnectionAsync(QUrl target, bool useSystemProxy, QObject* parent)
    : QObject(parent) {
    thread_.setObjectName(QStringLiteral("connection checker"));
    probe_ = new ConnectionProbe(*this, std::move(target), useSystemProxy);
    probe_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, probe_, &QObject::deleteLater);
}

CInetConnectionAsync::~CInetConnectionAsync() {
    if (thread_.isRunning()) {
        QMetaObject::invokeMethod(
            probe_, [this] { probe_->End(); }, Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    } else {
        delete probe_;
    }
}

void CInetConnectionAsync::Start() {
    if (thread_.isRunning()) {
        return;
    }
    thread_.start();
    QMetaObject::invokeMethod(
        probe_, [this] { probe_->Begin(); }, Qt::QueuedConnection);
}

void CInetConnectionAsync::SetEnabled(bool on) {
    enabled = on ? 1 : 0;
    if (!on) {
        connected = 0;
    }
}

void CInetConnectionAsync::CheckConnection() {
    if (enabled.load() == 0) {
        connected = 0;
    }
    if (thread_.isRunning()) {
        QMetaObject::invokeMethod(
            probe_, [this] { probe_->Check(); }, Qt::QueuedConnection);
    }
}

} // namespace kv::map
