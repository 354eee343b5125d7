#pragma once

#include "file_operation.h"
#include "recording_entry.h"

#include <QString>

#include <chrono>
#include <functional>

// Deleting recordings. On the recorder's card a deleted recording becomes a
// pair of placeholder files: the same names with the extension "DMY" in place
// of "AVI", which the recorder and the catalogue skip. Where the file system
// has a hidden attribute (FAT, as on the card), the files are also made hidden
// before the rename; elsewhere (a card copied to another file system) the
// rename alone marks them deleted, since the catalogue lists only ".AVI"
// names. Away from a card, recordings go to the
// desktop's trash, from which the user can restore them.
namespace kv {

// The path a list row stands for: the front path, or the rear path without a front file.
const QString& RowPathOf(const RecordingEntry& entry);

// How a recording was deleted.
enum class DeleteKind {
    None,             // it was not
    CardPlaceholders, // its files became placeholders on the card
    Trash,            // its files went to the trash
};

struct DeleteOutcome {
    DeleteKind kind = DeleteKind::None;
    QString error; // why it was not deleted
};

// Turns the card recording of path (front or rear file) into its placeholder
// pair. path must lie directly in one of the four card folders
// ("Normal/Front", ...); the pair is looked for in the camera folders of the
// recording's group beside it. False, with nothing renamed, when path is no
// recording name, lies outside the card folders, a placeholder of either
// file already exists, or the folder of either file cannot be written.
// False when a hidden attribute that the file system has cannot be set, or
// the rename that is the only mark fails; the file of the pair already marked
// is then restored, so a pair is never left half deleted. Files of the pair
// that do not exist are skipped. error: why it returned false.
bool MarkDeletedOnCard(const QString& path, QString* error = nullptr);

// Removes the files of one recording. A recording name on a volume with the
// card layout is marked deleted on the card (MarkDeletedOnCard). Otherwise
// the front file goes to the trash, then the rear file, but only when the
// front file's name is a recording name (with only a rear path: the rear
// file). A file that does not exist counts as deleted; the first file that
// cannot be moved to the trash ends the deletion with false. False when both
// paths are empty.
// cardRoot: the root of the card the recording was listed from, when the
// user opened a card; its layout then decides instead of the layout at the
// root of the file's volume (a card reader's folder that is not the root of
// its volume, or a card image mounted inside another folder).
// outcome: how it was deleted, or why not.
bool DeleteRecording(const QString& frontPath, const QString& rearPath,
                     const QString& cardRoot = {}, DeleteOutcome* outcome = nullptr);

// What the user interface does around the delete worker. Every callback runs
// on the worker thread and must not wait for the user-interface thread (a
// cancel makes that thread wait for the worker): post, do not block.
struct DeleteHooks {
    // Stops playback before the first file is touched.
    std::function<void()> stopPlayback;
    // The row path of the recording in the player (the list row that was
    // selected when the delete started); empty when none.
    QString playerRowPath;
    // Releases that recording's files: stops the tick, closes the engines and
    // resets their telemetry readers. Called just before it is deleted; the
    // worker then waits releaseWait before it touches the files.
    std::function<void()> releasePlayer;
    std::chrono::milliseconds releaseWait{1000};
    // Removes the deleted recording's row from the recording list.
    std::function<void(const RecordingEntry&)> removeRow;
    // How each recording was deleted, or why it was not (the one that ends
    // the work as failed); before removeRow.
    std::function<void(const RecordingEntry&, const DeleteOutcome&)> reportOutcome;
    // The card the recordings were listed from (see DeleteRecording); empty
    // when the source is no card.
    QString cardRoot;
};

// The delete worker: deletes the recordings of jobs from the last to the
// first, testing the running flag before each. Progress (n - i - 1, n) after
// job entry i, then (n, n). A recording that cannot be deleted ends the work
// as failed and leaves the entries before it in the job list untouched;
// those after it stay deleted. An empty job list is cancelled.
OperationResult DeleteRecordings(const RecordingList& jobs, const OperationControl& control,
                                 const DeleteHooks& hooks = {});

} // namespace kv
