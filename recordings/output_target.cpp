#include "output_target.h"

#include "card_layout.h"
#include "recording_name.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#endif
#if defined(Q_OS_LINUX)
#include <linux/magic.h>
#include <sys/statfs.h>
#endif

namespace kv {

namespace {

#if defined(Q_OS_LINUX)
// Not every kernel header names exFAT's magic number.
constexpr unsigned long kExfatMagic = 0x2011BAB0UL;
#endif

// The path with links and ".." resolved: the file's own path when it
// exists, else its resolved folder and its name.
QString ResolvedPath(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty()) {
        return canonical;
    }
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath())
                            : folder + QLatin1Char('/') + info.fileName();
}

QString FolderOf(const QString& resolved) {
    return QFileInfo(resolved).path();
}

struct Identity {
    bool known = false;
    unsigned long long device = 0;
    unsigned long long inode = 0;
};

// Device and inode of the file path names, through links.
Identity IdentityOf(const QString& path) {
    Identity id;
#if defined(Q_OS_UNIX)
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        id = {true, static_cast<unsigned long long>(st.st_dev),
              static_cast<unsigned long long>(st.st_ino)};
    }
#else
    Q_UNUSED(path);
#endif
    return id;
}

bool SamePath(const QString& a, const QString& b) {
    if (a == b) {
        return true;
    }
    const Qt::CaseSensitivity cs =
        CaseInsensitiveVolume(FolderOf(a)) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    return a.compare(b, cs) == 0;
}

// The recorder's AVI files start with "RIFF", a size and "AVI ".
bool HoldsRecording(const QString& resolved) {
    if (IsRecordingName(resolved) && HasAviExtension(resolved)) {
        return true;
    }
    if (!QFileInfo(resolved).isFile()) {
        return false; // never opened: a FIFO would block
    }
    QFile file(resolved);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return false;
    }
    const QByteArray head = file.read(12);
    return head.size() == 12 && head.startsWith("RIFF") && head.mid(8, 4) == "AVI ";
}

} // namespace

bool CaseInsensitiveVolume(const QString& folder) {
#if defined(Q_OS_LINUX)
    struct statfs info {};
    if (::statfs(QFile::encodeName(folder).constData(), &info) != 0) {
        return false;
    }
    const auto type = static_cast<unsigned long>(info.f_type);
    return type == MSDOS_SUPER_MAGIC || type == kExfatMagic;
#elif defined(Q_OS_WIN) || defined(Q_OS_DARWIN)
    Q_UNUSED(folder);
    return true;
#else
    Q_UNUSED(folder);
    return false;
#endif
}

bool SameFileTarget(const QString& a, const QString& b) {
    const Identity ia = IdentityOf(a);
    const Identity ib = IdentityOf(b);
    if (ia.known && ib.known) {
        return ia.device == ib.device && ia.inode == ib.inode;
    }
    return SamePath(ResolvedPath(a), ResolvedPath(b));
}

bool IsCardRecordingFolder(const QString& folder) {
    const QString resolved = ResolvedPath(folder);
    const QStringList parts = resolved.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.size() < 2) {
        return false;
    }
    const QString tail = parts[parts.size() - 2] + QLatin1Char('/') + parts.back();
    for (const CardFolder& card : kCardFolders) {
        if (tail.compare(QLatin1String(card.folder), Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

TargetCheck CheckOutputTarget(const QString& target, const QStringList& inputs, OutputRole role) {
    TargetCheck check;
    const QFileInfo info(target);
    check.exists = info.exists() || info.isSymLink();
    const QString resolved = ResolvedPath(target);
    for (const QString& input : inputs) {
        if (SameFileTarget(target, input)) {
            check.refusal = TargetRefusal::Input;
            check.input = input;
            check.message =
                QStringLiteral("%1 is %2, which this command reads: the output would replace "
                               "its source (choose another name or folder)")
                    .arg(target, input);
            return check;
        }
    }
    if (role == OutputRole::Recording) {
        const QString folder = FolderOf(resolved);
        if (IsCardRecordingFolder(folder)) {
            check.refusal = TargetRefusal::CardFolder;
            check.message = QStringLiteral("%1 is a recording folder of the card; joined and "
                                           "repaired recordings never go there (choose another "
                                           "folder)")
                                .arg(QDir::toNativeSeparators(folder));
        }
        return check;
    }
    if (check.exists && HoldsRecording(resolved)) {
        check.refusal = TargetRefusal::Recording;
        check.message =
            QStringLiteral("%1 is a recording; it is never replaced by another file").arg(target);
    }
    return check;
}

} // namespace kv
