#include "catalogue.h"
#include "recording_name.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace kv {

namespace {

const QString kFrontFolder = QStringLiteral("Front");
const QString kRearFolder = QStringLiteral("Rear");

QString Join(const QString& folder, const QString& name) {
    return folder + u'/' + name;
}

// The recordings of a folder's tree that a group walk considers: front
// files (after the front normalisation) with the AVI extension, in
// file-number order.
std::vector<FileRecord> GroupCandidates(const QString& folder) {
    std::vector<FileRecord> files = CollectFolderFiles(folder);
    SortFiles(files);
    std::erase_if(files, [](const FileRecord& r) {
        return r.directory || !HasAviExtension(r.path) || !IsFrontName(r.path);
    });
    return files;
}

void ScanFolderTree(const QString& folder, TreeItem parent, ScanContext& c) {
    GroupLabeler labeler(c.catalogue.groupSize);
    QString current;
    TreeItem lastInserted = kTreeRoot;
    bool inserted = false;
    int mask = 0;
    for (const FileRecord& r : GroupCandidates(folder)) {
        const QString& label = labeler.Next(r.name);
        if (c.tree.ItemCount() >= kMaxTreeItems) {
            continue;
        }
        if (label != current) {
            current = label;
            if (c.maskFlag) {
                if (inserted) {
                    c.tree.SetItemData(lastInserted, mask);
                }
                mask = 0;
            }
            lastInserted = c.tree.AppendItem(parent, label);
            inserted = true;
            if (c.folderEntries) {
                MakeFolderEntry(r.path, *c.folderEntries);
            }
        }
        if (c.maskFlag) {
            mask |= KindMask(r.name);
        }
    }
    if (c.maskFlag && inserted) {
        c.tree.SetItemData(lastInserted, mask);
    }
}

// Pairs the recording of path with the list; a new pair is counted, and
// added while the list holds fewer than the limit.
void AddPair(const QString& path, PairedPaths& known, ScanContext& c) {
    PathPair pair;
    if (!PairOf(path, known, pair)) {
        return;
    }
    if (c.counter) {
        ++*c.counter;
    }
    if (static_cast<int>(c.entries.size()) < kMaxListEntries) {
        MakeEntry(c.catalogue, pair.front, pair.rear, c.entries, &c.checks);
        known.Add(c.entries.back());
    }
}

void ScanFolderList(const QString& folder, const QString& wanted, ScanContext& c) {
    GroupLabeler labeler(c.catalogue.groupSize);
    PairedPaths known(c.entries);
    for (const FileRecord& r : GroupCandidates(folder)) {
        if (labeler.Next(r.name) != wanted) {
            continue;
        }
        AddPair(r.path, known, c);
    }
}

bool ScanCardFolder(const QString& folder, TreeItem parent, int depth, ScanContext& c) {
    std::vector<FileRecord> listing = ListFolder(folder);
    std::sort(listing.begin(), listing.end(),
              [](const FileRecord& a, const FileRecord& b) { return a.path < b.path; });
    c.catalogue.cardLayout = c.cardLayout;
    PairedPaths known(c.entries);
    for (const FileRecord& r : listing) {
        if (r.directory) {
            if (r.symlink || depth >= kMaxCardDepth || c.tree.ItemCount() >= kMaxTreeItems) {
                continue;
            }
            if (!c.cardLayout) {
                // Its contents are scanned when the item is selected.
                c.tree.AppendItem(parent, r.name);
                continue;
            }
            if (r.name == kRearFolder) {
                continue;
            }
            const TreeItem item =
                r.name == kFrontFolder ? parent : c.tree.AppendItem(parent, r.name);
            if (!c.folderEntries) {
                continue;
            }
            const ScanResult sub = ScanSource(r.path, item, depth + 1, c);
            if (!sub.ok) {
                return false;
            }
            MakeFolderEntry(sub.outputFolder, *c.folderEntries);
            if (FileNameOf(sub.outputFolder) == kFrontFolder) {
                const QString parentFolder = sub.outputFolder.left(sub.outputFolder.size() - 6);
                MakeFolderEntry(Join(parentFolder, kRearFolder), *c.folderEntries);
                int mask = 0;
                for (const FileRecord& f : ListFolder(sub.outputFolder)) {
                    if (!f.directory && HasAviExtension(f.path) && IsRecordingName(f.name) &&
                        ProbeRecording(f.path)) {
                        mask |= KindMask(f.name);
                    }
                }
                if (mask != 0) {
                    c.tree.SetItemData(item, mask);
                }
            }
            known = PairedPaths(c.entries);
            continue;
        }
        if (!HasAviExtension(r.path) || !IsRecordingName(r.name) ||
            !c.checks.VerifiedProbe(r.path)) {
            continue;
        }
        AddPair(r.path, known, c);
    }
    return true;
}

enum class SourceKind { CardOrPlain, RecordingFolder, GroupItem };

SourceKind Classify(const QString& path) {
    const QFileInfo info(path);
    if (!info.isDir() || !QDir(path).isReadable()) {
        return SourceKind::GroupItem; // cannot be listed: a group item's path
    }
    for (const FileRecord& r : ListFolder(path)) {
        if ((r.directory && r.name == kFrontFolder) || (!r.directory && IsFrontName(r.name))) {
            return SourceKind::RecordingFolder;
        }
    }
    return SourceKind::CardOrPlain;
}

QString FrontOrSelf(const QString& folder) {
    const QString front = Join(folder, kFrontFolder);
    return QFileInfo(front).isDir() ? front : folder;
}

} // namespace

ScanResult ScanSource(const QString& path, TreeItem parent, int depth, ScanContext& context) {
    switch (Classify(path)) {
    case SourceKind::RecordingFolder:
        ScanFolderTree(path, parent, context);
        return {true, FrontOrSelf(path)};
    case SourceKind::GroupItem: {
        const qsizetype cut = path.lastIndexOf(u'/');
        const QString folder = cut < 0 ? QString() : path.left(cut);
        const QString label = path.mid(cut + 1);
        ScanFolderList(folder, label, context);
        return {true, FrontOrSelf(folder)};
    }
    case SourceKind::CardOrPlain:
        break;
    }
    const bool ok = ScanCardFolder(path, parent, depth, context);
    return {ok, path};
}

namespace {

void CollectInto(Catalogue& catalogue, const QString& folder, RecordingList& entries,
                 int& fileCounter, int depth, PairedPaths& known, RecordingChecks& checks) {
    std::vector<FileRecord> listing = ListFolder(folder);
    SortListing(listing);
    for (const FileRecord& r : listing) {
        if (r.directory) {
            if (!r.symlink && depth < kMaxCardDepth) {
                const int before = fileCounter;
                CollectInto(catalogue, r.path, entries, fileCounter, depth + 1, known, checks);
                if (fileCounter != before) {
                    SortEntries(entries);
                }
            }
            continue;
        }
        ++fileCounter;
        if (!HasAviExtension(r.path) || !IsRecordingName(r.name) || !checks.VerifiedProbe(r.path)) {
            continue;
        }
        PathPair pair;
        if (PairOf(r.path, known, pair)) {
            MakeEntry(catalogue, pair.front, pair.rear, entries, &checks);
            known.Add(entries.back());
        }
    }
}

} // namespace

void CollectAll(Catalogue& catalogue, const QString& folder, RecordingList& entries,
                int& fileCounter, int depth) {
    PairedPaths known(entries);
    RecordingChecks checks;
    CollectInto(catalogue, folder, entries, fileCounter, depth, known, checks);
}

} // namespace kv
