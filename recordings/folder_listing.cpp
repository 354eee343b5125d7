#include "catalogue.h"
#include "hidden_files.h"
#include "recording_name.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#if defined(Q_OS_UNIX)
#include <dirent.h>
#include <sys/stat.h>
#endif

namespace kv {

namespace {

#if !defined(Q_OS_UNIX)
FileRecord RecordOf(const QFileInfo& info, bool fatVolume) {
    FileRecord r;
    r.name = info.fileName();
    r.path = info.filePath();
    r.directory = info.isDir();
    r.hidden = r.name.startsWith(u'.') || (fatVolume && HasHiddenAttribute(r.path));
    return r;
}

constexpr QDir::Filters kEverything =
    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
#endif

// The six characters of the file number, compared as text.
QStringView NumberText(const QString& name) {
    return QStringView(name).mid(19, 6);
}

} // namespace

namespace {

// Every folder and regular file of folder but "." and "..", hidden ones
// included, links as what they point to (a dangling link as a file); FIFOs,
// sockets and devices are left out. visit(record).
template <typename Visit> void ReadFolder(const QString& folder, bool fat, Visit&& visit) {
#if defined(Q_OS_UNIX)
    // readdir gives the entry type without a stat per file.
    const QByteArray encoded = QFile::encodeName(folder);
    DIR* dir = ::opendir(encoded.constData());
    if (!dir) {
        return;
    }
    const QString prefix = folder.endsWith(u'/') ? folder : folder + u'/';
    while (const dirent* e = ::readdir(dir)) {
        const char* n = e->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) {
            continue;
        }
        FileRecord r;
        r.name = QFile::decodeName(n);
        r.path = prefix + r.name;
        r.symlink = e->d_type == DT_LNK;
        if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
            struct stat info {};
            const bool known = ::stat((encoded + '/' + n).constData(), &info) == 0;
            if (known && !S_ISDIR(info.st_mode) && !S_ISREG(info.st_mode)) {
                continue; // a FIFO, socket or device is no recording, whatever its name
            }
            r.directory = known && S_ISDIR(info.st_mode);
        } else if (e->d_type != DT_DIR && e->d_type != DT_REG) {
            continue;
        } else {
            r.directory = e->d_type == DT_DIR;
        }
        r.hidden = r.name.startsWith(u'.') || (fat && HasHiddenAttribute(r.path));
        visit(std::move(r));
    }
    ::closedir(dir);
#else
    QDirIterator it(folder, kEverything);
    while (it.hasNext()) {
        it.next();
        if (!it.fileInfo().isDir() && !it.fileInfo().isFile() && it.fileInfo().exists()) {
            continue;
        }
        FileRecord r = RecordOf(it.fileInfo(), fat);
        r.symlink = it.fileInfo().isSymLink();
        visit(std::move(r));
    }
#endif
}

// Links to folders are not followed, here as in the catalogue scan: a link
// back up the tree would list its recordings twice (or for ever).
void ReadTree(const QString& folder, bool fat, std::vector<FileRecord>& out) {
    ReadFolder(folder, fat, [&](FileRecord&& r) {
        if (r.directory) {
            if (!r.symlink) {
                ReadTree(r.path, fat, out); // hidden folders are still entered
            }
        } else if (!r.hidden) {
            out.push_back(std::move(r));
        }
    });
}

} // namespace

std::vector<FileRecord> ListFolder(const QString& folder) {
    std::vector<FileRecord> records;
    ReadFolder(folder, IsFatVolume(folder), [&](FileRecord&& r) {
        if (!r.hidden) {
            records.push_back(std::move(r));
        }
    });
    return records;
}

std::vector<FileRecord> ListTree(const QString& folder) {
    std::vector<FileRecord> records;
    ReadTree(folder, IsFatVolume(folder), records);
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
    const auto before = [](const Key& a, const Key& b) {
        return a.part != b.part ? a.part < b.part : a.number < b.number;
    };
    if (std::is_sorted(keys.begin(), keys.end(), before)) {
        return; // the usual case when a scan sorts again after a folder without new entries
    }
    std::stable_sort(keys.begin(), keys.end(), before);
    RecordingList sorted;
    sorted.reserve(entries.size());
    for (const Key& k : keys) {
        sorted.push_back(std::move(entries[k.at]));
    }
    entries = std::move(sorted);
}

} // namespace kv
