// The steps the file commands share: the output folder, the question before
// replacing a file, rewinding and closing the player, and the list edits.

#include "file_commands.h"

#include "delete.h"
#include "engine_context.h"
#include "message_box.h"
#include "message_dialog.h"
#include "playback_controller.h"
#include "playback_rules.h"
#include "repair_prompts.h"
#include "settings_keys.h"

#include <QSet>

#include <mutex>

namespace kv::app {

QStringList RowPaths(const RecordingList& jobs) {
    QStringList paths;
    paths.reserve(static_cast<qsizetype>(jobs.size()));
    for (const RecordingEntry& entry : jobs) {
        paths.push_back(RowPathOf(entry));
    }
    return paths;
}

int RemoveByRowPath(RecordingList& list, const QStringList& rowPaths) {
    const QSet<QString> gone(rowPaths.begin(), rowPaths.end());
    const auto removed = std::erase_if(
        list, [&](const RecordingEntry& entry) { return gone.contains(RowPathOf(entry)); });
    return static_cast<int>(removed);
}

void MarkExported(RecordingList& list, const QStringList& rowPaths) {
    const QSet<QString> joined(rowPaths.begin(), rowPaths.end());
    for (RecordingEntry& entry : list) {
        if (joined.contains(RowPathOf(entry))) {
            entry.exported = 1;
        }
    }
}

void Renumber(RecordingList& list) {
    std::int32_t sequence = 0;
    for (RecordingEntry& entry : list) {
        entry.sequence = sequence++;
    }
}

FileCommands::FileCommands(const FileCommandPorts& ports) : ports_(ports), frame_(ports) {}

FileCommands::~FileCommands() {
    frame_.Shutdown();
}

QString FileCommands::ChooseOutputFolder(QStringView key, UiText title) {
    return ChooseFolder(ports_.window.DialogOwner(), ports_.store, settings::kFolderPath, key,
                        Text(title), ports_.pickFolder, ports_.messages);
}

bool FileCommands::ConfirmOverwrite() {
    return ports_.messages.ShowMessage(Text(UiText::OverwriteQuestion),
                                       Text(UiText::ConfirmCaption), kMessageYesNo) == kAnswerOk;
}

bool FileCommands::ConfirmOverwrite(const QStringList& names) {
    return ports_.messages.ShowMessage(Text(UiText::OverwriteQuestion) + u'\n' + names.join(u'\n'),
                                       Text(UiText::ConfirmCaption), kMessageYesNo) == kAnswerOk;
}

void FileCommands::ShowError(const QString& text) {
    ports_.messages.ShowMessage(text, Text(UiText::ErrorCaption), kMessageOk);
}

void FileCommands::RememberFolder(QStringView key, const QString& folder) {
    WriteSetting(ports_.store, settings::kFolderPath, key, folder);
}

// Playback stops and goes back to the start at the recording's own speed,
// with the volume applied again.
void FileCommands::StopAndRewind() {
    playback::PlaybackController& player = ports_.player;
    player.StopPlayback();
    RecordingEntry entry;
    bool valid = false;
    {
        std::lock_guard list(player.ListLock());
        const int index = player.currentRecording;
        valid = index >= 0 && index < static_cast<int>(player.Playlist().size());
        if (valid) {
            entry = player.Playlist()[static_cast<std::size_t>(index)];
        }
    }
    engine::EngineContext* telemetry = player.TelemetryEngine();
    const int code = valid ? playback::DefaultRateCode(entry) : 1;
    if (!telemetry || player.RateCode() != code) {
        for (engine::EngineContext* engine : {&ports_.front, &ports_.rear}) {
            if (engine->created) {
                ports_.ops.SetRate(*engine, code);
            }
        }
    }
    if (telemetry) {
        ports_.ops.SetVolume(*telemetry, player.volume);
        if (telemetry == &ports_.front && ports_.rear.created) {
            ports_.ops.SetVolume(ports_.rear, 0);
        }
    }
    ports_.window.SetSpeedLabel(telemetry ? playback::SpeedLabel(player.RateCode()) : QString());
    for (engine::EngineContext* engine : {&ports_.front, &ports_.rear}) {
        if (engine->created) {
            ports_.ops.SeekFrame(*engine, 0);
        }
    }
    player.ShowPosition(0);
}

// Both engines let go of their files and telemetry.
void FileCommands::CloseEngines() {
    for (engine::EngineContext* engine : {&ports_.front, &ports_.rear}) {
        if (engine->created) {
            ports_.ops.ResetTelemetry(*engine);
            ports_.ops.Close(*engine);
        }
    }
}

// The telemetry decoded ahead for the next recording is dropped.
void FileCommands::ClearPrefetch() {
    for (engine::EngineContext* engine : {&ports_.front, &ports_.rear}) {
        if (!engine->created) {
            continue;
        }
        engine::EngineLock load(engine->loadLock); // a prefetch in progress finishes first
        engine->prefetch.Destroy();
        engine->prefetch.Init();
        engine->prefetchPath.clear();
    }
}

std::int64_t FileCommands::CurrentPosition() {
    engine::EngineContext* telemetry = ports_.player.TelemetryEngine();
    return telemetry ? ports_.ops.CurrentFrame(*telemetry) : 0;
}

void FileCommands::EndWithoutWorker(std::optional<UiText> failure) {
    if (failure) {
        ports_.messages.ShowMessage(Text(*failure), Text(UiText::ErrorCaption), kMessageOk);
    }
    jobs_.clear();
    frame_.PostEnd();
}

RepairOffer FileCommands::OfferRepairedFiles() {
    WindowRepairPrompts prompts(ports_.window.DialogOwner(), ports_.store, ports_.messages,
                                ports_.pickFolder);
    return kv::OfferRepairedFiles(prompts);
}

} // namespace kv::app
