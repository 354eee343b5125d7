// The CSV button: every recording of the source as one list file in a folder
// the user chooses. The engines are closed while the list is written, and the
// recording that was shown is opened again at its position afterwards.

#include "csv_export.h"
#include "engine_context.h"
#include "file_commands.h"
#include "message_box.h"
#include "message_dialog.h"
#include "playback_controller.h"
#include "settings_keys.h"

#include <QFileInfo>

namespace kv::app {

void FileCommands::ExportCsvCommand() {
    if (frame_.running()) {
        return;
    }
    playback::PlaybackController& player = ports_.player;
    const std::int64_t position = CurrentPosition();
    const int state = player.PlayState();
    if (state == engine::kPlaying || state == engine::kPaused) {
        if (player.EndGuard()) {
            return;
        }
        player.StopPlayback();
    }
    const QString folder = ChooseOutputFolder(settings::kCsvFolder, UiText::ChooseOutputFolder);
    if (folder.isEmpty()) {
        return;
    }
    RecordingList recordings = ports_.browser.CollectAllRecordings();
    if (recordings.empty()) {
        for (UiText text : {UiText::NoRecordings, UiText::CsvNotCreated}) {
            ports_.messages.ShowMessage(Text(text), Text(UiText::ErrorCaption), kMessageOk);
        }
        return;
    }
    const QString target = folder + u'/' + CsvFileName(recordings.front());
    if (QFileInfo::exists(target) && !ConfirmOverwrite()) {
        return;
    }

    player.RequestResume(static_cast<int>(position));
    CloseEngines();
    frame_.Start([this, recordings = std::move(recordings), folder,
                  control = frame_.Control()]() -> WorkerEnd {
        CsvError error = CsvError::None;
        WorkerEnd end;
        end.result = ExportCsv(recordings, folder, control, nullptr, &error);
        if (end.result == kOperationFailed) {
            end.failureMessages = {Text(error == CsvError::NoRecordings ? UiText::NoRecordings
                                                                        : UiText::CsvNotCreated),
                                   Text(UiText::CsvNotCreated)};
        }
        end.succeeded = [this, folder] { CsvSucceeded(folder); };
        return end;
    });
}

void FileCommands::CsvSucceeded(const QString& folder) {
    RememberFolder(settings::kCsvFolder, folder);
    frame_.CompleteSuccessfully();
}

} // namespace kv::app
