#include "recording_sources.h"

#include "catalogue.h"
#include "memory_tree.h"

#include <QDir>
#include <QFileInfo>

namespace kv::cli {

bool RecordingsOfSource(const QString& source, RecordingList& entries, QTextStream& err) {
    entries.clear();
    const QString path = QDir::cleanPath(source);
    const QFileInfo info(path);
    Catalogue catalogue;
    if (info.isFile()) {
        AddFile(catalogue, path, entries);
        if (entries.empty()) {
            // A file under another name: taken as a front-camera recording.
            RecordingEntry e;
            e.frontPath = path;
            e.frontName = info.fileName();
            entries.push_back(e);
        }
        return true;
    }
    if (info.isDir()) {
        int files = 0;
        CollectAll(catalogue, path, entries, files, 0);
        return true;
    }
    if (QFileInfo(info.path()).isDir()) {
        MemoryTree tree;
        ScanContext context(catalogue, tree, entries);
        if (ScanSource(path, kTreeRoot, 0, context).ok && !entries.empty()) {
            SortEntries(entries);
            return true;
        }
    }
    err << "kolvista-cli: no such file, folder or group: " << source << "\n";
    return false;
}

QStringList FrontFiles(const RecordingList& entries) {
    QStringList files;
    for (const RecordingEntry& e : entries) {
        if (!e.frontPath.isEmpty()) {
            files << e.frontPath;
        }
    }
    return files;
}

QStringList RecordingFiles(const RecordingList& entries) {
    QStringList files;
    for (const RecordingEntry& e : entries) {
        for (const QString& f : {e.frontPath, e.rearPath}) {
            if (!f.isEmpty()) {
                files << f;
            }
        }
    }
    return files;
}

} // namespace kv::cli
