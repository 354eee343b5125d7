// The still-image button: the frame on screen saved as JPEG files, one per
// camera, named after the recording and the frame number.

#include "delete.h"
#include "engine_context.h"
#include "file_commands.h"
#include "message_box.h"
#include "message_dialog.h"
#include "playback_controller.h"
#include "settings_keys.h"
#include "snapshot_names.h"

#include <QFileInfo>

#include <algorithm>

namespace kv::app {

namespace {

enum class SnapshotResult { Saved, Failed, Skipped };

} // namespace

void FileCommands::ExportSnapshotCommand() {
    if (frame_.running() || (ports_.commandsRefused && ports_.commandsRefused())) {
        return;
    }
    playback::PlaybackController& player = ports_.player;
    if (player.PlayState() == engine::kPlaying) {
        player.PausePlayback();
    }
    ports_.window.RepaintPanels();
    ports_.window.DisableControls();

    SnapshotResult result = SnapshotResult::Skipped;
    const QString folder =
        ChooseOutputFolder(settings::kSnapshotFolder, UiText::ChooseBackupFolder);
    if (!folder.isEmpty()) {
        // The row that is selected and focused names the images (row 0 when none is).
        const RecordingList& shown = ports_.browser.shownEntries();
        const int row = std::max(ports_.browser.selectedRow(), 0);
        const QString base = row < static_cast<int>(shown.size())
                                 ? SnapshotBaseName(RowPathOf(shown[static_cast<std::size_t>(row)]))
                                 : QString();
        // Without a frame there is nothing to name: the folder itself would be
        // the target, which is never written.
        const std::optional<SnapshotPathPair> paths =
            SnapshotPaths(folder, base, CurrentPosition());
        if (!paths || QFileInfo(paths->front).isDir()) {
            result = SnapshotResult::Failed;
        } else if (QFileInfo::exists(paths->front) && !ConfirmOverwrite()) {
            result = SnapshotResult::Skipped;
        } else {
            bool saved = false;
            if (ports_.front.created && ports_.ops.SaveFrame(ports_.front, paths->front)) {
                saved = true;
            }
            if (ports_.rear.created && ports_.ops.SaveFrame(ports_.rear, paths->rear)) {
                saved = true;
            }
            if (saved) {
                RememberFolder(settings::kSnapshotFolder, folder);
            }
            result = saved ? SnapshotResult::Saved : SnapshotResult::Failed;
        }
    }

    ports_.window.EnableControls();
    ports_.window.RepaintPanels();
    if (result == SnapshotResult::Failed) {
        ports_.messages.ShowMessage(Text(UiText::SnapshotFailed), Text(UiText::ErrorCaption),
                                    kMessageOk);
    } else if (result == SnapshotResult::Saved) {
        ports_.messages.ShowMessage(Text(UiText::Completed), Text(UiText::FinishedCaption),
                                    kMessageOk);
    }
}

} // namespace kv::app
