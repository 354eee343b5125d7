#include "join_output.h"

#include "durable_file.h"
#include "kernel_copy.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <utility>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QSaveFile>
#endif

namespace kv {

#if defined(Q_OS_UNIX)

// The temporary file is written through its descriptor, so that the payload
// can be copied file to file inside the kernel where it supports that. Its
// data is flushed to the disk before the rename and its folder after it, so
// that a join reported complete is on the disk.
struct PendingOutput::Platform {
    int fd = -1;
    QString temporary;
    bool committed = false;
};

namespace {

QString SystemError(int error) {
    return qt_error_string(error);
}

} // namespace

PendingOutput::PendingOutput(const QString& finalPath)
    : finalPath_(finalPath), platform_(std::make_unique<Platform>()) {}

PendingOutput::~PendingOutput() {
    Discard();
}

bool PendingOutput::Open() {
    const QFileInfo target(finalPath_);
    if (target.isDir()) {
        error_ = QStringLiteral("%1 is a folder").arg(finalPath_);
        return false;
    }
    const QString stem = target.absolutePath() + QStringLiteral("/.") + target.fileName();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name =
            stem + QStringLiteral(".%1.part")
                       .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        const int fd = ::open(QFile::encodeName(name).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            platform_->fd = fd;
            platform_->temporary = name;
            // A file that is replaced passes its permissions on.
            struct stat existing {};
            if (::stat(QFile::encodeName(finalPath_).constData(), &existing) == 0) {
                ::fchmod(fd, existing.st_mode & 07777);
            }
            return true;
        }
        if (errno != EEXIST) {
            error_ = QStringLiteral("cannot create %1: %2").arg(finalPath_, SystemError(errno));
            return false;
        }
    }
    error_ = QStringLiteral("cannot create %1: no free temporary name").arg(finalPath_);
    return false;
}

bool PendingOutput::Write(const void* data, std::uint64_t length) {
    const char* p = static_cast<const char*>(data);
    while (length > 0) {
        const ssize_t written = ::write(platform_->fd, p, length);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            error_ = QStringLiteral("cannot write %1: %2")
                         .arg(finalPath_, SystemError(written < 0 ? errno : ENOSPC));
            return false;
        }
        p += written;
        length -= static_cast<std::uint64_t>(written);
    }
    return true;
}

PendingOutput::CopyResult PendingOutput::Copy(MappedFile& source, std::uint64_t offset,
                                              std::uint64_t length, std::uint64_t window,
                                              const OperationControl* control) {
    const std::uint64_t end = offset + length;
    bool inKernel = true;
    for (std::uint64_t at = offset; at < end;) {
        if (control && control->Cancelled()) {
            return CopyResult::Cancelled;
        }
        const std::uint64_t piece = std::min(window, end - at);
        if (inKernel) {
            std::uint64_t copied = 0;
            const KernelCopy result =
                CopyInKernel(source.fd, at, platform_->fd, nullptr, piece, copied);
            if (result == KernelCopy::Done) {
                at += piece;
                continue;
            }
            if (result == KernelCopy::Failed) {
                error_ = errno == ENODATA
                             ? QStringLiteral("%1 ends before its movi list does").arg(source.path)
                             : QStringLiteral("cannot copy %1 to %2: %3")
                                   .arg(source.path, finalPath_, SystemError(errno));
                return CopyResult::Failed;
            }
            inKernel = false; // not between these files: copy through mapped views
        }
        if (!CopyMapped(source, at, piece)) {
            return CopyResult::Failed;
        }
        at += piece;
    }
    return CopyResult::Copied;
}

bool PendingOutput::Commit() {
    Platform& p = *platform_;
    const int fd = std::exchange(p.fd, -1);
    QString why;
    if (fd >= 0 && !FlushFileData(fd, &why)) {
        ::close(fd);
        error_ = QStringLiteral("cannot complete %1: %2").arg(finalPath_, why);
        Discard();
        return false;
    }
    if (fd < 0 || ::close(fd) != 0) {
        error_ = QStringLiteral("cannot complete %1: %2").arg(finalPath_, SystemError(errno));
        Discard();
        return false;
    }
    if (::rename(QFile::encodeName(p.temporary).constData(),
                 QFile::encodeName(finalPath_).constData()) != 0) {
        error_ = QStringLiteral("cannot complete %1: %2").arg(finalPath_, SystemError(errno));
        Discard();
        return false;
    }
    p.committed = true;
    FlushFolderOf(finalPath_);
    return true;
}

void PendingOutput::Discard() {
    Platform& p = *platform_;
    if (p.fd >= 0) {
        ::close(std::exchange(p.fd, -1));
    }
    if (!p.committed && !p.temporary.isEmpty()) {
        ::unlink(QFile::encodeName(p.temporary).constData());
        p.temporary.clear();
    }
}

#else

struct PendingOutput::Platform {
    explicit Platform(const QString& path) : file(path) {}
    QSaveFile file;
};

PendingOutput::PendingOutput(const QString& finalPath)
    : finalPath_(finalPath), platform_(std::make_unique<Platform>(finalPath)) {
    // Never fall back to writing the final name directly.
    platform_->file.setDirectWriteFallback(false);
}

PendingOutput::~PendingOutput() {
    Discard();
}

bool PendingOutput::Open() {
    if (!platform_->file.open(QIODevice::WriteOnly)) {
        error_ =
            QStringLiteral("cannot create %1: %2").arg(finalPath_, platform_->file.errorString());
        return false;
    }
    return true;
}

bool PendingOutput::Write(const void* data, std::uint64_t length) {
    // A write cut short reports its error only on the next attempt.
    const char* p = static_cast<const char*>(data);
    while (length > 0) {
        const qint64 written = platform_->file.write(p, static_cast<qint64>(length));
        if (written <= 0) {
            error_ = QStringLiteral("cannot write %1: %2")
                         .arg(finalPath_, platform_->file.errorString());
            return false;
        }
        p += written;
        length -= static_cast<std::uint64_t>(written);
    }
    return true;
}

PendingOutput::CopyResult PendingOutput::Copy(MappedFile& source, std::uint64_t offset,
                                              std::uint64_t length, std::uint64_t window,
                                              const OperationControl* control) {
    const std::uint64_t end = offset + length;
    for (std::uint64_t at = offset; at < end;) {
        if (control && control->Cancelled()) {
            return CopyResult::Cancelled;
        }
        const std::uint64_t piece = std::min(window, end - at);
        if (!CopyMapped(source, at, piece)) {
            return CopyResult::Failed;
        }
        at += piece;
    }
    return CopyResult::Copied;
}

bool PendingOutput::Commit() {
    if (!platform_->file.commit()) {
        error_ =
            QStringLiteral("cannot complete %1: %2").arg(finalPath_, platform_->file.errorString());
        return false;
    }
    return true;
}

void PendingOutput::Discard() {
    if (platform_->file.isOpen()) {
        platform_->file.cancelWriting();
    }
}

#endif

bool PendingOutput::CopyMapped(MappedFile& source, std::uint64_t offset, std::uint64_t length) {
    MappedView view = MapWindow(source, offset, length);
    if (!view || view.length() != length) {
        error_ = QStringLiteral("cannot read %1: %2").arg(source.path, source.lastError);
        return false;
    }
    return Write(view.data(), length);
}

} // namespace kv
