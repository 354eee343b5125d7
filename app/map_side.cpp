#include "map_side.h"

#include "HostWebViewObject.h"
#include "engine_context.h"
#include "google_map_dlg2.h"
#include "google_map_dlg_wrap.h"
#include "gsensor_dlg.h"
#include "logo_dialog.h"
#include "main_window.h"
#include "map_settings.h"
#include "movie_dialog.h"
#include "playback_controller.h"
#include "telemetry_reader.h"
#include "update_dialog.h"
#include "web_runtime.h"

#include <QEvent>
#include <QMetaObject>

namespace kv::app {

namespace {

// Keeps the logo over the map dialog, at its place.
class CoverFollower : public QObject {
public:
    CoverFollower(QWidget* cover, QWidget* under) : QObject(under), cover_(cover) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Move) {
            auto* under = static_cast<QWidget*>(watched);
            cover_->setGeometry(under->geometry());
            cover_->raise();
        }
        return false;
    }

private:
    QWidget* cover_;
};

} // namespace

MapSide::MapSide(CQuillonDlg& window, playback::PlaybackController& controller,
                 MessageSink& messages)
    : window_(window), controller_(controller), messages_(messages) {
    const map::MapSettings settings = map::ReadMapSettings(window.Store());
    bridge_ = std::make_unique<map::CGoogleMapDlgWrap>(settings);
    playback::CMovieDialog* mapWindow = window.MapWindow();
    playback::CLogoDlg* logo = window.Logo();

    // The map dialog fills the map window; the logo covers it while there is
    // no map to show.
    dialog_ = new map::CGoogleMapDlg2(mapWindow);
    dialog_->SetHost(bridge_.get(), map::ProviderName(settings.provider));
    mapWindow->SetContent(dialog_);
    dialog_->installEventFilter(new CoverFollower(logo, dialog_));
    logo->setGeometry(dialog_->geometry());
    logo->raise();
    bridge_->SetDialog(dialog_);
    bridge_->SetMapWindow(mapWindow);
    // The map window (with the dialog and the logo) goes before the playback
    // host at shutdown: nothing reaches them after that.
    connect(mapWindow, &QObject::destroyed, this, [this] {
        windowGone_ = true;
        bridge_->SetDialog(nullptr);
        dialog_ = nullptr;
    });

    bridge_->groupTrack = [this] {
        std::lock_guard lock(trackLock_);
        return track_;
    };
    bridge_->currentTrack = [this]() -> std::optional<std::vector<GpsSample>> {
        engine::EngineContext* t = controller_.TelemetryEngine();
        if (!t || !controller_.Ready()) {
            return std::nullopt;
        }
        engine::EngineLock front(window_.Engine(0).mainLock);
        engine::EngineLock rear(window_.Engine(1).mainLock);
        return t->display.gps;
    };

    MapPaneWorld world;
    world.fullScreen = [this] { return window_.isFullScreenOn(); };
    world.mapSwitchOn = [this] { return window_.mapShown(); };
    world.recordingCurrent = [this] {
        return controller_.Ready() && controller_.currentRecording >= 0;
    };
    world.parking = [this] {
        const int row = controller_.currentRecording;
        const RecordingList& list = controller_.Playlist();
        return row >= 0 && row < static_cast<int>(list.size()) &&
               list[static_cast<std::size_t>(row)].parkingGroup != 0;
    };
    world.hasGpsSamples = [this] {
        engine::EngineContext* t = controller_.TelemetryEngine();
        return t && !t->display.gps.empty();
    };
    world.currentFix = [this]() -> const GpsSample* {
        engine::EngineContext* t = controller_.TelemetryEngine();
        if (!t) {
            return nullptr;
        }
        const SensorSample* s = SampleAtFrame(t->display, window_.Ops().CurrentFrame(*t));
        return s ? s->gps : nullptr;
    };
    world.playState = [this] { return controller_.PlayState(); };
    world.events = [this] {
        std::vector<map::MapEvent> events;
        if (window_.Graph()->dataPresent()) {
            for (const views::EventEntry& e : window_.Graph()->BuildEventList()) {
                events.push_back({e.code, e.sample});
            }
        }
        return events;
    };
    world.recordingRow = [this] { return std::max(0, controller_.currentRecording); };
    world.focusMap = [this] { dialog_->setFocus(Qt::OtherFocusReason); };
    world.repaintWindow = [this] { window_.update(); };
    pane_ = std::make_unique<MapPaneControl>(*bridge_, *logo, std::move(world));
    runtimeCheck_ = map::CheckWebEngine();
    pane_->runtimePresent = runtimeCheck_.available();

    connect(bridge_.get(), &map::CGoogleMapDlgWrap::pageReported, this, [this] {
        if (MapPaneControl* pane = LivePane()) {
            pane->OnMapReady();
        }
    });
    connect(bridge_.get(), &map::CGoogleMapDlgWrap::frameRequested, this,
            [this](int frame) { controller_.SeekTo(frame); });
    // Only the engine itself failing turns the map off for the run; a page
    // that does not load is the dialog's log line.
    connect(dialog_, &map::CGoogleMapDlg2::webEngineFailed, this, [this] {
        runtimeCheck_ = map::ProcessFailure();
        MapPaneControl* pane = LivePane();
        if (!pane) {
            return;
        }
        pane->runtimePresent = false;
        pane->UpdateMapPane();
        if (!runtimeNoticeShown_) {
            runtimeNoticeShown_ = true;
            map::ShowRuntimeMissingNotice(runtimeCheck_, RuntimeNotice(), &messages_);
        }
    });
    // The logo's picture follows the checker's results while it is shown; a
    // result that arrives after the map window (and its logo) went is dropped.
    connect(
        &bridge_->connection, &map::CInetConnectionAsync::checked, this,
        [this] {
            MapPaneControl* pane = LivePane();
            if (pane && pane->logoShown) {
                pane->ChooseLogoPicture();
            }
        },
        Qt::QueuedConnection);
    bridge_->connection.Start();
}

MapSide::~MapSide() {
    WaitForLoader();
}

void MapSide::WaitForLoader() {
    if (loader_.joinable()) {
        loader_.join();
    }
}

void MapSide::LoadTrack(const RecordingList& recordings) {
    WaitForLoader();
    std::vector<QString> paths;
    for (const RecordingEntry& e : recordings) {
        paths.push_back(e.frontPath.isEmpty() ? e.rearPath : e.frontPath);
    }
    loader_ = std::thread([this, paths = std::move(paths)] {
        std::vector<GpsSample> track;
        LoadTrackPoints(paths, track);
        std::lock_guard lock(trackLock_);
        track_ = std::move(track);
    });
}

map::CompactNotice MapSide::RuntimeNotice() {
    // The update dialog in its compact layout, until it is closed.
    return [this](const QString& caption, const QString& text) {
        settings::CUpdateDialog dialog(window_.Scale(), window_.Fonts());
        dialog.SetNotice(text, true);
        dialog.setWindowTitle(caption);
        dialog.exec();
    };
}

void MapSide::OnMapSwitch(bool on) {
    if (MapPaneControl* pane = LivePane()) {
        pane->OnMapSwitch(on);
    }
}

void MapSide::OnDeferredStart() {
    // Posted at start: a window shut down before it ran has nothing to start.
    if (!LivePane()) {
        return;
    }
    if (!pane_->runtimePresent && !runtimeNoticeShown_) {
        runtimeNoticeShown_ = true;
        map::ShowRuntimeMissingNotice(runtimeCheck_, RuntimeNotice(), &messages_);
    }
    pane_->OnDeferredStart();
}

} // namespace kv::app
