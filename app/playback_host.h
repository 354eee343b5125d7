#pragma once

#include "file_command_ports.h"
#include "folder_browser.h"
#include "map_pane.h"
#include "playback_controller.h"
#include "playback_timers.h"
#include "playback_view.h"
#include "tool_bar.h"
#include "ui_poster.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class QTreeWidgetItem;

namespace kv {
class MessageSink;
}

namespace kv::browser {
class CFilerContainerDlg;
class CSourceOpenDlg;
} // namespace kv::browser

namespace kv::app {

class CQuillonDlg;
class FileCommands;
class MapPaneControl;
class MapSide;
class WindowCommandPorts;

// Plugs the playback controller into the main window: the window side of the
// controller (sliders, tool bar, panels), its timers and its hand-back to the
// UI thread, the file browser's folders it plays through, and the map side.
class PlaybackHost final : public QObject,
                           public playback::PlaybackView,
                           public playback::MapPane,
                           public playback::FolderBrowser,
                           public playback::PlaybackTimers,
                           public playback::UiPoster {
    Q_OBJECT

public:
    PlaybackHost(CQuillonDlg& window, MessageSink& messages);
    ~PlaybackHost() override;

    playback::PlaybackController& Controller() { return *controller_; }
    // The CSV, still-image, join and delete commands.
    FileCommands& Commands() { return *commands_; }
    // Tests answer the selection dialog and the folder chooser.
    void SetCommandDialogs(SelectionRunner select, FolderPicker pickFolder);

    // The source at start: a folder or recording named on the command line
    // (a folder with the recorder's layout opens as a card), else the
    // browser's default source. False when nothing was loaded.
    bool OpenInitialSource(const QStringList& arguments);
    // Closes what plays and loads a source into the browser.
    void OpenSource(const QString& path, SourceKind kind);
    // The browse command: the source dialog, then the chosen source loaded.
    void BrowseCommand();
    // Runs the source dialog; true when it ended with OK. Tests answer it.
    std::function<bool(browser::CSourceOpenDlg&)> runSourceDialog;
    // The source became unusable: playback reset, browser emptied, repaired
    // copies offered; the viewer ends when its own program file went with it.
    void OnSourceLost();
    // Offers the repaired copies for saving and deletes the repair folder.
    std::function<void()> offerRepairedFiles;
    // The rows the list shows (the controller's playlist follows them).
    const RecordingList& List() const;
    // Lists entries made elsewhere (benches, screenshots) without a source.
    void ShowEntries(RecordingList entries);

    // -- PlaybackView
    void SetSliderRange(int minimum, int maximum) override;
    void EnableSlider(bool enabled) override;
    void SetSliderAcceptsMouse(bool accepts) override;
    void ReleaseSliderCapture() override;
    void StoreVolume(int volume) override;
    void SetPlayLook(bool pauseLook) override;
    void RefreshToolbar() override;
    // What the tool bar's rules give for the state now (RefreshToolbar applies it).
    playback::ToolbarState ExpectedToolbar() const;
    void DisableAll() override;
    void EnableAfterOpen(bool deleteUsable) override;
    void SetWaitCursor(bool on) override;
    void CloseMenu() override;
    void RepaintPanels() override;
    void FillPanelsBlack() override;
    void PlacePictures() override;
    void SetSecondWindowTitle(const QString& title) override;
    void RaiseSecondWindow() override;
    void ZoomOff() override;
    void LeaveFullScreen() override;
    void LayOutBrowser() override {}
    void SetSpeedLabel(const QString& label) override;
    void ResetPosition() override;
    void ShowFrame(const playback::FrameView& view) override;
    void ShowRecording(const playback::RecordingView& view) override;
    void ClearStartTime() override;
    void SetVoltageShown(bool shown) override;
    void ClearGraphEvents() override;
    void ResetInfoPanel() override;
    // The graph's events as the controller's markers (after a load or a switch).
    void SendEvents();
    const QString& speedLabel() const { return speedLabel_; }

    // -- MapPane: handed to the map side.
    void SetTrackAvailable(bool available) override;
    void SetHold(bool hold) override;
    void ClearShown() override;
    void UpdatePane() override;
    void IdleTick() override;
    void UpdateStatus() override;
    bool UpdateAvailability() override;
    void SetPlayStatus(const QString& status) override;
    void MoveMarker() override;
    void SetCurrentFrame(int frame) override;
    void FollowPosition(const GpsSample& gps, bool parking) override;
    void SetMapAllowed(bool allowed) override;
    void SendEventPoints(bool withGroupTrack) override;
    void LoadTrack(const RecordingList& recordings) override;
    MapSide* Map() const { return map_.get(); }

    // -- FolderBrowser
    bool TakeFilterChanged() override;
    void SelectRow(int row) override;
    bool RebuildList(RecordingList& recordings) override;
    bool HasNextFolder() override;
    void SelectNextFolder() override;
    bool ListFolderAfter(int steps, RecordingList& recordings) override;
    void MarkFolderAfter(int steps) override;
    void UpdateDeletePermission(bool) override {}
    QString SourceFolder() override;

    // -- PlaybackTimers
    void Start(int id, int periodMs) override;
    void Stop(int id) override;
    bool running(int id) const;

    // -- UiPoster
    void Post(std::function<void()> task) override;

    const playback::ToolbarState& toolbar() const { return toolbar_; }
    // The state the tool bar's rules gave last, applied to the buttons again.
    void ApplyToolbarAgain() { Apply(toolbar_); }

private:
    // Before the engines go: timers stopped, playback stopped, the workers waited for.
    void Shut();
    void Apply(const playback::ToolbarState& state);
    void OnCommand(int commandId);
    // The tree's selection moved: the folder is listed and the controller told.
    void OnFolderSelected(QTreeWidgetItem* item);
    browser::CFilerContainerDlg& Browser() const;
    MapPaneControl* LivePane() const;
    QTreeWidgetItem* SelectedFolder() const;

    CQuillonDlg& window_;
    MessageSink& messages_;
    bool listExists_ = true;
    bool marking_ = false; // the tree's selection moves without listing the folder
    bool shut_ = false;
    QString speedLabel_;
    int waitCursors_ = 0;
    playback::ToolbarState toolbar_;
    std::map<int, std::unique_ptr<QTimer>> timers_;
    std::unique_ptr<playback::PlaybackController> controller_;
    std::unique_ptr<WindowCommandPorts> commandPorts_;
    std::unique_ptr<FileCommands> commands_;
    std::unique_ptr<MapSide> map_;
};

} // namespace kv::app
