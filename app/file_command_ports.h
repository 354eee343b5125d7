#pragma once

#include "folder_chooser.h"
#include "free_space.h"
#include "recording_entry.h"
#include "selection_rules.h"
#include "settings_store.h"

#include <QFont>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

class QWidget;

namespace kv {
class MessageSink;
class UiScale;
} // namespace kv

namespace kv::engine {
struct EngineContext;
struct EngineOps;
} // namespace kv::engine

namespace kv::playback {
class PlaybackController;
}

// What the file commands (CSV list, still images, join, delete) and the
// operation frame around their workers need from the main window and the
// file browser. Everything here is called on the window thread.
namespace kv::app {

// The main window's side.
class CommandWindow {
public:
    virtual ~CommandWindow() = default;

    // The window that owns the dialogs the commands open.
    virtual QWidget* DialogOwner() = 0;

    // The progress bar along the bottom of the main video panel: placed
    // there, raised above the panels and shown.
    virtual void ShowProgressBar() = 0;
    // Its position in percent (0..100); raised and repainted.
    virtual void SetProgressPosition(int percent) = 0;
    virtual void HideProgressBar() = 0;

    // The sixteen tool-bar buttons and every other control of the window
    // (the browser with its list and buttons, the panels' buttons, both video
    // panels and the map window) off while a command works, and usable again:
    // the tool bar then as its rules give it for the state the command left.
    virtual void DisableControls() = 0;
    virtual void EnableControls() = 0;
    // The main video panel is hidden while a worker runs.
    virtual void SetMainPanelShown(bool shown) = 0;

    // The tool bar's buttons as their rules say for the current state.
    virtual void RefreshToolBar() = 0;
    // Both video panels repainted.
    virtual void RepaintPanels() = 0;
    virtual void SetSpeedLabel(const QString& label) = 0;
    // The 30 ms tick that follows the video position stops.
    virtual void StopTick() = 0;
};

// The file browser's side: its recording list and its source.
class CommandBrowser {
public:
    virtual ~CommandBrowser() = default;

    // The list's rows (the entries the kind filter shows) and every recording
    // of the folder chosen in the tree. The commands renumber, mark and remove
    // entries in place and then call RedrawList.
    virtual RecordingList& shownEntries() = 0;
    virtual RecordingList& allEntries() = 0;
    // The list shows shownEntries() again.
    virtual void RedrawList() = 0;
    // Every recording of the source, collected afresh.
    virtual RecordingList CollectAllRecordings() = 0;

    // The row that is selected and focused; -1 when none.
    virtual int selectedRow() = 0;
    // The row being played; -1 when none.
    virtual int currentIndex() = 0;
    virtual void SetCurrentIndex(int row) = 0;
    // Row index becomes the only selected and focused row (and the list's
    // current index) and is scrolled into view; keep is stored for the window.
    virtual void SelectRow(int index, bool keep) = 0;

    // 1 SD card, 2 folder, 3 single file (0 none).
    virtual int sourceKind() = 0;
    virtual QString sourcePath() = 0;
    virtual void OpenSource(const QString& path, int kind) = 0;
};

inline constexpr int kSourceCard = 1;
inline constexpr int kSourceFolder = 2;
inline constexpr int kSourceFile = 3;

// Runs the recording selection dialog: mode, the list's shown entries and,
// for a delete, the recordings of the whole source. The ticked entries in row
// order, or nothing when the user cancelled.
using SelectionRunner = std::function<std::optional<RecordingList>(
    browser::SelectMode mode, const RecordingList& shown, const RecordingList& all)>;

// The real selection dialog, modal over owner. font: the shared 10-point UI font.
SelectionRunner DialogSelectionRunner(QWidget* owner, const UiScale& scale, const QFont& font,
                                      MessageSink& messages);

// Everything the commands work with.
struct FileCommandPorts {
    CommandWindow& window;
    CommandBrowser& browser;
    playback::PlaybackController& player;
    const engine::EngineOps& ops;
    engine::EngineContext& front;
    engine::EngineContext& rear;
    MessageSink& messages;
    SettingsStore store;
    SelectionRunner select = {};
    FolderPicker pickFolder = PickFolderWithDialog;
    // The window's refusal of commands while playback changes (the still
    // image asks it first); never refused when unset.
    std::function<bool()> commandsRefused = {};
    // Free bytes of a join's folder; the volume's own answer when unset.
    AvailableBytesQuery availableBytes = {};
    // How long the delete waits after closing the recording it is about to delete.
    std::chrono::milliseconds releaseWait{1000};
};

} // namespace kv::app
