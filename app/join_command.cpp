// The join button: an unbroken run of recordings ticked in the selection
// dialog becomes one front file and one rear file in a folder the user
// chooses. The player is rewound first and again when the join ends.

#include "delete.h"
#include "engine_context.h"
#include "file_commands.h"
#include "join.h"
#include "output_target.h"
#include "playback_controller.h"
#include "settings_keys.h"

#include <QFileInfo>

namespace kv::app {

namespace {

// Why the chosen folder cannot take the join. These two sentences are not in
// the viewer's text table yet.
QString JoinTargetRefusalText(TargetRefusal refusal) {
    return refusal == TargetRefusal::CardFolder
               ? QStringLiteral("SDカードの録画フォルダーには保存できません。"
                                "別のフォルダーを選択してください。")
               : QStringLiteral("選択したフォルダーに連結する動画ファイルがあります。"
                                "別のフォルダーを選択してください。");
}

} // namespace

void FileCommands::JoinCommand() {
    if (frame_.running() || ports_.player.EndGuard()) {
        return;
    }
    StopAndRewind();
    frame_.SetRestoreMark(true);

    const std::optional<RecordingList> ticked =
        ports_.select(browser::SelectMode::Join, ports_.browser.shownEntries(), RecordingList{});
    if (!ticked || ticked->empty()) {
        EndWithoutWorker();
        return;
    }
    jobs_ = *ticked;
    const QString folder = ChooseOutputFolder(settings::kConnectFolder, UiText::ChooseBackupFolder);
    if (folder.isEmpty()) {
        EndWithoutWorker();
        return;
    }
    const JoinOutputs outputs = JoinOutputPaths(jobs_, folder);
    // Never asked about: an output that would replace a recording being
    // joined, or one in a recording folder of the card.
    const TargetCheck refused = JoinTargetRefusal(jobs_, outputs);
    if (refused.refusal != TargetRefusal::None) {
        ShowError(JoinTargetRefusalText(refused.refusal));
        EndWithoutWorker();
        return;
    }
    // One question names every output that exists; the join replaces them
    // all only on yes.
    QStringList existing;
    for (const QString& output : {outputs.front, outputs.rear}) {
        if (!output.isEmpty() && (QFileInfo::exists(output) || QFileInfo(output).isSymLink())) {
            existing << QFileInfo(output).fileName();
        }
    }
    if (!existing.isEmpty() && !ConfirmOverwrite(existing)) {
        EndWithoutWorker();
        return;
    }
    if (!HasRoomForJoin(jobs_, folder, ports_.availableBytes)) {
        EndWithoutWorker(UiText::JoinFailed);
        return;
    }

    CloseEngines();
    ports_.window.RepaintPanels();
    ClearPrefetch();
    ports_.window.StopTick();
    frame_.Start([this, jobs = jobs_, outputs, folder, control = frame_.Control()]() -> WorkerEnd {
        // The join reports its first progress once the first recording is
        // loaded; a join that fails before that leaves the player alone.
        bool loaded = false;
        OperationControl watched = control;
        watched.progress = [&loaded, &control](std::int64_t done, std::int64_t total) {
            loaded = true;
            control.Progress(done, total);
        };
        JoinReport report;
        WorkerEnd end;
        end.result = JoinRecordings(jobs, outputs, watched, &report);
        const bool firstNotLoaded = end.result == kOperationFailed && !loaded;
        QStringList joined;
        for (std::size_t position : report.exported) {
            if (position < jobs.size()) {
                joined.push_back(RowPathOf(jobs[position]));
            }
        }
        if (end.result == kOperationFailed) {
            end.failureMessages = {Text(UiText::JoinFailed)};
        }
        end.atEnd = [this, firstNotLoaded, done = end.result == kOperationDone] {
            if (firstNotLoaded) {
                frame_.SetRestoreMark(false);
            }
            if (!done) {
                jobs_.clear();
            }
        };
        end.succeeded = [this, joined, folder] {
            MarkExported(ports_.browser.shownEntries(), joined);
            ports_.browser.RedrawList();
            JoinSucceeded(folder);
        };
        return end;
    });
}

void FileCommands::JoinSucceeded(const QString& folder) {
    RememberFolder(settings::kConnectFolder, folder);
    jobs_.clear();
    ports_.player.ScheduleOpen();
    frame_.CompleteSuccessfully();
}

} // namespace kv::app
