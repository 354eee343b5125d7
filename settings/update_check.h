#pragma once

#include "settings_store.h"
#include "update_rules.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QString>
#include <QUrl>

#include <functional>
#include <mutex>
#include <optional>

class QNetworkAccessManager;
class QThread;

namespace kv::settings {

// How the update check reaches the web site.
struct UpdateCheckOptions {
    QString host;                  // UPDATE/HOST (SiteAddress); empty: the check does nothing
    int attempts = 3;              // tries per version text before it counts as missing
    int retryPauseMs = 1000;       // between two tries
    int timeoutMs = 15000;         // a try that moves no data for this long fails
    bool systemProxy = true;       // the desktop's proxy settings
    qint64 maxBodyBytes = 1 << 20; // a larger answer is not a version text
    // Trusted for HTTPS besides the system's authorities (a test site's own).
    QList<QSslCertificate> extraAuthorities;
};

// UPDATE/HOST of the settings file.
QString ReadUpdateHost(const SettingsStore& store);

// One HTTP GET on the calling thread, which must not be the UI thread: it
// runs its own event loop until the answer is complete. The body of a 2xx
// answer; nothing for any other answer, a network failure, a timeout, an
// oversized body, or when stop() turns true (it is asked every 50 ms).
std::optional<QByteArray> FetchBody(QNetworkAccessManager& manager, const QUrl& url,
                                    const UpdateCheckOptions& options,
                                    const std::function<bool()>& stop);

// The one-shot update check of a run: compares the viewer's version, the
// recorder's firmware and its GPS data with the version texts on the maker's
// web site, on a thread of its own, and reports a notice when anything is
// newer. Every network failure is silent.
class CUpdateCheck : public QObject {
    Q_OBJECT

public:
    explicit CUpdateCheck(UpdateCheckOptions options, QObject* parent = nullptr);
    // Stops a running check (its current request is aborted) and waits for it.
    ~CUpdateCheck() override;

    // Starts the check with the recorder's strings (empty without a card): at
    // most once per object; later calls do nothing and return false. Without
    // a host nothing starts, and the check still counts as started.
    bool StartUpdateCheck(const QString& firmwareVersion, const QString& gpsDataNumber,
                          const QString& spare, const QString& modelCode);
    bool started() const { return started_; }
    // The check has ended and said so (finished was emitted).
    bool ended() const { return ended_; }

    // The notice of the last check that found something (empty before).
    QString updateMessage() const;

Q_SIGNALS:
    // Something newer was found; delivered on this object's thread.
    void updateFound(const QString& notice);
    // The check ended, with or without a notice; delivered on this object's
    // thread, after updateFound.
    void finished();

private:
    void Report(const QString& notice);

    UpdateCheckOptions options_;
    bool started_ = false;
    bool ended_ = false;
    QThread* worker_ = nullptr;

    // -- Guarded by mutex_:
    mutable std::mutex mutex_;
    QString updateMessage_;
};

} // namespace kv::settings
