#pragma once

#include "engine_context.h"
#include "main_window_layout.h"
#include "movie_dialog.h"
#include "movie_owner.h"
#include "resize_dialog.h"
#include "settings_store.h"
#include "ui_fonts.h"
#include "view_zoom.h"

#include <QPointer>
#include <QTimer>

#include <array>
#include <functional>

class QLabel;

namespace kv {
class CSkinButton;
class CSkinSliderCtrl;
class CSkinProgressBarCtrl;
} // namespace kv

namespace kv::browser {
class CFileListCtrl;
class CFilerContainerDlg;
} // namespace kv::browser

namespace kv::views {
class CInfoDlg;
class CGSensorDlg;
class CObdDlg;
} // namespace kv::views

namespace kv::playback {
class CMovieStatic;
class CLogoDlg;
} // namespace kv::playback

namespace kv::settings {
class CSettingDlg;
class CUpdateCheck;
class CUpdateDialog;
} // namespace kv::settings

namespace kv::app {

// Command ids of the main window's own controls.
inline constexpr int kCommandClose = 16;
inline constexpr int kCommandMaximise = 17;
inline constexpr int kCommandMinimise = 18;
inline constexpr int kToolBarFirstCommand = 38000; // 16 buttons, 38000..38015
inline constexpr int kPositionSliderId = 38100;
inline constexpr int kVolumeSliderId = 38101;
inline constexpr int kProgressBarId = 38102;

// The viewer's main window: a borderless, skinned window that owns the two
// video engines, both video panels, the satellite windows (map and second
// camera) and every pane. The panes of the browser, the telemetry views and
// the map are empty placeholders of their size until those parts exist.
class FullScreenStrip;

class CQuillonDlg : public CResizeDialog, public playback::MovieOwner {
    Q_OBJECT

public:
    CQuillonDlg(const UiScale& scale, const SettingsStore& store, const engine::EngineOps& ops,
                QWidget* parent = nullptr);
    ~CQuillonDlg() override;

    // Everything before the window is first shown: settings defaults, engines
    // with their panels, the repair folder removed, the panes created and laid
    // out. The deferred part runs once the window is on screen.
    void Initialise();
    void DeferredInitialise();
    bool deferredDone() const { return deferredDone_; }

    // Places every pane for the window's current size and UI scale.
    void LayOut();
    const MainWindowLayout& Layout() const { return layout_; }

    void ToggleMaximise();
    bool isMaximisedLook() const { return maximised; }
    void MinimiseWithSatellites();
    void RestoreWithSatellites();
    // Fits the window to a monitor work area: a work area lower than the
    // design height shrinks the UI scale (and maximises the window when the
    // scale ends below 1); another work area brings the saved scale back.
    // Returns whether the scale changed.
    bool FitToWorkArea(const QRect& workArea);
    double layoutScale() const { return layoutScale_; }
    // A move has not yet settled: the window fits itself to its monitor a
    // quarter of the double-click time after its last move.
    bool moveSettling() const { return moveEndTimer_.isActive(); }

    // Full screen: allowed while a recording is ready (fullScreenAllowed) and
    // not within the last 10 frames.
    bool EnterFullScreen();
    void LeaveFullScreen();
    bool isFullScreenOn() const { return fullScreen; }
    std::function<bool()> fullScreenAllowed;

    // The source became unusable: playback reset, zoom off, full screen left,
    // repaired copies offered and removed.
    void ResetAfterSourceLost();
    // Saves the geometry, destroys the engines and the satellite windows.
    void Shutdown();
    // The end of an edge drag: the window takes the outline's rectangle.
    void ApplyTrackedRect() override;

    engine::EngineContext& Engine(int camera) { return engines_[static_cast<std::size_t>(camera)]; }
    const engine::EngineOps& Ops() const { return ops_; }
    playback::CMovieStatic* Panel(int camera) const {
        return panels_[static_cast<std::size_t>(camera)];
    }
    playback::CMovieDialog* MapWindow() const { return mapWindow_; }
    playback::CMovieDialog* SecondWindow() const { return secondWindow_; }
    playback::CLogoDlg* Logo() const { return logo_; }
    QWidget* BrowserPane() const;
    // The file browser in the right-hand pane and its recording list.
    browser::CFilerContainerDlg* Browser() const { return browser_; }
    browser::CFileListCtrl* RecordingListCtrl() const;
    QWidget* InfoPane() const;
    QWidget* GraphPane() const;
    views::CInfoDlg* Info() const { return info_; }
    views::CGSensorDlg* Graph() const { return graph_; }
    views::CObdDlg* Vehicle() const { return vehicle_; }
    // The settings window (created hidden), the update check of this run
    // (made by the deferred initialisation) and its notice while shown.
    settings::CSettingDlg* SettingDialog() const { return settingDlg_; }
    settings::CUpdateCheck* UpdateCheck() const { return updateCheck_; }
    settings::CUpdateDialog* UpdateNotice() const;
    QWidget* Strip() const;
    // Repaints the full-screen strip (the information panel's values changed).
    void UpdateStrip();
    CSkinSliderCtrl* PositionSlider() const { return positionSlider_; }
    CSkinSliderCtrl* VolumeSlider() const { return volumeSlider_; }
    CSkinProgressBarCtrl* ProgressBar() const { return progressBar_; }
    CSkinButton* ToolButton(int index) const {
        return toolButtons_[static_cast<std::size_t>(index)];
    }
    CSkinButton* CaptionButton(int command) const;
    const UiFonts& Fonts() const { return fonts_; }
    const SettingsStore& Store() const { return store_; }
    bool keepAspect() const { return keepAspect_; }
    int volume() const { return volume_; }
    int mainView() const { return mainView_; }
    int secondView() const { return secondView_; }
    playback::ViewRecord& View(int camera) { return views_[static_cast<std::size_t>(camera)]; }

    // The commands of the tool bar and the video menu that act on the views.
    // Each is refused (returns false) while commandsRefused() says so (the
    // controller's end guard and open in progress).
    bool ZoomModeCommand();
    bool MirrorCommand();
    bool ViewSwitchCommand();
    bool PictureModeCommand();
    // The map display flag (off at every start) shows or hides the map window,
    // placed beside the video the first time.
    bool MapSwitchCommand();
    bool mapShown() const { return mapShown_; }
    // The map side hears of the switch (connection checker, availability, pane).
    std::function<void(bool on)> mapSwitched;
    std::function<bool()> commandsRefused;
    // Space while the play button is off (a recording opens or ends): the
    // press is kept for the recording that comes.
    std::function<void()> playKeyWhileHeld;
    // Runs first in Shutdown, while the engines still exist (the controller stops).
    std::function<void()> beforeShutdown;
    // The engine whose play state the menu and the tool bar follow (the one
    // holding the telemetry); the main view's when not set.
    std::function<int()> telemetryEngine;
    // Builds the video menu for the panel and runs it; the chosen command goes
    // through the same path as the tool bar's.
    void RunVideoMenu(QPoint globalPos, int camera);
    // Runs a command id as a click on its button would.
    void Command(int commandId) { OnCommand(commandId); }

    // Zoom state of the views.
    void ResetZoom(int camera);
    void PlacePictures(); // SetLayout of both engines from the view records

    // What the panels call.
    void ShowVideoMenu(QPoint globalPos, playback::CMovieStatic* panel) override;
    void VideoClick(int camera, QPoint point) override;
    void ToggleFullScreen() override;
    void OnEndOfStream(int camera) override;
    void OnEnginesReady(int camera) override;
    int MainView() const override { return mainView_; }

Q_SIGNALS:
    // Forwarded for the playback controller.
    void endOfStream(int camera);
    void enginesReady(int camera);
    void videoMenuRequested(QPoint globalPos, int camera);
    void commandIssued(int commandId);
    // Left and Right: one frame back or forward (the controller steps while paused).
    void frameStepRequested(int delta);
    void fullScreenChanged(bool on);
    // The cameras changed places (the controller reopens when nothing is open).
    void viewsSwitched();
    // The window painted for the first time.
    void firstPainted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreatePanes();
    void CreateToolBar();
    void ApplySkins();
    void PlaceSatellites();
    void PlaceSecondPanel();
    // Puts the panel of mainView into the main window and the other into the
    // second-camera window.
    void PlaceViews();
    void OnCommand(int commandId);
    void RebuildForScale(double layoutScale);
    // Once per run: the recorder's versions of the opened card against the
    // maker's site (UPDATE/HOST); a notice opens the update dialog.
    void StartUpdateCheck();
    QRect CurrentWorkArea() const;

    SettingsStore store_;
    const engine::EngineOps& ops_;
    UiFonts fonts_;
    double layoutScale_ = 1.0;
    double savedLayoutScale_ = 1.0;
    MainWindowLayout layout_;
    std::array<engine::EngineContext, 2> engines_;
    std::array<playback::ViewRecord, 2> views_{};
    std::array<playback::CMovieStatic*, 2> panels_{};
    std::array<CSkinButton*, kToolButtonCount> toolButtons_{};
    std::array<CSkinButton*, 3> captionButtons_{};
    QPointer<playback::CMovieDialog> mapWindow_;
    QPointer<playback::CMovieDialog> secondWindow_;
    playback::CLogoDlg* logo_ = nullptr;
    browser::CFilerContainerDlg* browser_ = nullptr;
    views::CInfoDlg* info_ = nullptr;
    views::CGSensorDlg* graph_ = nullptr;
    views::CObdDlg* vehicle_ = nullptr;
    settings::CSettingDlg* settingDlg_ = nullptr;
    settings::CUpdateCheck* updateCheck_ = nullptr;
    QPointer<settings::CUpdateDialog> updateNotice_;
    FullScreenStrip* strip_ = nullptr;
    CSkinSliderCtrl* positionSlider_ = nullptr;
    CSkinSliderCtrl* volumeSlider_ = nullptr;
    CSkinProgressBarCtrl* progressBar_ = nullptr;
    QTimer moveEndTimer_; // a quarter of the double-click time after a move
    QRect fullScreenSaved_;
    QRect maximiseSaved_;
    QPoint lastPosition_;
    bool initialised_ = false;
    bool deferredDone_ = false;
    bool closing_ = false;
    bool painted_ = false;
    bool keepAspect_ = true;
    bool mapShown_ = false;
    bool mapPlaced_ = false;
    int volume_ = 65535;
    int mainView_ = 0;
    int secondView_ = 1;
};

} // namespace kv::app
