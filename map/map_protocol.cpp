#include "map_protocol.h"

#include "json_holder.h"

namespace kv::map {

QVariantList TrackArray(std::span<const GpsSample> samples) {
    QVariantList values;
    for (const GpsSample& g : samples) {
        if (g.valid != 0) {
            values.append(g.latitude);
            values.append(g.longitude);
            values.append(static_cast<int>(g.frame));
        }
    }
    values.append(static_cast<int>(values.size()));
    return values;
}

QString UpdateMessage(double latitude, double longitude, const QString& status) {
    const QString comma = QStringLiteral(",");
    CJsonHolder json;
    json.Set(QStringLiteral("map_lat"), QString::asprintf("%f", latitude), comma);
    json.Set(QStringLiteral("map_lng"), QString::asprintf("%f", longitude), comma);
    json.Set(QStringLiteral("map_status"), status, comma);
    json.Set(QStringLiteral("val_command"), QStringLiteral("update"), comma);
    json.Set(QStringLiteral("val_end"), QString(), QString());
    return json.Write();
}

QString AddCrashPosScript(const EventTuple& e) {
    return QString::asprintf("cplist.AddCrashPos(%d,%f,%f,%f,%d,%d,%d,%f,%f,%d,%f,%f)", e.code,
                             e.accelX, e.accelY, e.accelZ, e.file, e.recording, e.frame, e.latitude,
                             e.longitude, e.valid, e.speedKmh, e.direction);
}

EventScripts EventPointScripts(std::span<const MapEvent> events, int recording) {
    EventScripts out;
    for (auto it = events.rbegin(); it != events.rend(); ++it) {
        const SensorSample* sample = it->sample;
        const GpsSample* gps = sample ? sample->gps : nullptr;
        if (gps == nullptr) {
            return out;
        }
        // Without a fix the sample holds no position (720, 720), and one at
        // 0, 0 is no place the car was.
        if (gps->valid == 0 || (gps->latitude == 0.0 && gps->longitude == 0.0)) {
            continue;
        }
        EventTuple tuple;
        tuple.code = it->code;
        tuple.accelX = sample->accelX;
        tuple.accelY = sample->accelY;
        tuple.accelZ = sample->accelZ;
        tuple.recording = recording;
        tuple.frame = sample->frame;
        tuple.latitude = gps->latitude;
        tuple.longitude = gps->longitude;
        tuple.valid = gps->valid;
        tuple.speedKmh = gps->speedKmh;
        tuple.direction = gps->direction;
        out.scripts.append(AddCrashPosScript(tuple));
    }
    out.complete = true;
    return out;
}

QStringList RebuildScripts(int recording, bool withGroupTrack) {
    QStringList scripts{QStringLiteral("cplist.ClearCrashPos()"),
                        QStringLiteral("orbitgrplist.RemoveLineList()")};
    if (withGroupTrack) {
        scripts.append(QStringLiteral("orbitgrplist.CreateLine()"));
    }
    scripts.append(QString::asprintf("orbitgrplist.CreateGridLine(%d)", recording));
    return scripts;
}

} // namespace kv::map
