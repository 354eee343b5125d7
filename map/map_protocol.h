#pragma once

#include "telemetry_types.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <span>
#include <vector>

// What the host and the map page say to each other, as plain functions: the
// track arrays the page reads, the update message it is sent once a second,
// and the script calls that put the event points on the map.
namespace kv::map {

// A track for the page: latitude, longitude and frame of every sample with a
// fix, in order, then the number of values before the count (3 per sample).
// No samples give [0].
QVariantList TrackArray(std::span<const GpsSample> samples);

// The update message: map_lat and map_lng with six decimals, map_status,
// val_command "update" and an empty val_end, in that (key) order.
QString UpdateMessage(double latitude, double longitude, const QString& status);

// One event point as the page's cplist.AddCrashPos takes it.
struct EventTuple {
    int code = 0; // the event code, also the icon number
    double accelX = 0.0;
    double accelY = 0.0;
    double accelZ = 0.0;
    int file = 0;      // always 0
    int recording = 0; // the recording's row in the current list
    int frame = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    int valid = 0;
    double speedKmh = 0.0;
    double direction = 0.0;
};

QString AddCrashPosScript(const EventTuple& event);

// One entry of the main window's event list, as far as the map needs it.
struct MapEvent {
    int code = 0;
    const SensorSample* sample = nullptr;
};

// The event points of a recording as script calls, walking the list from its
// last entry to its first: an entry without telemetry or without a linked GPS
// sample ends the walk (complete stays false, the caller tries again later);
// an entry whose GPS sample has no fix, or lies at latitude and longitude 0,
// is passed over.
struct EventScripts {
    QStringList scripts;
    bool complete = false;
};
EventScripts EventPointScripts(std::span<const MapEvent> events, int recording);

// The script calls that clear the page and draw the recording's track again
// (with the folder's track first when withGroupTrack).
QStringList RebuildScripts(int recording, bool withGroupTrack);

} // namespace kv::map
