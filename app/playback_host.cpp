#include "playback_host.h"

#include "command_ports.h"
#include "file_commands.h"
#include "file_list_ctrl.h"
#include "filer_container_dlg.h"
#include "folder_tree_ctrl.h"
#include "gsensor_dlg.h"
#include "info_dlg.h"
#include "main_window.h"
#include "map_side.h"
#include "message_box.h"
#include "movie_dialog.h"
#include "movie_static.h"
#include "obd_dlg.h"
#include "recording_name.h"
#include "setting_dlg.h"
#include "settings_keys.h"
#include "settings_store.h"
#include "skin_bitmap.h"
#include "skin_button.h"
#include "skin_slider.h"
#include "source_choice.h"
#include "source_open_dlg.h"
#include "ui_texts.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <QPointer>
#include <QSignalBlocker>

namespace kv::app {

namespace {

const RecordingList kNoRecordings;

} // namespace

PlaybackHost::PlaybackHost(CQuillonDlg& window, MessageSink& messages)
    : window_(window), messages_(messages) {
    controller_ = std::make_unique<playback::PlaybackController>(
        playback::ControllerPorts{window.Ops(), window.Engine(0), window.Engine(1), *this, *this,
                                  *this, messages, *this, *this});
    playback::PlaybackController& c = *controller_;
    c.SetVolume(window.volume());
    c.SetKeepAspect(window.keepAspect() ? 1 : 0);

    connect(&window, &CQuillonDlg::enginesReady, this,
            [this](int camera) { controller_->OnEnginesReady(camera); });
    connect(&window, &CQuillonDlg::endOfStream, this,
            [this](int camera) { controller_->OnEndOfStream(camera); });
    connect(&window, &CQuillonDlg::commandIssued, this, &PlaybackHost::OnCommand);
    connect(&window, &CQuillonDlg::frameStepRequested, this,
            [this](int delta) { controller_->StepFrame(delta); });
    connect(&window, &CQuillonDlg::viewsSwitched, this,
            [this] { controller_->SetViews(window_.mainView(), window_.secondView()); });
    connect(&window, &CQuillonDlg::fullScreenChanged, this, [this](bool on) {
        controller_->SetFullScreen(on);
        controller_->SetKeepAspect(window_.keepAspect() ? 1 : 0);
    });
    CSkinSliderCtrl* position = window.PositionSlider();
    connect(position, &CSkinSliderCtrl::buttonDown, this, [this, position](int, int value) {
        controller_->OnPositionSliderDown(value, position->grabbedBeside());
    });
    connect(position, &CSkinSliderCtrl::thumbMoved, this, [this, position](int, int value) {
        controller_->OnPositionSliderMoved(value, position->grabbedBeside());
    });
    connect(position, &CSkinSliderCtrl::buttonUp, this, [this, position](int, int value) {
        controller_->OnPositionSliderUp(value, position->grabbedBeside());
    });
    connect(window.VolumeSlider(), &CSkinSliderCtrl::thumbMoved, this,
            [this](int, int value) { controller_->OnVolumeSlider(value); });

    window.commandsRefused = [this] { return controller_->OpenBusy() || controller_->EndGuard(); };
    window.playKeyWhileHeld = [this] {
        if (controller_->OpenBusy() || controller_->CurrentStage() == playback::Stage::kEnding) {
            controller_->TogglePlay();
        }
    };
    window.telemetryEngine = [this] {
        engine::EngineContext* t = controller_->TelemetryEngine();
        return t ? t->camera : window_.mainView();
    };
    window.fullScreenAllowed = [this] { return controller_->Ready() && !List().empty(); };
    window.beforeShutdown = [this] {
        Shut();
        // The source closes with the viewer: the repaired copies may be kept.
        if (offerRepairedFiles) {
            offerRepairedFiles();
        }
    };

    // A row chosen in the recording list opens its recording.
    connect(window.RecordingListCtrl(), &browser::CFileListCtrl::recordingSelected, this,
            [this](int row) { controller_->SelectRecording(row); });
    browser::CFilerContainerDlg* files = window.Browser();
    connect(files, &browser::CFilerContainerDlg::folderSelected, this,
            [this](QTreeWidgetItem* item) { OnFolderSelected(item); });
    // A kind filter changed the rows: the playlist follows before row 0 is selected.
    connect(files, &browser::CFilerContainerDlg::listRefilled, this,
            [this] { controller_->SetPlaylist(List()); });
    connect(files, &browser::CFilerContainerDlg::sourceLost, this, &PlaybackHost::OnSourceLost);
    runSourceDialog = [](browser::CSourceOpenDlg& dialog) {
        return dialog.exec() == QDialog::Accepted;
    };

    map_ = std::make_unique<MapSide>(window, *controller_, messages);
    window.mapSwitched = [this](bool on) { map_->OnMapSwitch(on); };
    QMetaObject::invokeMethod(
        this, [this] { map_->OnDeferredStart(); }, Qt::QueuedConnection);

    commandPorts_ = std::make_unique<WindowCommandPorts>(window, *this);
    SetCommandDialogs(
        DialogSelectionRunner(&window, window.Scale(), window.Fonts().pt10(), messages),
        PickFolderWithDialog);
    offerRepairedFiles = [this] { commands_->OfferRepairedFiles(); };
    connect(window.Graph(), &views::CGSensorDlg::previousEventRequested, this,
            [this] { controller_->OnGraphLeftClick(); });
    connect(window.Graph(), &views::CGSensorDlg::nextEventRequested, this,
            [this] { controller_->OnGraphRightClick(); });
    connect(window.Info(), &views::CInfoDlg::axisSwitched, this, [this](int axis, bool shown) {
        // The axis buttons switch the graph's markers of that axis.
        window_.Graph()->SetChannelShown(axis, shown);
        SendEvents();
    });
    connect(window.SettingDialog(), &settings::CSettingDlg::channelSwitched, this,
            [this](int item, bool shown) {
                // The settings' event kinds, in switch order: drive support,
                // emergency stop, parking impact, speeding, approaching vehicle.
                constexpr std::array<int, settings::kEventSwitchCount> kChannels = {8, 4, 5, 6, 7};
                if (item >= 0 && item < settings::kEventSwitchCount) {
                    window_.Graph()->SetChannelShown(kChannels[static_cast<std::size_t>(item)],
                                                     shown);
                    SendEvents();
                }
            });
}

MapPaneControl* PlaybackHost::LivePane() const {
    return map_ ? map_->LivePane() : nullptr;
}

void PlaybackHost::SetTrackAvailable(bool available) {
    if (MapPaneControl* pane = LivePane()) {
        pane->SetTrackAvailable(available);
    }
}

void PlaybackHost::SetHold(bool hold) {
    if (MapPaneControl* pane = LivePane()) {
        pane->SetHold(hold);
    }
}

void PlaybackHost::ClearShown() {
    if (MapPaneControl* pane = LivePane()) {
        pane->ClearShown();
    }
}

void PlaybackHost::UpdatePane() {
    if (MapPaneControl* pane = LivePane()) {
        pane->UpdatePane();
    }
}

void PlaybackHost::IdleTick() {
    if (MapPaneControl* pane = LivePane()) {
        pane->IdleTick();
    }
}

void PlaybackHost::UpdateStatus() {
    if (MapPaneControl* pane = LivePane()) {
        pane->UpdateStatus();
    }
}

bool PlaybackHost::UpdateAvailability() {
    MapPaneControl* pane = LivePane();
    return pane && pane->UpdateAvailability();
}

void PlaybackHost::SetPlayStatus(const QString& status) {
    if (MapPaneControl* pane = LivePane()) {
        pane->SetPlayStatus(status);
    }
}

void PlaybackHost::MoveMarker() {
    if (MapPaneControl* pane = LivePane()) {
        pane->MoveMarker();
    }
}

void PlaybackHost::SetCurrentFrame(int frame) {
    if (MapPaneControl* pane = LivePane()) {
        pane->SetCurrentFrame(frame);
    }
}

void PlaybackHost::FollowPosition(const GpsSample& gps, bool parking) {
    if (MapPaneControl* pane = LivePane()) {
        pane->FollowPosition(gps, parking);
    }
}

void PlaybackHost::SetMapAllowed(bool allowed) {
    if (MapPaneControl* pane = LivePane()) {
        pane->SetMapAllowed(allowed);
    }
}

void PlaybackHost::SendEventPoints(bool withGroupTrack) {
    if (MapPaneControl* pane = LivePane()) {
        pane->SendEventPoints(withGroupTrack);
    }
}

void PlaybackHost::LoadTrack(const RecordingList& recordings) {
    if (map_) {
        map_->LoadTrack(recordings);
    }
}

PlaybackHost::~PlaybackHost() {
    Shut();
    window_.commandsRefused = nullptr;
    window_.playKeyWhileHeld = nullptr;
    window_.telemetryEngine = nullptr;
    window_.fullScreenAllowed = nullptr;
    window_.beforeShutdown = nullptr;
}

void PlaybackHost::Shut() {
    if (shut_) {
        return;
    }
    shut_ = true;
    if (commands_) {
        commands_->StopOperation(); // a running export is told to stop and waited for
    }
    for (auto& [id, timer] : timers_) {
        timer->stop();
    }
    controller_->PausePlayback();
    controller_->StopPlayback();
    controller_->CloseRecording();
    controller_->WaitForWorkers();
}

const RecordingList& PlaybackHost::List() const {
    return window_.RecordingListCtrl()->shownEntries();
}

void PlaybackHost::SetCommandDialogs(SelectionRunner select, FolderPicker pickFolder) {
    if (commands_ && commands_->OperationRunning()) {
        return;
    }
    FileCommandPorts ports{*commandPorts_,
                           *commandPorts_,
                           *controller_,
                           window_.Ops(),
                           window_.Engine(0),
                           window_.Engine(1),
                           messages_,
                           window_.Store(),
                           std::move(select),
                           std::move(pickFolder),
                           [this] { return window_.commandsRefused && window_.commandsRefused(); },
                           {},
                           std::chrono::milliseconds(1000)};
    commands_.reset();
    commands_ = std::make_unique<FileCommands>(ports);
}

void PlaybackHost::ShowEntries(RecordingList entries) {
    browser::CFileListCtrl* list = window_.RecordingListCtrl();
    list->SetAllEntries(std::move(entries));
    list->Refill();
    controller_->SetPlaylist(List());
    RefreshToolbar();
}

browser::CFilerContainerDlg& PlaybackHost::Browser() const {
    return *window_.Browser();
}

QTreeWidgetItem* PlaybackHost::SelectedFolder() const {
    return Browser().tree()->currentItem();
}

// -- Sources

bool PlaybackHost::OpenInitialSource(const QStringList& arguments) {
    for (const QString& argument : arguments.mid(1)) {
        if (argument.startsWith(QLatin1Char('-'))) {
            continue;
        }
        const QFileInfo info(argument);
        if (info.isDir()) {
            const QDir dir(info.absoluteFilePath());
            const bool card = dir.exists(QStringLiteral("Normal/Front")) ||
                              dir.exists(QStringLiteral("Parking/Front"));
            OpenSource(info.absoluteFilePath(), card ? SourceKind::Card : SourceKind::Folder);
            return true;
        }
        if (info.isFile() && IsRecordingName(info.fileName())) {
            OpenSource(info.absoluteFilePath(), SourceKind::File);
            return true;
        }
    }
    const bool opened = Browser().OpenDefaultSource();
    RefreshToolbar();
    return opened;
}

void PlaybackHost::OpenSource(const QString& path, SourceKind kind) {
    playback::PlaybackController& c = *controller_;
    c.PausePlayback();
    c.StopPlayback();
    c.CloseRecording();
    c.SetPlaylist({});
    browser::CFilerContainerDlg& files = Browser();
    files.OpenSource(browser::WithoutTrailingSeparator(path), kind);
    if (kind == SourceKind::File) {
        // No tree: the one row was selected as the source opened.
        RefreshToolbar();
    } else {
        files.SelectDefaultFolder();
    }
    files.update();
}

void PlaybackHost::BrowseCommand() {
    browser::CFilerContainerDlg& files = Browser();
    browser::CSourceOpenDlg dialog(window_.Scale(), window_.Fonts().pt10(), window_.Store(),
                                   files.volumeLister(), messages_, &window_);
    if (!runSourceDialog || !runSourceDialog(dialog)) {
        return;
    }
    const SourceKind kind = dialog.chosenKind();
    const QString path = dialog.chosenPath();
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        return;
    }
    if (kind == SourceKind::File && !IsRecordingName(QFileInfo(path).fileName())) {
        messages_.ShowMessage(Text(UiText::OpenFailed), QStringLiteral("ERROR"), 0);
        return;
    }
    OpenSource(path, kind);
}

void PlaybackHost::OnSourceLost() {
    playback::PlaybackController& c = *controller_;
    c.PausePlayback();
    c.StopPlayback();
    c.CloseRecording();
    window_.ResetAfterSourceLost();
    c.SetViews(window_.mainView(), window_.secondView());
    c.SetFullScreen(false);
    Browser().Clear();
    c.SetPlaylist({});
    window_.Vehicle()->SetVehicleSample(nullptr);
    window_.Graph()->CloseTelemetry();
    window_.Graph()->update();
    RefreshToolbar();
    if (offerRepairedFiles) {
        offerRepairedFiles();
    }
    // The viewer ran from the card that was taken out: nothing more can run.
    if (!QFileInfo::exists(QCoreApplication::applicationFilePath())) {
        window_.Shutdown();
        window_.accept();
    }
}

QString PlaybackHost::SourceFolder() {
    return Browser().SourceFolder();
}

void PlaybackHost::OnCommand(int commandId) {
    playback::PlaybackController& c = *controller_;
    switch (commandId - kToolBarFirstCommand) {
    case playback::kStopToStartButton:
        // While an export runs the stop button cancels it.
        if (!commands_->CancelOperation()) {
            c.StopToStart();
        }
        break;
    case playback::kSnapshotButton:
        commands_->ExportSnapshotCommand();
        break;
    case playback::kJoinButton:
        commands_->JoinCommand();
        break;
    case playback::kDeleteButton:
        commands_->DeleteCommand();
        break;
    case playback::kCsvButton:
        commands_->ExportCsvCommand();
        break;
    case playback::kPreviousButton:
        c.Previous();
        break;
    case playback::kPlayButton:
        c.TogglePlay();
        RefreshToolbar(); // Stop, Slower and Faster follow the play state
        break;
    case playback::kSlowerButton:
        c.Slower();
        break;
    case playback::kFasterButton:
        c.Faster();
        break;
    case playback::kNextButton:
        c.Next();
        break;
    case playback::kBrowseButton:
        BrowseCommand();
        break;
    case playback::kSettingsButton:
        if (!(window_.commandsRefused && window_.commandsRefused())) {
            window_.SettingDialog()->ShowCentredOn(&window_);
        }
        break;
    default:
        break; // the map comes with its window
    }
}

// -- PlaybackView

void PlaybackHost::SetSliderRange(int minimum, int maximum) {
    window_.PositionSlider()->SetRange(minimum, maximum);
}

void PlaybackHost::EnableSlider(bool enabled) {
    window_.PositionSlider()->setEnabled(enabled);
}

void PlaybackHost::SetSliderAcceptsMouse(bool accepts) {
    window_.PositionSlider()->SetInteractive(accepts);
}

void PlaybackHost::ReleaseSliderCapture() {
    if (QWidget::mouseGrabber() == window_.PositionSlider()) {
        window_.PositionSlider()->releaseMouse();
    }
}

void PlaybackHost::StoreVolume(int volume) {
    window_.VolumeSlider()->SetPosition(volume);
    WriteSetting(window_.Store(), kv::settings::kDisplay, kv::settings::kVolume,
                 QString::number(volume));
}

void PlaybackHost::SetPlayLook(bool pauseLook) {
    CSkinButton* play = window_.ToolButton(playback::kPlayButton);
    const QRect r = window_.Layout().toolButtons[playback::kPlayButton];
    play->SetSkin(pauseLook ? skin::kPause : skin::kPlay, QRect(QPoint(), r.size()),
                  window_.Scale().factor(), window_.devicePixelRatioF());
    play->setToolTip(Text(pauseLook ? UiText::PauseTip : UiText::PlayTip));
}

void PlaybackHost::RefreshToolbar() {
    Apply(ExpectedToolbar());
    // The list marks the recording being shown, however it was chosen.
    browser::CFileListCtrl* list = window_.RecordingListCtrl();
    if (controller_->currentRecording >= 0 &&
        list->currentIndex() != controller_->currentRecording) {
        const QSignalBlocker quiet(list);
        list->SetCurrentIndex(controller_->currentRecording);
    }
}

playback::ToolbarState PlaybackHost::ExpectedToolbar() const {
    playback::ToolbarInputs in;
    in.listExists = listExists_;
    in.listCount = static_cast<int>(List().size());
    in.current = controller_->currentRecording;
    in.playState = controller_->PlayState();
    in.rateCode = controller_->RateCode();
    const engine::EngineContext* t = controller_->TelemetryEngine();
    in.telemetryHeld = t != nullptr && t->telemetryFlag;
    in.rearOpened = window_.Engine(1).playState != engine::kClosed;
    in.source = Browser().sourceKind();
    in.csvAllowed = browser::PermissionsFor(in.source, in.listCount).csv;
    in.held = controller_->OpenBusy() || controller_->CurrentStage() == playback::Stage::kEnding;
    return playback::RefreshToolbar(in, toolbar_);
}

void PlaybackHost::DisableAll() {
    Apply(playback::DisableAll());
}

void PlaybackHost::EnableAfterOpen(bool deleteUsable) {
    Apply(playback::EnableAfterOpen(deleteUsable));
}

void PlaybackHost::Apply(const playback::ToolbarState& state) {
    toolbar_ = state;
    for (int i = 0; i < playback::kToolButtons; ++i) {
        window_.ToolButton(i)->setEnabled(state.enabled[static_cast<std::size_t>(i)]);
    }
    for (int id : {kCommandClose, kCommandMaximise, kCommandMinimise}) {
        window_.CaptionButton(id)->setEnabled(state.captionsEnabled);
    }
    window_.InfoPane()->setEnabled(state.panesEnabled);
    window_.BrowserPane()->setEnabled(state.panesEnabled);
}

void PlaybackHost::SetWaitCursor(bool on) {
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++waitCursors_;
    } else if (waitCursors_ > 0) {
        QApplication::restoreOverrideCursor();
        --waitCursors_;
    }
}

void PlaybackHost::CloseMenu() {
    if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
    }
}

void PlaybackHost::RepaintPanels() {
    window_.Panel(0)->update();
    window_.Panel(1)->update();
}

void PlaybackHost::FillPanelsBlack() {
    window_.Panel(0)->FillBlack();
    window_.Panel(1)->FillBlack();
}

void PlaybackHost::PlacePictures() {
    window_.PlacePictures();
}

void PlaybackHost::SetSecondWindowTitle(const QString& title) {
    if (playback::CMovieDialog* second = window_.SecondWindow()) {
        second->setWindowTitle(title);
        second->update();
    }
}

void PlaybackHost::RaiseSecondWindow() {
    if (playback::CMovieDialog* second = window_.SecondWindow()) {
        second->raise();
    }
}

void PlaybackHost::ZoomOff() {
    if (window_.Panel(window_.mainView())->zoomMode()) {
        for (int camera = 0; camera < 2; ++camera) {
            window_.Panel(camera)->SetZoomMode(false);
            window_.ResetZoom(camera);
        }
        window_.ToolButton(playback::kZoomButton)->SetSwitchedOn(false);
        Browser().SetZoomMode(false);
        window_.PlacePictures();
    }
}

void PlaybackHost::LeaveFullScreen() {
    window_.LeaveFullScreen();
    controller_->SetFullScreen(false);
}

void PlaybackHost::ResetPosition() {
    window_.PositionSlider()->SetPosition(0);
    window_.Graph()->ShowFrame(window_.Graph()->frameTotal(), 0);
    window_.Info()->state().frameIndex = 0;
    window_.Info()->Draw();
}

void PlaybackHost::ShowFrame(const playback::FrameView& view) {
    window_.PositionSlider()->SetPosition(view.frame);
    window_.Graph()->ShowFrame(view.frameTotal, view.frame);
    views::InfoState& s = window_.Info()->state();
    s.frameIndex = view.frame;
    s.accelX = view.accelX;
    s.accelY = view.accelY;
    s.accelZ = view.accelZ;
    s.statusMark = static_cast<unsigned char>(view.statusMark);
    if (view.speedKmh) {
        s.speedKmh = *view.speedKmh;
    }
    s.gpsValid = view.gpsValid;
    s.voltageTenths = view.voltageTenths.value_or(-1);
    if (view.vehicle) {
        window_.Vehicle()->SetVehicleRecord(*view.vehicle);
    }
    if (view.drawPanelNow) {
        window_.Info()->Draw();
    } else {
        window_.UpdateStrip();
    }
}

void PlaybackHost::ShowRecording(const playback::RecordingView& view) {
    views::InfoState& s = window_.Info()->state();
    s.startTimeValid = true;
    s.startTime = view.startTime;
    s.timeLapse = view.timeLapse;
    s.frameIntervalMs = view.frameIntervalMs;
    s.recordingKind = view.sizeCode;
    s.telemetryPresent = view.telemetry;
    s.speedDisplayOn = view.speedDisplay;
    s.gpsDisplayOn = view.gpsDisplay;
    window_.Info()->Draw();
    // The graph draws the telemetry the engine holding it decoded.
    views::CGSensorDlg* graph = window_.Graph();
    views::TelemetrySource source = graph->telemetrySource();
    engine::EngineContext* t = controller_->TelemetryEngine();
    source.reader = t && view.telemetry ? &t->display : nullptr;
    graph->SetTelemetrySource(source);
    if (source.reader) {
        graph->LoadTelemetry();
    } else {
        graph->CloseTelemetry();
    }
    SendEvents();
}

void PlaybackHost::SendEvents() {
    views::CGSensorDlg* graph = window_.Graph();
    std::vector<playback::EventMarker> markers;
    if (graph->dataPresent()) {
        for (const views::EventEntry& e : graph->BuildEventList()) {
            markers.push_back({e.channel, static_cast<int>(e.frame), graph->graphShown(e.channel)});
        }
    }
    controller_->SetEvents(std::move(markers));
}

void PlaybackHost::SetSpeedLabel(const QString& label) {
    speedLabel_ = label;
    window_.Info()->state().speedLabel = label;
    window_.Info()->update();
}

void PlaybackHost::ClearStartTime() {
    window_.Info()->state().startTimeValid = false;
    window_.Info()->update();
}

void PlaybackHost::SetVoltageShown(bool shown) {
    window_.Info()->state().voltageShown = shown;
    window_.Info()->update();
}

void PlaybackHost::ClearGraphEvents() {
    window_.Graph()->CloseTelemetry();
    window_.Graph()->update();
}

void PlaybackHost::ResetInfoPanel() {
    window_.Info()->Reset();
}

// -- FolderBrowser

bool PlaybackHost::TakeFilterChanged() {
    return Browser().TakeFilterChanged();
}

void PlaybackHost::SelectRow(int row) {
    // The list reports the selection; the controller hears it through recordingSelected.
    Browser().SelectRow(row);
}

void PlaybackHost::OnFolderSelected(QTreeWidgetItem* item) {
    browser::CFilerContainerDlg& files = Browser();
    if (files.clearing() || marking_ || item == nullptr) {
        return;
    }
    files.LoadFolder(item);
    Post([this] { controller_->OnFolderLoaded({true, false}); });
}

bool PlaybackHost::RebuildList(RecordingList& recordings) {
    if (SelectedFolder() == nullptr && Browser().sourceKind() != SourceKind::File) {
        return false;
    }
    {
        const QSignalBlocker quiet(window_.RecordingListCtrl());
        window_.RecordingListCtrl()->Refill();
    }
    recordings = List();
    return true;
}

bool PlaybackHost::HasNextFolder() {
    return browser::CFolderTreeCtrl::SiblingAfter(SelectedFolder(), 1) != nullptr;
}

void PlaybackHost::SelectNextFolder() {
    if (QTreeWidgetItem* next = browser::CFolderTreeCtrl::SiblingAfter(SelectedFolder(), 1)) {
        Browser().tree()->SelectItem(next); // listed and reported by OnFolderSelected
    }
}

bool PlaybackHost::ListFolderAfter(int steps, RecordingList& recordings) {
    QTreeWidgetItem* item = browser::CFolderTreeCtrl::SiblingAfter(SelectedFolder(), steps);
    if (item == nullptr) {
        return false;
    }
    Browser().LoadFolder(item, true);
    recordings = List();
    return true;
}

void PlaybackHost::MarkFolderAfter(int steps) {
    QTreeWidgetItem* item = browser::CFolderTreeCtrl::SiblingAfter(SelectedFolder(), steps);
    if (item == nullptr) {
        return;
    }
    marking_ = true;
    Browser().tree()->SelectItem(item);
    marking_ = false;
}

// -- PlaybackTimers

void PlaybackHost::Start(int id, int periodMs) {
    if (shut_) {
        return;
    }
    std::unique_ptr<QTimer>& timer = timers_[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        timer->setTimerType(Qt::PreciseTimer);
        connect(timer.get(), &QTimer::timeout, this, [this, id] { controller_->OnTimer(id); });
    }
    timer->start(periodMs);
}

void PlaybackHost::Stop(int id) {
    const auto it = timers_.find(id);
    if (it != timers_.end()) {
        it->second->stop();
    }
}

bool PlaybackHost::running(int id) const {
    const auto it = timers_.find(id);
    return it != timers_.end() && it->second->isActive();
}

// -- UiPoster

void PlaybackHost::Post(std::function<void()> task) {
    // Queued on this object: a task posted before the host is gone is dropped with it.
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

} // namespace kv::app
