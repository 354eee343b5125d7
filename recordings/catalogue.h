#pragma once

#include "avi_verify.h"
#include "recording_entry.h"

#include <QSet>
#include <QString>

#include <cstdint>
#include <vector>

// The catalogue: listing, pairing and grouping of the recordings of a card or
// folder into the browser's folder tree and recording lists.
namespace kv {

constexpr int kMaxTreeItems = 1500;   // no item is added once the tree holds this many
constexpr int kMaxListEntries = 1000; // one scan adds at most this many entries to a list
constexpr int kMaxCardDepth = 3;      // card folders are descended at most this deep

// State kept between scans; the file browser owns one.
struct Catalogue {
    std::int32_t sequenceCounter = 0; // the next entry's sequence; reset before each scan
    int groupSize = 200;              // most files in one group; set from the card's capacity
    bool cardLayout = false;          // of the last card scan
};

// The folder tree the browser shows, as the catalogue fills it.
using TreeItem = std::uintptr_t;
constexpr TreeItem kTreeRoot = 0;

class CatalogueTree {
public:
    virtual ~CatalogueTree() = default;
    virtual TreeItem AppendItem(TreeItem parent, const QString& text) = 0;
    virtual int ItemCount() const = 0;
    virtual void SetItemData(TreeItem item, int data) = 0;
};

// True when the video engines can open path: it opens for reading, is not
// empty and below 4 GiB.
bool ProbeRecording(const QString& path);

// The verification results of the files met during one scan, so that each
// file is verified once however often the scan pairs it.
class RecordingChecks {
public:
    struct Result {
        int verdict = kRecordingUnreadable;
        std::int64_t expectedLength = 0;
    };
    const Result& Verify(const QString& path);
    // The probe of a file that is about to be verified anyway: verification
    // fails to open exactly the files the probe refuses.
    bool VerifiedProbe(const QString& path) { return Verify(path).verdict != kRecordingUnreadable; }

private:
    QHash<QString, Result> results_;
};

// Listing.
std::vector<FileRecord> ListFolder(const QString& folder);
std::vector<FileRecord> ListTree(const QString& folder);
std::vector<FileRecord> CollectFolderFiles(const QString& folder);
void SortFiles(std::vector<FileRecord>& files);
void SortListing(std::vector<FileRecord>& files);
void SortEntries(RecordingList& entries);

// Pairing.
QString CounterpartPath(const QString& path, const QString& fromFolder, const QString& toFolder,
                        const QString& fromSuffix, const QString& toSuffix);
QString FrontCounterpart(const QString& rearPath);
QString RearCounterpart(const QString& frontPath);

struct PathPair {
    QString front;
    QString rear;
};

// The front and rear paths already in a list, for fast pairing during scans.
class PairedPaths {
public:
    PairedPaths() = default;
    explicit PairedPaths(const RecordingList& entries);
    bool Contains(const PathPair& pair) const;
    void Add(const RecordingEntry& entry);

private:
    QSet<QString> front_;
    QSet<QString> rear_;
};

// Front and rear paths of the recording of path; false when path is no
// recording name or the pair is already in the list (the same front path or
// the same rear path, compared exactly).
bool PairOf(const QString& path, const RecordingList& entries, PathPair& pair);
bool PairOf(const QString& path, const PairedPaths& known, PathPair& pair);

void MakeEntry(Catalogue& catalogue, const QString& frontPath, const QString& rearPath,
               RecordingList& entries, RecordingChecks* checks = nullptr);
void MakeFolderEntry(const QString& path, RecordingList& entries);
// The recording of one file.
void AddFile(Catalogue& catalogue, const QString& path, RecordingList& entries);

// Group labels of files walked in SortFiles order: consecutive numbers stay in
// one group of at most groupSize files; an 'S' or a gap starts a new one,
// labelled with its date and a per-date counter ("220820_0001").
class GroupLabeler {
public:
    explicit GroupLabeler(int groupSize) : groupSize_(groupSize) {}
    const QString& Next(const QString& name);

private:
    int groupSize_;
    QString label_;
    int previous_ = 0;
    int count_ = 0;
    QHash<QString, int> perDate_;
};

// What ScanSource works with.
struct ScanContext {
    ScanContext(Catalogue& c, CatalogueTree& t, RecordingList& e)
        : catalogue(c), tree(t), entries(e) {}

    Catalogue& catalogue;
    CatalogueTree& tree;
    RecordingList& entries;
    RecordingList* folderEntries = nullptr; // collected during a card scan
    bool maskFlag = true;                   // give tree items their kind mask
    bool cardLayout = false;
    int* counter = nullptr; // counts the new pairs, also beyond the list limit
    RecordingChecks checks;
};

struct ScanResult {
    bool ok = false;
    QString outputFolder; // the folder whose recordings the list shows
};

// The one entry point of the file browser: a card, a folder or a group item's path.
ScanResult ScanSource(const QString& path, TreeItem parent, int depth, ScanContext& context);

// All recordings under folder, paired and sorted; fileCounter counts every file seen.
void CollectAll(Catalogue& catalogue, const QString& folder, RecordingList& entries,
                int& fileCounter, int depth);

} // namespace kv
