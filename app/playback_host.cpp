#include "playback_host.h"

#include "file_list_ctrl.h"
#include "gsensor_dlg.h"
#include "info_dlg.h"
#include "main_window.h"
#include "message_box.h"
#include "movie_dialog.h"
#include "movie_static.h"
#include "settings_keys.h"
#include "settings_store.h"
#include "skin_bitmap.h"
#include "skin_button.h"
#include "skin_slider.h"
#include "ui_texts.h"

#include <QApplication>
#include <QMetaObject>
#include <QPointer>
#include <QSignalBlocker>

namespace kv::app {

namespace {

const RecordingList kNoRecordings;

} // namespace

PlaybackHost::PlaybackHost(CQuillonDlg& window, MessageSink& messages) : window_(window) {
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
    connect(&window, &CQuillonDlg::frameStepRequested, this, [this](int delta) {
        playback::PlaybackController& c = *controller_;
        const int state = c.PlayState();
        engine::EngineContext* t = c.TelemetryEngine();
        if (c.ready && t && (state == engine::kPaused || state == engine::kStopped)) {
            const auto frame = window_.Ops().CurrentFrame(*t) + delta;
            if (frame >= 0 && frame < window_.Ops().FrameCount(*t)) {
                c.SeekTo(static_cast<int>(frame));
            }
        }
    });
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

    window.commandsRefused = [this] { return controller_->openBusy || controller_->EndGuard(); };
    window.telemetryEngine = [this] {
        engine::EngineContext* t = controller_->TelemetryEngine();
        return t ? t->camera : window_.mainView();
    };
    window.fullScreenAllowed = [this] { return controller_->ready && !List().empty(); };
    window.beforeShutdown = [this] { Shut(); };

    // A row chosen in the recording list opens its recording.
    connect(window.RecordingListCtrl(), &browser::CFileListCtrl::recordingSelected, this,
            [this](int row) { controller_->SelectRecording(row); });
    connect(window.Graph(), &views::CGSensorDlg::previousEventRequested, this,
            [this] { controller_->OnGraphLeftClick(); });
    connect(window.Graph(), &views::CGSensorDlg::nextEventRequested, this,
            [this] { controller_->OnGraphRightClick(); });
    connect(window.Info(), &views::CInfoDlg::axisSwitched, this, [this](int axis, bool shown) {
        // The axis buttons switch the graph's markers of that axis.
        window_.Graph()->SetChannelShown(axis, shown);
        SendEvents();
    });
}

PlaybackHost::~PlaybackHost() {
    Shut();
    window_.commandsRefused = nullptr;
    window_.telemetryEngine = nullptr;
    window_.fullScreenAllowed = nullptr;
    window_.beforeShutdown = nullptr;
}

void PlaybackHost::Shut() {
    if (shut_) {
        return;
    }
    shut_ = true;
    for (auto& [id, timer] : timers_) {
        timer->stop();
    }
    controller_->PausePlayback();
    controller_->StopPlayback();
    controller_->CloseRecording();
    controller_->WaitForWorkers();
}

void PlaybackHost::SetFolders(std::vector<RecordingList> folders, int selected,
                              const QString& sourceFolder) {
    folders_ = std::move(folders);
    selected_ =
        folders_.empty() ? -1 : std::clamp(selected, 0, static_cast<int>(folders_.size()) - 1);
    sourceFolder_ = sourceFolder;
    listExists_ = true;
    controller_->SetPlaylist(ShowList());
    RefreshToolbar();
}

const RecordingList& PlaybackHost::List() const {
    return selected_ >= 0 ? folders_[static_cast<std::size_t>(selected_)] : kNoRecordings;
}

void PlaybackHost::OnCommand(int commandId) {
    playback::PlaybackController& c = *controller_;
    switch (commandId - kToolBarFirstCommand) {
    case playback::kStopToStartButton:
        c.StopToStart();
        break;
    case playback::kPreviousButton:
        c.Previous();
        break;
    case playback::kPlayButton:
        c.TogglePlay();
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
    default:
        break; // the file commands, the map and the settings come with their windows
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
    playback::ToolbarInputs in;
    in.listExists = listExists_;
    in.listCount = static_cast<int>(List().size());
    in.current = controller_->currentRecording;
    in.playState = controller_->PlayState();
    in.rateCode = controller_->RateCode();
    const engine::EngineContext* t = controller_->TelemetryEngine();
    in.telemetryHeld = t != nullptr && t->telemetryFlag;
    in.rearOpened = window_.Engine(1).playState != engine::kClosed;
    in.source = playback::SourceKind::Card;
    in.csvAllowed = !List().empty();
    Apply(playback::RefreshToolbar(in, toolbar_));
    // The list marks the recording being shown, however it was chosen.
    browser::CFileListCtrl* list = window_.RecordingListCtrl();
    if (controller_->currentRecording >= 0 &&
        list->currentIndex() != controller_->currentRecording) {
        const QSignalBlocker quiet(list);
        list->SetCurrentIndex(controller_->currentRecording);
    }
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

RecordingList PlaybackHost::ShowList() {
    browser::CFileListCtrl* list = window_.RecordingListCtrl();
    list->SetAllEntries(List());
    list->SetKindFilter(
        browser::KindFilter{1, 1, 1, 1, 1, 1}); // every kind until the filter buttons exist
    list->Refill();
    return list->shownEntries();
}

void PlaybackHost::SelectRow(int row) {
    {
        // The list reports the row itself; here the controller hears it once.
        const QSignalBlocker quiet(window_.RecordingListCtrl());
        window_.RecordingListCtrl()->SetCurrentIndex(row);
    }
    controller_->SelectRecording(row);
}

bool PlaybackHost::RebuildList(RecordingList& recordings) {
    if (selected_ < 0) {
        return false;
    }
    recordings = ShowList();
    return true;
}

bool PlaybackHost::HasNextFolder() {
    return selected_ >= 0 && selected_ + 1 < static_cast<int>(folders_.size());
}

void PlaybackHost::SelectNextFolder() {
    if (!HasNextFolder()) {
        return;
    }
    ++selected_;
    Post([this] { controller_->OnFolderLoaded({true, false}); });
}

bool PlaybackHost::ListFolderAfter(int steps, RecordingList& recordings) {
    const int index = selected_ + steps;
    if (selected_ < 0 || index >= static_cast<int>(folders_.size())) {
        return false;
    }
    recordings = folders_[static_cast<std::size_t>(index)];
    return true;
}

void PlaybackHost::MarkFolderAfter(int steps) {
    selected_ = std::min(selected_ + steps, static_cast<int>(folders_.size()) - 1);
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
