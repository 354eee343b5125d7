#pragma once

#include "folder_browser.h"
#include "map_pane.h"
#include "playback_controller.h"
#include "playback_timers.h"
#include "playback_view.h"
#include "tool_bar.h"
#include "ui_poster.h"

#include <QObject>
#include <QTimer>

#include <map>
#include <memory>
#include <vector>

namespace kv {
class MessageSink;
}

namespace kv::app {

class CQuillonDlg;

// Plugs the playback controller into the main window: the window side of the
// controller (sliders, tool bar, panels), its timers and its hand-back to the
// UI thread, the folders it plays through, and the map side (nothing to do
// until the map exists). The recording list comes from the file browser once
// it exists; until then whoever owns the host gives it the folders.
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

    // The folders of the source, in the order of the folder tree, and the one
    // shown in the list. The list shows folder `selected`.
    void SetFolders(std::vector<RecordingList> folders, int selected,
                    const QString& sourceFolder = {});
    const RecordingList& List() const;
    int selectedFolder() const { return selected_; }

    // -- PlaybackView
    void SetSliderRange(int minimum, int maximum) override;
    void EnableSlider(bool enabled) override;
    void SetSliderAcceptsMouse(bool accepts) override;
    void ReleaseSliderCapture() override;
    void StoreVolume(int volume) override;
    void SetPlayLook(bool pauseLook) override;
    void RefreshToolbar() override;
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

    // -- MapPane: no map yet.
    void SetTrackAvailable(bool) override {}
    void SetHold(bool) override {}
    void ClearShown() override {}
    void UpdatePane() override {}
    void IdleTick() override {}
    void UpdateStatus() override {}
    bool UpdateAvailability() override { return false; }
    void SetPlayStatus(const QString&) override {}
    void MoveMarker() override {}
    void SetCurrentFrame(int) override {}
    void FollowPosition(const GpsSample&, bool) override {}
    void SetMapAllowed(bool) override {}
    void SendEventPoints(bool) override {}
    void LoadTrack(const RecordingList&) override {}

    // -- FolderBrowser
    bool TakeFilterChanged() override { return false; }
    void SelectRow(int row) override;
    bool RebuildList(RecordingList& recordings) override;
    bool HasNextFolder() override;
    void SelectNextFolder() override;
    bool ListFolderAfter(int steps, RecordingList& recordings) override;
    void MarkFolderAfter(int steps) override;
    void UpdateDeletePermission(bool) override {}
    QString SourceFolder() override { return sourceFolder_; }

    // -- PlaybackTimers
    void Start(int id, int periodMs) override;
    void Stop(int id) override;
    bool running(int id) const;

    // -- UiPoster
    void Post(std::function<void()> task) override;

    const playback::ToolbarState& toolbar() const { return toolbar_; }

private:
    // Before the engines go: timers stopped, playback stopped, the workers waited for.
    void Shut();
    void Apply(const playback::ToolbarState& state);
    // Fills the recording list with the selected folder; the rows it shows.
    RecordingList ShowList();
    void OnCommand(int commandId);

    CQuillonDlg& window_;
    std::vector<RecordingList> folders_;
    int selected_ = -1;
    QString sourceFolder_;
    bool listExists_ = false;
    bool shut_ = false;
    QString speedLabel_;
    int waitCursors_ = 0;
    playback::ToolbarState toolbar_;
    std::map<int, std::unique_ptr<QTimer>> timers_;
    std::unique_ptr<playback::PlaybackController> controller_;
};

} // namespace kv::app
