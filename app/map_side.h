#pragma once

#include "map_pane_control.h"
#include "telemetry_types.h"
#include "web_runtime.h"

#include <QObject>

#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace kv {
class MessageSink;
}

namespace kv::map {
class CGoogleMapDlgWrap;
class CGoogleMapDlg2;
} // namespace kv::map

namespace kv::playback {
class PlaybackController;
}

namespace kv::app {

class CQuillonDlg;

// The map side of the main window: the map wrapper with its connection
// checker, the map dialog in the map window under the logo, the pane rules,
// and the track of the folder's recordings (loaded on a worker thread).
class MapSide : public QObject {
    Q_OBJECT

public:
    MapSide(CQuillonDlg& window, playback::PlaybackController& controller, MessageSink& messages);
    ~MapSide() override; // waits for the track loader

    MapPaneControl& Pane() { return *pane_; }
    // The pane while the map window exists (null after the window went at shutdown).
    MapPaneControl* LivePane() { return windowGone_ ? nullptr : pane_.get(); }
    map::CGoogleMapDlgWrap& Bridge() { return *bridge_; }
    map::CGoogleMapDlg2* Dialog() const { return dialog_; }

    // The folder's recordings: their track is decoded on a worker thread.
    void LoadTrack(const RecordingList& recordings);
    // The map display switch changed.
    void OnMapSwitch(bool on);
    // The window is up: the runtime notice when WebEngine is missing, the
    // started mark and the logo's picture.
    void OnDeferredStart();

private:
    void WaitForLoader();
    map::CompactNotice RuntimeNotice();

    CQuillonDlg& window_;
    playback::PlaybackController& controller_;
    MessageSink& messages_;
    std::unique_ptr<map::CGoogleMapDlgWrap> bridge_;
    map::CGoogleMapDlg2* dialog_ = nullptr; // child of the map window
    std::unique_ptr<MapPaneControl> pane_;
    map::WebEngineCheck runtimeCheck_;
    bool runtimeNoticeShown_ = false;
    bool windowGone_ = false;

    std::thread loader_;
    std::mutex trackLock_;
    std::vector<GpsSample> track_; // guarded by trackLock_
};

} // namespace kv::app
