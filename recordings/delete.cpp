#include "delete.h"

#include "card_layout.h"
#include "fs_path.h"
#include "hidden_attribute_set.h"
#include "hidden_files.h"
#include "recording_name.h"
#include "trash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>
#include <vector>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace kv {

namespace {

// Name characters before the file number, and the number's width.
constexpr qsizetype kPrefixLength = 19;
constexpr qsizetype kNumberLength = 6;

struct PlaceholderTarget {
    QString file;        // the recording file, "...AVI"
    QString placeholder; // the same name with the deleted extension, "...DMY"
};

// The card folder that folder is, or null. Card folders are matched exactly as
// the recorder names them.
const CardFolder* CardFolderAt(const QString& folder) {
    for (const CardFolder& card : kCardFolders) {
        if (folder.endsWith(u'/' + QLatin1String(card.folder))) {
            return &card;
        }
    }
    return nullptr;
}

bool Exists(const QString& path) {
    return QFileInfo(path).exists();
}

bool Fail(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
    return false;
}

// Moves path to the trash; a file that is not there counts as moved.
bool TrashIfPresent(const QString& path, QString* error) {
    if (!Exists(path)) {
        return true;
    }
    return MoveToTrash(path, error);
}

// A plain rename: QFile::rename falls back to copy and remove, which would
// leave a copy behind where the system refused the rename itself.
bool RenameFile(const QString& from, const QString& to, QString* error) {
    std::error_code ec;
    std::filesystem::rename(FsPath(from), FsPath(to), ec);
    return !ec || Fail(error, QStringLiteral("cannot rename %1 to %2: %3")
                                  .arg(from, to, QString::fromStdString(ec.message())));
}

// Whether entries can be renamed in folder (also for root: a folder marked
// immutable refuses).
bool FolderWritable(const QString& folder, QString* error) {
#if defined(Q_OS_UNIX)
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0) {
        return Fail(error, QStringLiteral("cannot change the folder %1: %2")
                               .arg(folder, QString::fromLocal8Bit(std::strerror(errno))));
    }
#else
    Q_UNUSED(folder);
    Q_UNUSED(error);
#endif
    return true;
}

// One file of the pair as far as it has been marked.
struct MarkStep {
    const PlaceholderTarget* target;
    bool hidden = false;
    bool renamed = false;
};

// Undoes the marks of steps, the last first.
void Unmark(const std::vector<MarkStep>& steps) {
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
        if (it->renamed) {
            RenameFile(it->target->placeholder, it->target->file, nullptr);
        }
        if (it->hidden) {
            SetHiddenAttribute(it->target->file, false);
        }
    }
}

} // namespace

const QString& RowPathOf(const RecordingEntry& entry) {
    return entry.frontPath.isEmpty() ? entry.rearPath : entry.frontPath;
}

bool MarkDeletedOnCard(const QString& path, QString* error) {
    if (!IsRecordingName(path)) {
        return Fail(error, QStringLiteral("%1 is no recording of the recorder").arg(path));
    }
    const QFileInfo info(path);
    const QString name = info.fileName();
    const QString holder = QDir::cleanPath(info.absolutePath());
    // A recording outside the four card folders is not the recorder's: looking
    // for its pair in camera folders beside it would find nothing and report
    // a deletion that did not happen.
    if (!CardFolderAt(holder) || !QFileInfo(holder).isDir()) {
        return Fail(error,
                    QStringLiteral("%1 lies outside the card's recording folders").arg(path));
    }
    const QString base = QFileInfo(holder).absolutePath();
    bool numberOk = false;
    const int number = name.mid(kPrefixLength, kNumberLength).toInt(&numberOk);
    if (!numberOk || name.size() < kPrefixLength + kNumberLength) {
        return Fail(error, QStringLiteral("%1 is no recording of the recorder").arg(path));
    }
    const QString prefix = name.left(kPrefixLength);
    const bool parking = IsParkingGroup(path);

    // The front row, then the rear row of the recording's group.
    std::vector<PlaceholderTarget> targets;
    for (const CardFolder& card : kCardFolders) {
        if ((QLatin1String(card.group) == QLatin1String("Parking")) != parking) {
            continue;
        }
        const QString stem = base + u'/' + QLatin1String(card.camera) + u'/' + prefix +
                             QStringLiteral("%1").arg(number, kNumberLength, 10, QLatin1Char('0')) +
                             QLatin1Char(card.letter) + u'.';
        targets.push_back(
            {stem + QLatin1String(card.extension), stem + QLatin1String(card.deletedExtension)});
    }
    // path itself must be one of the pair, or a name that merely contains a
    // recording name would mark the recording it names.
    const QString self = QDir::cleanPath(info.absoluteFilePath());
    bool named = false;
    for (const PlaceholderTarget& t : targets) {
        named = named || t.file == self;
    }
    if (!named) {
        return Fail(error,
                    QStringLiteral("%1 lies outside the card's recording folders").arg(path));
    }
    // Refuse before anything changes, so a conflict or a folder that cannot
    // be changed never leaves half a pair renamed.
    for (const PlaceholderTarget& t : targets) {
        if (!Exists(t.file)) {
            continue;
        }
        if (Exists(t.placeholder)) {
            return Fail(error,
                        QStringLiteral("the placeholder %1 exists already").arg(t.placeholder));
        }
        if (!FolderWritable(QFileInfo(t.file).absolutePath(), error)) {
            return false;
        }
    }
    const bool fat = IsFatVolume(holder);
    std::vector<MarkStep> steps;
    for (const PlaceholderTarget& t : targets) {
        if (!Exists(t.file)) {
            continue;
        }
        MarkStep step{&t};
        if (fat) {
            if (!SetHiddenAttribute(t.file)) {
                Unmark(steps);
                return Fail(error, QStringLiteral("cannot hide %1").arg(t.file));
            }
            step.hidden = true;
        }
        // On FAT the hidden attribute already hides the file from the
        // catalogue and the recorder; elsewhere the rename is the only mark.
        QString why;
        step.renamed = RenameFile(t.file, t.placeholder, &why);
        if (!step.renamed && !fat) {
            Unmark(steps);
            return Fail(error, why);
        }
        steps.push_back(step);
    }
    return true;
}

namespace {

// Whether path lies on a card with the recorder's layout: under cardRoot
// when the user opened one, else on a volume whose root has the layout.
bool OnCard(const QString& path, const QString& cardRoot) {
    if (cardRoot.isEmpty()) {
        return CardLayoutPresent(path);
    }
    const QString root = QDir::cleanPath(cardRoot);
    const QString file = QDir::cleanPath(path);
    if (!file.startsWith(root + u'/') && !(root == QStringLiteral("/") && file.startsWith(root))) {
        return CardLayoutPresent(path);
    }
    const QDir dir(root);
    return QFileInfo::exists(dir.filePath(QStringLiteral("Normal/Front"))) ||
           QFileInfo::exists(dir.filePath(QStringLiteral("Parking/Front")));
}

} // namespace

bool DeleteRecording(const QString& frontPath, const QString& rearPath, const QString& cardRoot,
                     DeleteOutcome* outcome) {
    DeleteOutcome local;
    DeleteOutcome& o = outcome ? *outcome : local;
    o = DeleteOutcome{};
    if (frontPath.isEmpty() && rearPath.isEmpty()) {
        o.error = QStringLiteral("no file given");
        return false;
    }
    const QString& rowPath = frontPath.isEmpty() ? rearPath : frontPath;
    if (IsRecordingName(rowPath) && OnCard(rowPath, cardRoot)) {
        if (!MarkDeletedOnCard(rowPath, &o.error)) {
            return false;
        }
        o.kind = DeleteKind::CardPlaceholders;
        return true;
    }
    const bool done = [&] {
        if (frontPath.isEmpty()) {
            return TrashIfPresent(rearPath, &o.error);
        }
        if (!TrashIfPresent(frontPath, &o.error)) {
            return false;
        }
        // A file that is no recording has no rear partner of its own.
        if (!IsRecordingName(frontPath) || rearPath.isEmpty()) {
            return true;
        }
        return TrashIfPresent(rearPath, &o.error);
    }();
    if (done) {
        o.kind = DeleteKind::Trash;
    }
    return done;
}

OperationResult DeleteRecordings(const RecordingList& jobs, const OperationControl& control,
                                 const DeleteHooks& hooks) {
    const auto n = static_cast<std::int64_t>(jobs.size());
    if (n == 0) {
        return kOperationCancelled;
    }
    if (hooks.stopPlayback) {
        hooks.stopPlayback();
    }
    // The last ticked recording first.
    for (std::int64_t i = n - 1; i >= 0; --i) {
        if (control.Cancelled()) {
            return kOperationCancelled;
        }
        const RecordingEntry& entry = jobs[static_cast<std::size_t>(i)];
        if (!hooks.playerRowPath.isEmpty() && RowPathOf(entry) == hooks.playerRowPath) {
            if (hooks.releasePlayer) {
                hooks.releasePlayer();
            }
            // The engines let go of their files asynchronously.
            if (hooks.releaseWait.count() > 0) {
                std::this_thread::sleep_for(hooks.releaseWait);
            }
        }
        DeleteOutcome outcome;
        const bool deleted =
            DeleteRecording(entry.frontPath, entry.rearPath, hooks.cardRoot, &outcome);
        if (hooks.reportOutcome) {
            hooks.reportOutcome(entry, outcome);
        }
        if (!deleted) {
            return kOperationFailed;
        }
        if (hooks.removeRow) {
            hooks.removeRow(entry);
        }
        control.Progress(n - i - 1, n);
    }
    control.Progress(n, n);
    return kOperationDone;
}

} // namespace kv
