#include "update_check.h"

#include "settings_keys.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace kv::settings {
namespace {

// How often a waiting request or pause looks at the stop request.
constexpr int kStopPollMs = 50;

// The desktop's proxy settings for one manager only, so that nothing else of
// the viewer changes its proxies.
class DesktopProxies final : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override {
        return systemProxyForQuery(query);
    }
};

bool Stopped(const std::function<bool()>& stop) {
    return stop && stop();
}

// Sleeps for ms unless stop turns true first; false when it did.
bool Pause(int ms, const std::function<bool()>& stop) {
    for (int slept = 0; slept < ms; slept += kStopPollMs) {
        if (Stopped(stop)) {
            return false;
        }
        QThread::msleep(static_cast<unsigned long>(std::min(kStopPollMs, ms - slept)));
    }
    return !Stopped(stop);
}

struct Attempt {
    std::optional<QByteArray> body;
    bool worthRetrying = false; // no answer from the server at all
};

Attempt FetchOnce(QNetworkAccessManager& manager, const QUrl& url,
                  const UpdateCheckOptions& options, const std::function<bool()>& stop) {
    QNetworkRequest request(url);
    request.setRawHeader("Accept", "*/*");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setTransferTimeout(options.timeoutMs);
    if (!options.extraAuthorities.isEmpty()) {
        QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
        ssl.addCaCertificates(options.extraAuthorities);
        request.setSslConfiguration(ssl);
    }

    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    bool tooLarge = false;
    bool stopped = false;
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(reply.get(), &QNetworkReply::downloadProgress, &loop,
                     [&](qint64 received, qint64) {
                         if (received > options.maxBodyBytes && !tooLarge) {
                             tooLarge = true;
                             reply->abort();
                         }
                     });
    QTimer poll;
    poll.setInterval(kStopPollMs);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!stopped && Stopped(stop)) {
            stopped = true;
            reply->abort();
        }
    });
    poll.start();
    if (!reply->isFinished()) {
        loop.exec();
    }
    poll.stop();

    Attempt attempt;
    if (stopped || tooLarge) {
        return attempt;
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        attempt.worthRetrying = true;
        return attempt;
    }
    const int code = status.toInt();
    if (reply->error() == QNetworkReply::NoError && code >= 200 && code < 300) {
        attempt.body = reply->readAll();
    }
    return attempt;
}

} // namespace

QString ReadUpdateHost(const SettingsStore& store) {
    return ReadSetting(store, kUpdate, kHost).trimmed();
}

std::optional<QByteArray> FetchBody(QNetworkAccessManager& manager, const QUrl& url,
                                    const UpdateCheckOptions& options,
                                    const std::function<bool()>& stop) {
    if (!url.isValid()) {
        return std::nullopt;
    }
    const int attempts = std::max(1, options.attempts);
    for (int i = 0; i < attempts; ++i) {
        if (i > 0 && !Pause(options.retryPauseMs, stop)) {
            return std::nullopt;
        }
        if (Stopped(stop)) {
            return std::nullopt;
        }
        Attempt attempt = FetchOnce(manager, url, options, stop);
        if (attempt.body || !attempt.worthRetrying) {
            return std::move(attempt.body);
        }
    }
    return std::nullopt;
}

CUpdateCheck::CUpdateCheck(UpdateCheckOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)) {}

CUpdateCheck::~CUpdateCheck() {
    if (worker_ != nullptr) {
        worker_->requestInterruption();
        worker_->wait();
        delete worker_;
    }
}

bool CUpdateCheck::StartUpdateCheck(const QString& firmwareVersion, const QString& gpsDataNumber,
                                    const QString& spare, const QString& modelCode) {
    if (started_) {
        return false;
    }
    started_ = true;
    const QString site = SiteAddress(options_.host);
    if (site.isEmpty()) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                ended_ = true;
                Q_EMIT finished();
            },
            Qt::QueuedConnection);
        return true;
    }
    const RecorderStrings recorder{firmwareVersion, gpsDataNumber, spare, modelCode};
    const UpdateCheckOptions options = options_;
    worker_ = QThread::create([this, recorder, options, site] {
        QThread* self = QThread::currentThread();
        const std::function<bool()> stop = [self] { return self->isInterruptionRequested(); };
        QNetworkAccessManager manager;
        if (options.systemProxy) {
            manager.setProxyFactory(new DesktopProxies);
        } else {
            manager.setProxy(QNetworkProxy::NoProxy);
        }
        const VersionFetcher fetch = [&](QStringView path,
                                         QStringView marker) -> std::optional<QString> {
            const auto body = FetchBody(manager, QUrl(site + path.toString()), options, stop);
            if (!body) {
                return std::nullopt;
            }
            return VersionTextFromBody(*body, marker);
        };
        const QString notice = RunUpdateRules(recorder, fetch, site);
        if (!stop()) {
            Report(notice);
        }
    });
    worker_->setObjectName(QStringLiteral("update check"));
    worker_->start();
    return true;
}

void CUpdateCheck::Report(const QString& notice) {
    if (!notice.isEmpty()) {
        const std::lock_guard lock(mutex_);
        updateMessage_ = notice;
    }
    // The worker only posts; the owner's thread hears of it when it is free.
    QMetaObject::invokeMethod(
        this,
        [this, notice] {
            ended_ = true;
            if (!notice.isEmpty()) {
                Q_EMIT updateFound(notice);
            }
            Q_EMIT finished();
        },
        Qt::QueuedConnection);
}

QString CUpdateCheck::updateMessage() const {
    const std::lock_guard lock(mutex_);
    return updateMessage_;
}

} // namespace kv::settings
