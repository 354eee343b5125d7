#pragma once

// Repair of recordings whose recorder lost power: the RIFF size, the movi
// size and the index were never written. The chunk stream is scanned, a new
// index is built, the header is patched, and the result is written as a copy
// in the repair folder, which the player then plays instead of the source.
// The source is only ever read.

#include "avi_layout.h"
#include "file_operation.h"
#include "mapped_file.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace kv {

// ---------------------------------------------------------------------------
// Where repaired copies live.

inline constexpr char kRepairFolderName[] = "repaired_movie_files";

// "repaired_movie_files" in a folder of the user's own: "kolvista" in the
// runtime folder ($XDG_RUNTIME_DIR, when it is set to an absolute path of an
// existing folder), else "kolvista-<uid>" in the temporary folder
// (QDir::tempPath()). Both are made with mode 0700; copies are 0600.
QString RepairFolder();

// Checks the repair folder and the folder that holds it: each must be a
// folder (not a link) of the user's, closed to group and others. Returns
// why one is not, naming it; empty when both are fine, or when one is
// missing and make is false. With make, missing ones are made (0700).
// Folders that fail are never changed, and nothing is written in them.
QString CheckRepairFolder(bool make = false);

// The repaired copy of a recording: its file name inside the repair folder.
QString RepairedPath(const QString& path);

// Beside each copy the repair keeps a record of the source it was made from
// (its canonical path, size and modification time) and of the copy itself:
// ".<copy's name>.source". Records stay in the repair folder; they are no
// copies to keep.
inline constexpr char kSourceRecordSuffix[] = ".source";
QString SourceRecordPath(const QString& copy);
bool IsSourceRecordName(QStringView name);

// True when copy's record says it was made from source as source is now
// (same file, size and modification time) and copy is the file the record
// was written for.
bool CopyMadeFrom(const QString& copy, const QString& source);

// True when the repair folder passes CheckRepairFolder and holds a copy of
// source made from it as it is now (CopyMadeFrom).
bool HasRepairedCopy(const QString& source);

// The path the player opens for path. Only front and rear recordings (names
// with "F.AVI", "F.avi", "R.AVI" or "R.avi") are considered; others are
// returned as they are. A sound recording loses any stale copy and is played
// itself; a damaged one is played from its copy, repaired first unless the
// copy was made from the source as it is now (HasRepairedCopy). When that
// repair fails the copy's path is returned all the same, with no file under
// it, and the open then fails; when the repair folder is refused
// (CheckRepairFolder) the path is empty.
QString PrepareForPlay(const QString& path, const OperationControl* control = nullptr);

// ---------------------------------------------------------------------------
// The repair itself.

// How the tag search reads the file: windows of `length` bytes, each starting
// `step` bytes after the previous one; in each window tags are searched only at the
// positions of its first `step` bytes (and only where all four tag bytes lie in
// the window). With step <= length - 3 every position is searched exactly once.
// Tests shrink the windows; the recorder files use the defaults.
struct ScanWindows {
    std::uint64_t length = std::uint64_t{32} << 20;
    std::uint64_t step = std::uint64_t{16} << 20;

    bool Valid() const { return step > 0 && length >= 4 && step <= length - 3; }
};

// Bytes copied per mapped window while writing a repaired copy.
constexpr std::uint64_t kRepairCopyWindow = std::uint64_t{16} << 20;

// The first "00dc" or "01wb" that begins in [first, last); last when there is
// none. The caller guarantees that the three bytes after last are readable.
// Finds exactly what a comparison at every position finds.
const unsigned char* FindChunkTag(const unsigned char* first, const unsigned char* last);

// Every offset from start at which "00dc" or "01wb" begins, found through the
// scan's windows (the scan itself stops at its first inconsistent chunk).
// Empty when the file cannot be opened or a window cannot be mapped.
std::vector<std::uint64_t> FindChunkTags(const QString& path, std::uint64_t start,
                                         const ScanWindows& windows = {});

// What a repair works on: the source, its header copy and the new index.
struct RepairContext {
    QString source;
    bool timeLapse = false;
    // The source's first P bytes (P = avi::PayloadStart: up to and including the
    // "movi" tag); BuildIndex patches the sizes and counts in place.
    QByteArray header;
    std::vector<avi::IndexEntry> entries; // from ScanChunks, in file order
    QByteArray index;                     // "idx1", its size, 16 bytes per entry
    std::uint32_t moviSize = 0;           // from the "movi" tag to the end of the last chunk
    std::uint32_t videoChunks = 0;
    std::uint32_t audioChunks = 0;
};

// Walks the chunk stream from the first tag after the "movi" tag, chunk to
// chunk by the size fields (payloads are never searched while the chain
// holds, so tag bytes inside a picture do not matter), and collects the
// index entries up to the first chunk that does not fit before the end of
// the file. Where the chain breaks (no tag where the last chunk ends) a tag
// found inside that chunk's payload drops it. Failed when the file cannot be
// read (or has shrunk); cancelled when the control's running flag is cleared
// (tested before the walk and at each step of the windows). Progress: bytes
// walked of the bytes after the tag, in steps of the windows.
OperationResult ScanChunks(MappedFile& source, bool timeLapse,
                           std::vector<avi::IndexEntry>& entries,
                           const OperationControl* control = nullptr,
                           const ScanWindows& windows = {});

// Builds context.index from context.entries and patches context.header (movi
// size, RIFF size, frame and chunk counts, audio defaults). False when there
// is no entry, the header copy is short, or the copy would reach 4 GiB.
bool BuildIndex(RepairContext& context);

// Writes the repaired copy: patched header, the chunks (copied from the
// source in 16 MB windows, inside the kernel where the system can), the
// index, "CCCCCCCC" and an empty telemetry block: the 40-byte "CSMDAT" head
// with no records and a 28-byte "CSMEND" trailer with a zero count (the
// source's last 28 bytes when they are such a trailer), so that the copy
// loads as a recording (LoadClip) wherever a recorder file does. The bytes
// go to a temporary name beside target, which is renamed
// to target only once complete; on failure or cancel the temporary file is
// removed and target is left as it was.
OperationResult WriteRepaired(MappedFile& source, const RepairContext& context,
                              const QString& target, const OperationControl* control = nullptr,
                              QString* error = nullptr);

// What RepairFile did.
struct RepairReport {
    std::uint32_t videoChunks = 0;
    std::uint32_t audioChunks = 0;
    std::uint32_t moviSize = 0;
    std::int64_t outputSize = 0;
    QString error; // why the repair failed
};

// Repairs source into target: header copy, scan, index, write. When target
// lies in the repair folder, the folder is made or checked first
// (CheckRepairFolder; a refused folder fails the repair before anything is
// read or written), the copy is made 0600 and its source record is written
// once the copy is in place. Failed when the source cannot be read
// or is shorter than its header, no chunk can be indexed, or a write fails;
// nothing is then left under target's name (an earlier file there stays as it
// was). Progress: bytes read, the scan's first, then the copy's.
OperationResult RepairFile(const QString& source, const QString& target,
                           const OperationControl* control = nullptr,
                           RepairReport* report = nullptr);

// ---------------------------------------------------------------------------
// Deleting and keeping the copies.

// Suffix of the temporary names copies are written under; such files are
// incomplete and never moved out of the repair folder.
inline constexpr char kPartialCopyMark[] = ".repairing-";

// Deletes a repaired copy (with its source record) or the repair folder: into
// the trash, or for good when the trash refuses. Paths longer than the system
// takes (kMaxShellPath) are left alone. True when the path does not exist
// afterwards.
bool DeleteRepairPath(const QString& path);

// Deletes the repair folder with whatever it holds (at start-up and after
// OfferRepairedFiles). A folder CheckRepairFolder refuses is left alone
// (false).
bool DeleteRepairFolder();

// The questions OfferRepairedFiles asks; the user interface implements them
// with its message dialog and the settings store's folder chooser.
class RepairPrompts {
public:
    enum : int {
        kOk = 0,    // button style OK alone
        kYesNo = 4, // button style "はい" / "いいえ"
        kYes = 1,
        kNo = 2,
    };
    virtual ~RepairPrompts() = default;
    // Modal message; returns kYes or kNo for the kYesNo style.
    virtual int ShowMessage(const QString& text, const QString& caption, int style) = 0;
    // Folder chooser starting at the folder remembered under section/key; empty when cancelled.
    virtual QString ChooseFolder(const QString& section, const QString& key,
                                 const QString& title) = 0;
    // Remembers folder under section/key.
    virtual void RememberFolder(const QString& section, const QString& key,
                                const QString& folder) = 0;
};

struct MoveResult {
    int moved = 0;
    int failed = 0;       // left in the source folder
    QStringList renamed;  // the names in destination of files saved under a free name
    QStringList notSaved; // the names of the files left in the source folder
};

// Moves every file of folder (not sub-folders, partial copies or source
// records) into
// destination: renamed, or copied and removed across
// volumes. A name already taken in destination is never replaced: the file
// is saved under a free name beside it ("name (2).AVI", "name (3).AVI", ...).
// A failed move leaves nothing under the destination name and the file where
// it was.
MoveResult MoveFolderFiles(const QString& folder, const QString& destination);

struct RepairOffer {
    bool asked = false; // the repair folder existed
    QString folder;     // chosen destination; empty when not saved
    MoveResult move;
    bool folderDeleted = false;
};

// When the repair folder exists and passes CheckRepairFolder: asks whether to keep its copies, lets
// the user choose a folder and moves them there (remembering the folder when every file moved), and
// tells the user of copies saved under another name and of copies that could not be saved. The
// repair folder is deleted when the user keeps nothing or every copy was saved; a copy the user
// wanted to keep and that is still in it keeps the folder (and is offered again).
RepairOffer OfferRepairedFiles(RepairPrompts& prompts);

} // namespace kv
