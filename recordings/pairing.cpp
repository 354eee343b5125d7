#include "avi_verify.h"
#include "catalogue.h"
#include "recording_name.h"

#include <QFileInfo>

namespace kv {

namespace {

const QString kFront = QStringLiteral("Front");
const QString kRear = QStringLiteral("Rear");
const QString kFrontSuffix = QStringLiteral("F.AVI");
const QString kRearSuffix = QStringLiteral("R.AVI");

} // namespace

QString CounterpartPath(const QString& path, const QString& fromFolder, const QString& toFolder,
                        const QString& fromSuffix, const QString& toSuffix) {
    const qsizetype cut = path.lastIndexOf(u'/');
    QString name = cut < 0 ? path : path.mid(cut + 1);
    QString folder = cut < 0 ? QString() : path.left(cut);
    // The parent folder's name ends with the camera name ("Front", "CamFront").
    if (folder.endsWith(fromFolder)) {
        folder = folder.left(folder.size() - fromFolder.size()) + toFolder;
    }
    name.replace(fromSuffix, toSuffix);
    return cut < 0 ? name : folder + u'/' + name;
}

QString FrontCounterpart(const QString& rearPath) {
    return CounterpartPath(rearPath, kRear, kFront, kRearSuffix, kFrontSuffix);
}

QString RearCounterpart(const QString& frontPath) {
    return CounterpartPath(frontPath, kFront, kRear, kFrontSuffix, kRearSuffix);
}

PairedPaths::PairedPaths(const RecordingList& entries) {
    for (const auto& e : entries) {
        Add(e);
    }
}

bool PairedPaths::Contains(const PathPair& pair) const {
    return front_.contains(pair.front) || rear_.contains(pair.rear);
}

void PairedPaths::Add(const RecordingEntry& entry) {
    front_.insert(entry.frontPath);
    rear_.insert(entry.rearPath);
}

bool PairOf(const QString& path, const PairedPaths& known, PathPair& pair) {
    if (IsFrontName(path)) {
        pair = {path, RearCounterpart(path)};
    } else if (IsRearName(path)) {
        pair = {FrontCounterpart(path), path};
    } else {
        return false;
    }
    return !known.Contains(pair);
}

bool PairOf(const QString& path, const RecordingList& entries, PathPair& pair) {
    return PairOf(path, PairedPaths(entries), pair);
}

namespace {

// Fills one camera's fields when its file exists.
void FillCamera(const QString& path, RecordingChecks* checks, QString& outPath, QString& outName,
                std::int32_t& damaged, std::int64_t& expected) {
    std::int64_t length = 0;
    int verdict = 0;
    if (checks) {
        const auto& r = checks->Verify(path);
        verdict = r.verdict;
        length = r.expectedLength;
    } else {
        verdict = VerifyRecording(path, &length);
    }
    if (verdict == kRecordingUnreadable && !QFileInfo(path).isFile()) {
        return; // a missing file, or no regular file, leaves its half of the entry empty
    }
    outPath = path;
    outName = FileNameOf(path).toString();
    // 2 for a file that cannot be read: neither damaged (no repair can read
    // it either) nor sound.
    damaged = verdict == kRecordingDamaged ? 1 : (verdict == kRecordingUnreadable ? 2 : 0);
    expected = length;
}

} // namespace

void MakeEntry(Catalogue& catalogue, const QString& frontPath, const QString& rearPath,
               RecordingList& entries, RecordingChecks* checks) {
    if (!HasAviExtension(frontPath)) {
        return;
    }
    RecordingEntry e;
    FillCamera(frontPath, checks, e.frontPath, e.frontName, e.frontDamaged, e.frontExpectedLength);
    FillCamera(rearPath, checks, e.rearPath, e.rearName, e.rearDamaged, e.rearExpectedLength);
    e.sequence = catalogue.sequenceCounter++;
    e.exported = 0;
    e.parkingGroup = IsParkingGroup(e.rowName()) ? 1 : 0;
    e.modeLetter = HasModeLetter(frontPath) ? FileNameOf(frontPath)[0].unicode() : 0;
    entries.push_back(std::move(e));
}

void MakeFolderEntry(const QString& path, RecordingList& entries) {
    RecordingEntry e;
    e.frontPath = path;
    e.frontName = FileNameOf(path).toString();
    e.sequence = -1;
    e.frontExpectedLength = -1;
    e.rearExpectedLength = -1;
    entries.push_back(std::move(e));
}

void AddFile(Catalogue& catalogue, const QString& path, RecordingList& entries) {
    PathPair pair;
    if (PairOf(path, entries, pair)) {
        MakeEntry(catalogue, pair.front, pair.rear, entries);
    }
}

} // namespace kv
