#pragma once

#include <QString>
#include <QVariant>

namespace kv::map {

// What the host object asks of the map side when the page calls it.
class IHostWebViewFuncs {
public:
    virtual ~IHostWebViewFuncs() = default;

    // 1 when the map service can be reached and the map display is on, else 0.
    virtual int ConnectTest() = 0;
    // The script the page loads the map library from.
    virtual QString GetMapUrl() = 0;
    // The track of the folder's recordings ([0] when there is none).
    virtual QVariant GetGpsData() = 0;
    // The track of the current recording; null without telemetry.
    virtual QVariant GetGridData() = 0;
    // The playback position in frames, as decimal text.
    virtual QString GetRelJpgNum() = 0;
    // An event point was clicked: playback goes to frame ipos.
    virtual void OnClickCrashPoint(int ifile, int igrid, int ipos, int valid, double lat,
                                   double lng, double speed, double direction) = 0;
    // The page has loaded the map library.
    virtual void OnInitHtml() = 0;
    // The page wants the update message.
    virtual void SetSend() = 0;
};

} // namespace kv::map
