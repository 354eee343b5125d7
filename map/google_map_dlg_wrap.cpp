#include "google_map_dlg_wrap.h"

#include <QMetaObject>

namespace kv::map {

CGoogleMapDlgWrap::CGoogleMapDlgWrap(MapSettings settings, QObject* parent)
    : QObject(parent), connection(MapServiceRoot(settings.provider)),
      settings_(std::move(settings)) {}

CGoogleMapDlgWrap::~CGoogleMapDlgWrap() = default;

void CGoogleMapDlgWrap::RunScript(const QString& script) {
    if (mapDialog) {
        mapDialog->RunScript(script);
    }
}

void CGoogleMapDlgWrap::RebuildMap(int recording, bool withGroupTrack) {
    if (!pageReady) {
        return;
    }
    for (const QString& script : RebuildScripts(recording, withGroupTrack)) {
        RunScript(script);
    }
}

bool CGoogleMapDlgWrap::SendEventPoints(std::span<const MapEvent> events, int recording,
                                        bool withGroupTrack) {
    if (!pageReady) {
        return true;
    }
    RebuildMap(recording, withGroupTrack);
    const EventScripts points = EventPointScripts(events, recording);
    for (const QString& script : points.scripts) {
        RunScript(script);
    }
    return points.complete;
}

void CGoogleMapDlgWrap::SetPlayState(int state) {
    if (!mapDialog) {
        return;
    }
    switch (state) {
    case 0:
        mapDialog->mapStatus.clear();
        break;
    case 1:
        mapDialog->mapStatus = QStringLiteral("pause");
        break;
    case 2:
        mapDialog->mapStatus = QStringLiteral("stop");
        RunScript(QStringLiteral("orbitgrplist.MoveMarker()"));
        break;
    default:
        break;
    }
}

bool CGoogleMapDlgWrap::ShowMap(bool show) {
    if (!mapWindow_) {
        return false;
    }
    if (show && !mapVisible && !mapWindow_->isVisible()) {
        mapWindow_->show();
        mapVisible = true;
        return true;
    }
    if (!show && mapVisible && mapWindow_->isVisible()) {
        mapWindow_->hide();
        mapVisible = false;
        return true;
    }
    return false;
}

int CGoogleMapDlgWrap::ConnectTest() {
    if (connection.enabled.load() == 0) {
        return 0;
    }
    const int answer = connection.connected.load() != 0 ? 1 : 0;
    if (answer == 0) {
        pageReady = false;
    }
    return answer;
}

QString CGoogleMapDlgWrap::GetMapUrl() {
    return MapScriptUrl(settings_);
}

QVariant CGoogleMapDlgWrap::GetGpsData() {
    if (!groupTrack) {
        return TrackArray({});
    }
    const std::vector<GpsSample> track = groupTrack();
    return TrackArray(track);
}

QVariant CGoogleMapDlgWrap::GetGridData() {
    if (!currentTrack) {
        return {};
    }
    const std::optional<std::vector<GpsSample>> track = currentTrack();
    if (!track) {
        return {};
    }
    return TrackArray(*track);
}

QString CGoogleMapDlgWrap::GetRelJpgNum() {
    return QString::asprintf("%d", pageFramePosition);
}

void CGoogleMapDlgWrap::OnClickCrashPoint(int, int, int ipos, int, double, double, double, double) {
    QMetaObject::invokeMethod(
        this, [this, ipos] { Q_EMIT frameRequested(ipos); }, Qt::QueuedConnection);
}

void CGoogleMapDlgWrap::OnInitHtml() {
    pageReady = true;
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT pageReported(); }, Qt::QueuedConnection);
}

void CGoogleMapDlgWrap::SetSend() {
    if (!mapDialog) {
        return;
    }
    mapDialog->PostUpdate(
        UpdateMessage(mapDialog->mapLat, mapDialog->mapLng, mapDialog->mapStatus));
}

} // namespace kv::map
