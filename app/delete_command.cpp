// The delete button: the recordings ticked in the selection dialog become
// placeholder files on the recorder's card, or go to the trash elsewhere.
// The list loses their rows and the source is read again.

#include "delete.h"
#include "engine_context.h"
#include "file_commands.h"
#include "message_box.h"
#include "playback_controller.h"
#include "selection_rules.h"

#include <algorithm>

namespace kv::app {

void FileCommands::DeleteCommand() {
    playback::PlaybackController& player = ports_.player;
    if (frame_.running() || player.EndGuard()) {
        return;
    }
    if (!player.errorShown) {
        StopAndRewind();
        CloseEngines();
        ClearPrefetch();
    }
    CommandBrowser& list = ports_.browser;
    Renumber(list.shownEntries());
    Renumber(list.allEntries());
    const RecordingList everything =
        browser::CapSelectionSource(list.CollectAllRecordings(), ports_.messages);
    const int selected = std::max(list.selectedRow(), 0);

    const std::optional<RecordingList> ticked =
        ports_.select(browser::SelectMode::Delete, list.shownEntries(), everything);
    if (!ticked || ticked->empty()) {
        list.SetCurrentIndex(-1);
        list.SelectRow(selected, false);
        EndWithoutWorker();
        return;
    }
    jobs_ = *ticked;

    DeleteHooks hooks;
    hooks.stopPlayback = [this] {
        frame_.PostShowBar();
        frame_.Post([this] { ports_.player.StopPlayback(); });
    };
    const RecordingList& shown = list.shownEntries();
    if (selected < static_cast<int>(shown.size())) {
        hooks.playerRowPath = RowPathOf(shown[static_cast<std::size_t>(selected)]);
    }
    hooks.releasePlayer = [this] {
        frame_.Post([this] {
            ports_.window.StopTick();
            CloseEngines();
        });
    };
    hooks.releaseWait = ports_.releaseWait;
    if (list.sourceKind() == kSourceCard) {
        hooks.cardRoot = list.sourcePath();
    }
    hooks.removeRow = [this](const RecordingEntry& entry) {
        frame_.Post([this, path = RowPathOf(entry)] {
            RemoveByRowPath(ports_.browser.shownEntries(), {path});
            ports_.browser.RedrawList();
        });
    };
    frame_.Start([this, jobs = jobs_, hooks, control = frame_.Control()]() -> WorkerEnd {
        WorkerEnd end;
        end.result = DeleteRecordings(jobs, control, hooks);
        if (end.result == kOperationFailed) {
            end.failureMessages = {Text(UiText::DeleteFailed)};
        }
        end.atEnd = [this, done = end.result == kOperationDone] {
            if (!done) {
                jobs_.clear();
            }
        };
        end.succeeded = [this] { DeleteSucceeded(); };
        return end;
    });
}

void FileCommands::DeleteSucceeded() {
    CommandBrowser& list = ports_.browser;
    const QStringList deleted = RowPaths(jobs_);
    RemoveByRowPath(list.shownEntries(), deleted);
    RemoveByRowPath(list.allEntries(), deleted);
    list.RedrawList();
    jobs_.clear();
    Renumber(list.shownEntries());
    Renumber(list.allEntries());
    const int kind = list.sourceKind();
    if (kind == kSourceCard || kind == kSourceFolder) {
        list.OpenSource(list.sourcePath(), kind);
        list.SelectRow(0, false);
        ports_.window.RefreshToolBar();
    }
    frame_.CompleteSuccessfully();
}

} // namespace kv::app
