#include "catalogue.h"
#include "hidden_files.h"
#include "recording_name.h"

#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace kv {

namespace {

FileRecord RecordOf(const QFileInfo& info, bool fatVolume) {
    FileRecord r;
    r.name = info.fileName();
    r.path = info.filePath();
    r.directory = info.isDir();
    r.hidden = r.name.startsWith(u'.') || (fatVolume && HasHiddenAttribute(r.path));
    r.size = r.directory ? 0 : info.size();
    r.written = info.lastModified();
    return r;
}

constexpr QDir::Filters kEverything =
    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

// The six characters of the file number, compared as text.
QStringView NumberText(const QString& name) {
    return QStringView(name).mid(19, 6);
}

} // namespace

std::vector<FileRecord> ListFolder(const QString& folder) {
    std::vector<FileRecord> records;
    const bool fat = IsFatVolume(folder);
    QDirIterator it(folder, kEverything);
    while (it.hasNext()) {
        it.next();
        FileRecord r = RecordOf(it.fileInfo(), fat);
        if (!r.hidden) {
            records.push_back(std::move(r));
        }
    }
    return records;
}

std::vector<FileRecord> ListTree(const QString& folder) {
    std::vector<FileRecord> records;
    const bool fat = IsFatVolume(folder);
    // Hidden folders are still entered; only hidden files are left out.
    QDirIterator it(folder, kEverything, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isDir()) {
            continue;
        }
        FileRecord r = RecordOf(info, fat);
        if (!r.hidden) {
            records.push_back(std::move(r));
        }
    }
    return records;
}

std::vector<FileRecord> CollectFolderFiles(const QString& folder) {
    std::vector<FileRecord> files = ListTree(folder);
    std::vector<FileRecord> collected;
    collected.reserve(files.size());
    QSet<QString> seen;
    seen.reserve(static_cast<qsizetype>(files.size()));
    for (FileRecord& r : files) {
        // Each recording once, under its front path, even when only the rear file exists.
        if (IsRearName(r.path)) {
            r.path = FrontCounterpart(r.path);
            r.name = FileNameOf(r.path).toString();
        }
        if (!seen.contains(r.path)) {
            seen.insert(r.path);
            collected.push_back(std::move(r));
        }
    }
    return collected;
}

void SortFiles(std::vector<FileRecord>& files) {
    const auto valid = std::stable_partition(
        files.begin(), files.end(), [](const FileRecord& r) { return IsRecordingName(r.name); });
    const auto byNumber = [](const FileRecord& a, const FileRecord& b) {
        return NumberText(a.name) < NumberText(b.name);
    };
    std::stable_sort(files.begin(), valid, byNumber);
    std::stable_sort(valid, files.end(), byNumber);
}

void SortListing(std::vector<FileRecord>& files) {
    std::stable_sort(files.begin(), files.end(), [](const FileRecord& a, const FileRecord& b) {
        if (a.directory != b.directory) {
            return a.directory;
        }
        return a.path < b.path;
    });
}

void SortEntries(RecordingList& entries) {
    // Ordinary recordings, then parking ones, then names that are no recording
    // names; each part by file number.
    struct Key {
        int part;
        QStringView number;
        std::size_t at;
    };
    std::vector<Key> keys;
    keys.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const QString& name = entries[i].rowName();
        const int part = !IsRecordingName(name) ? 2 : IsParkingGroup(name) ? 1 : 0;
        keys.push_back({part, NumberText(name), i});
    }
    std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        return a.part != b.part ? a.part < b.part : a.number < b.number;
    });
    RecordingList sorted;
    sorted.reserve(entries.size());
    for (const Key& k : keys) {
        sorted.push_back(std::move(entries[k.at]));
    }
    entries = std::move(sorted);
}

} // namespace kv
