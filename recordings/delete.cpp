#include "delete.h"

#include "card_layout.h"
#include "hidden_attribute_set.h"
#include "hidden_files.h"
#include "recording_name.h"
#include "trash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <thread>
#include <vector>

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

// Moves path to the trash; a file that is not there counts as moved.
bool TrashIfPresent(const QString& path) {
    if (!Exists(path)) {
        return true;
    }
    return MoveToTrash(path);
}

} // namespace

const QString& RowPathOf(const RecordingEntry& entry) {
    return entry.frontPath.isEmpty() ? entry.rearPath : entry.frontPath;
}

bool MarkDeletedOnCard(const QString& path) {
    if (!IsRecordingName(path)) {
        return false;
    }
    const QFileInfo info(path);
    const QString name = info.fileName();
    const QString holder = QDir::cleanPath(info.absolutePath());
    // A recording outside the four card folders is not the recorder's: looking
    // for its pair in camera folders beside it would find nothing and report
    // a deletion that did not happen.
    if (!CardFolderAt(holder) || !QFileInfo(holder).isDir()) {
        return false;
    }
    const QString base = QFileInfo(holder).absolutePath();
    bool numberOk = false;
    const int number = name.mid(kPrefixLength, kNumberLength).toInt(&numberOk);
    if (!numberOk || name.size() < kPrefixLength + kNumberLength) {
        return false;
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
        return false;
    }
    // Refuse before anything changes, so a conflict never leaves half a pair renamed.
    for (const PlaceholderTarget& t : targets) {
        if (Exists(t.file) && Exists(t.placeholder)) {
            return false;
        }
    }
    const bool fat = IsFatVolume(holder);
    for (const PlaceholderTarget& t : targets) {
        if (!Exists(t.file)) {
            continue;
        }
        if (fat && !SetHiddenAttribute(t.file)) {
            return false;
        }
        // On FAT the hidden attribute already hides the file from the
        // catalogue and the recorder; elsewhere the rename is the only mark.
        if (!QFile::rename(t.file, t.placeholder) && !fat) {
            return false;
        }
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

bool DeleteRecording(const QString& frontPath, const QString& rearPath, const QString& cardRoot) {
    if (frontPath.isEmpty() && rearPath.isEmpty()) {
        return false;
    }
    const QString& rowPath = frontPath.isEmpty() ? rearPath : frontPath;
    if (IsRecordingName(rowPath) && OnCard(rowPath, cardRoot)) {
        return MarkDeletedOnCard(rowPath);
    }
    if (frontPath.isEmpty()) {
        return TrashIfPresent(rearPath);
    }
    if (!TrashIfPresent(frontPath)) {
        return false;
    }
    // A file that is no recording has no rear partner of its own.
    if (!IsRecordingName(frontPath) || rearPath.isEmpty()) {
        return true;
    }
    return TrashIfPresent(rearPath);
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
        if (!DeleteRecording(entry.frontPath, entry.rearPath, hooks.cardRoot)) {
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
