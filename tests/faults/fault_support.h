#pragma once

// What the fault tests share: a small card of real recordings from the card
// maker, a disk that runs full part-way through a write, a folder that cannot
// be written (also for root, who ignores permission bits), and the contents of
// a folder with every file's digest, to show that a failed write left it as it
// was.

#include "cardmaker.h"
#include "catalogue.h"
#include "recording_entry.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <csignal>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kv::faults {

namespace cm = cardmaker;

// Every entry of a folder (hidden ones included) with the digest of each
// file's bytes ("<folder>" for folders), recursively.
inline QMap<QString, QByteArray> Snapshot(const QString& folder) {
    QMap<QString, QByteArray> out;
    const QDir dir(folder);
    for (const QFileInfo& info :
         dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (info.isDir() && !info.isSymLink()) {
            out.insert(info.fileName(), "<folder>");
            const auto inner = Snapshot(info.filePath());
            for (auto it = inner.begin(); it != inner.end(); ++it) {
                out.insert(info.fileName() + u'/' + it.key(), it.value());
            }
            continue;
        }
        QFile f(info.filePath());
        out.insert(info.fileName(),
                   f.open(QIODevice::ReadOnly)
                       ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                       : QByteArray("<unreadable>"));
    }
    return out;
}

inline std::string Names(const QMap<QString, QByteArray>& snapshot) {
    return snapshot.keys().join(u", ").toStdString();
}

// While it lives, no file of this process grows beyond `bytes`: a write past
// the limit fails (EFBIG) as one on a full disk fails (ENOSPC), and SIGXFSZ is
// ignored so that the process survives it. Only regular files are limited;
// the test's output on a pipe or terminal is not.
class DiskFull {
public:
    explicit DiskFull(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        active_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~DiskFull() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    DiskFull(const DiskFull&) = delete;
    DiskFull& operator=(const DiskFull&) = delete;
    bool active() const { return active_; }

private:
    rlimit saved_{};
    void (*previous_)(int) = SIG_DFL;
    bool active_ = false;
};

// A folder in which no file can be created, renamed or removed. Its contents
// are written first (fill). A normal user gets mode 0555; root, whom the mode
// does not stop, gets the immutable attribute (chattr +i). When neither
// works, reason() says why and path() is empty.
class ReadOnlyFolder {
public:
    template <typename Fill> explicit ReadOnlyFolder(Fill fill) {
        fill(dir_.path());
        if (::geteuid() != 0) {
            method_ = "mode 0555";
            ::chmod(QFile::encodeName(dir_.path()).constData(), 0555);
        } else if (QProcess::execute(QStringLiteral("chattr"),
                                     {QStringLiteral("+i"), dir_.path()}) == 0) {
            method_ = "chattr +i";
            immutable_ = true;
        } else {
            reason_ = "running as root and chattr +i is not supported here";
            return;
        }
        // Proof that the folder refuses a new file.
        QFile probe(dir_.path() + QStringLiteral("/probe"));
        if (probe.open(QIODevice::WriteOnly)) {
            probe.close();
            probe.remove();
            reason_ = "a new file could still be created under " + method_;
            return;
        }
        usable_ = true;
    }
    ~ReadOnlyFolder() {
        if (immutable_) {
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), dir_.path()});
        }
        ::chmod(QFile::encodeName(dir_.path()).constData(), 0755);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    QString path() const { return usable_ ? dir_.path() : QString(); }
    const std::string& reason() const { return reason_; }

private:
    QTemporaryDir dir_;
    std::string method_;
    std::string reason_;
    bool immutable_ = false;
    bool usable_ = false;
};

// A front and rear recording of 160 x 96 pictures written by the card maker
// into <root>/Normal/Front and Rear; the front one carries telemetry.
struct WrittenRecording {
    QString front;
    QString rear;
};

inline WrittenRecording WriteRecordingPair(const QString& root, const QString& frontName,
                                           double seconds, double sessionSeconds,
                                           cm::Damage damage = cm::Damage::None,
                                           std::string* error = nullptr) {
    QDir(root).mkpath(QStringLiteral("Normal/Front"));
    QDir(root).mkpath(QStringLiteral("Normal/Rear"));
    cm::RecordingSpec front;
    front.fileName = frontName;
    front.width = 160;
    front.height = 96;
    front.seconds = seconds;
    front.sessionSeconds = sessionSeconds;
    front.damage = damage;
    front.telemetry =
        damage == cm::Damage::None ? cm::TelemetryForm::ExactCount : cm::TelemetryForm::None;
    cm::RecordingSpec rear = front;
    rear.fileName = cm::CounterpartName(front.fileName);
    rear.telemetry = cm::TelemetryForm::None;
    WrittenRecording w{root + QStringLiteral("/Normal/Front/") + front.fileName,
                       root + QStringLiteral("/Normal/Rear/") + rear.fileName};
    QString why;
    if ((!cm::WriteRecording(front, w.front, &why) || !cm::WriteRecording(rear, w.rear, &why)) &&
        error) {
        *error = why.toStdString();
    }
    return w;
}

} // namespace kv::faults
