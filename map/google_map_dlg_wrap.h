#pragma once

#include "host_web_view_funcs.h"
#include "inet_connection_async.h"
#include "map_dialog_port.h"
#include "map_protocol.h"
#include "map_settings.h"
#include "telemetry_types.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace kv::map {

// The main window's side of the map: what the page asks through the host
// object, the script calls that draw the recording's track and events, the
// play status the page polls for, and the map window's visibility. Runs on
// the window thread.
class CGoogleMapDlgWrap : public QObject, public IHostWebViewFuncs {
    Q_OBJECT

public:
    explicit CGoogleMapDlgWrap(MapSettings settings, QObject* parent = nullptr);
    ~CGoogleMapDlgWrap() override;

    // The map dialog (null until created) and the window holding it.
    void SetDialog(IMapDialog* dialog) { mapDialog = dialog; }
    void SetMapWindow(QWidget* window) { mapWindow_ = window; }
    QWidget* mapWindow() const { return mapWindow_; }
    const MapSettings& settings() const { return settings_; }

    // The folder's track (copied under its lock), and the current recording's
    // track, nullopt while no telemetry is loaded.
    std::function<std::vector<GpsSample>()> groupTrack;
    std::function<std::optional<std::vector<GpsSample>>()> currentTrack;

    // -- Operations of the main window.
    void RunScript(const QString& script);
    // Only while the page is ready: clears the events and tracks and draws
    // the recording's track (and the folder's first when withGroupTrack).
    void RebuildMap(int recording, bool withGroupTrack);
    // RebuildMap, then the event points (see EventPointScripts). False when
    // an event had no GPS sample and the rest must be sent again later; true
    // also when the page was not ready and nothing was sent.
    bool SendEventPoints(std::span<const MapEvent> events, int recording, bool withGroupTrack);
    // 0 playing (empty status), 1 "pause", 2 "stop" (and the marker moves).
    void SetPlayState(int state);
    // Shows or hides the map window; true when that changed anything. Hiding
    // hides only a window this wrapper showed.
    bool ShowMap(bool show);

    // -- The host object's calls.
    int ConnectTest() override;
    QString GetMapUrl() override;
    QVariant GetGpsData() override;
    QVariant GetGridData() override;
    QString GetRelJpgNum() override;
    void OnClickCrashPoint(int ifile, int igrid, int ipos, int valid, double lat, double lng,
                           double speed, double direction) override;
    void OnInitHtml() override;
    void SetSend() override;

    IMapDialog* mapDialog = nullptr;
    CInetConnectionAsync connection;
    bool pageReady = false;
    bool mapVisible = false;
    bool trackAvailable = false;
    int pageFramePosition = 0;

Q_SIGNALS:
    // Queued to the main window: the page has loaded the map library.
    void pageReported();
    // Queued to the main window: an event point was clicked, go to frame.
    void frameRequested(int frame);

private:
    MapSettings settings_;
    QPointer<QWidget> mapWindow_;
};

} // namespace kv::map
