// kolvista-cli info and telemetry: one recording file.

#include "avi_clip.h"
#include "avi_layout.h"
#include "avi_verify.h"
#include "byte_order.h"
#include "commands.h"
#include "telemetry_reader.h"
#include "time_check.h"
#include "track_export.h"

#include <QFileInfo>

namespace kv::cli {

namespace {

QString VerifyText(int result) {
    switch (result) {
    case kRecordingSound:
        return QStringLiteral("0 sound");
    case kRecordingDamaged:
        return QStringLiteral("1 damaged");
    default:
        return QStringLiteral("2 unreadable");
    }
}

QString Thresholds(const TelemetryHeader& h) {
    return QStringLiteral("%1 %2 %3 %4 G (mark %5)")
        .arg(h.thresholdX, 0, 'f', 3)
        .arg(h.thresholdY, 0, 'f', 3)
        .arg(h.thresholdZ, 0, 'f', 3)
        .arg(h.threshold4, 0, 'f', 3)
        .arg(h.thresholdMark >= 0x20 && h.thresholdMark < 0x7F ? QChar(h.thresholdMark)
                                                               : QChar(u'-'));
}

int Info(const QString& path, QTextStream& out, QTextStream& err) {
    const QFileInfo info(path);
    if (!info.isFile()) {
        err << "kolvista-cli: no such file: " << path << "\n";
        return kExitBadInput;
    }
    std::int64_t expected = -1;
    const int verdict = VerifyRecording(path, &expected);
    out << "file:            " << path << "\n";
    out << "size:            " << info.size() << " bytes\n";
    out << "verification:    " << VerifyText(verdict) << "\n";
    if (verdict == kRecordingUnreadable) {
        err << "kolvista-cli: cannot open or map " << path << "\n";
        return kExitBadInput;
    }
    if (verdict == kRecordingSound) {
        out << "expected length: " << expected << " bytes"
            << (expected == info.size() ? " (matches)" : " (differs)") << "\n";
    }
    if (const auto timing = ReadTiming(path)) {
        out << "timing:          " << timing->totalFrames << " frames, "
            << QString::number(timing->frameDurationMs, 'f', 4) << " ms per frame (" << timing->rate
            << "/" << timing->scale << "), " << QString::number(timing->durationSeconds, 'f', 3)
            << " s\n";
    } else {
        out << "timing:          unreadable (short header or frame rate 0)\n";
    }
    const auto clip = LoadClip(path);
    if (!clip) {
        out << "structure:       cannot be loaded (sizes do not fit the file)\n";
        return verdict == kRecordingSound ? kExitBadInput : kExitOk;
    }
    const auto* h = reinterpret_cast<const unsigned char*>(clip->header.constData());
    out << "layout:          "
        << (clip->timeLapse ? "time-lapse (280-byte header, no audio)" : "normal (384-byte header)")
        << (clip->parkingGroup ? ", parking group" : "") << "\n";
    out << "picture:         " << static_cast<std::int32_t>(ReadLe32(h + avi::kVideoWidth)) << " x "
        << static_cast<std::int32_t>(ReadLe32(h + avi::kVideoHeight)) << "\n";
    std::size_t video = 0, audio = 0, keys = 0;
    for (const auto& e : clip->index) {
        if (e.tag == avi::kVideoFourCc) {
            ++video;
            keys += (e.flags & avi::kKeyFrameFlag) ? 1 : 0;
        } else if (e.tag == avi::kAudioFourCc) {
            ++audio;
        }
    }
    out << "movi size:       " << clip->moviSize() << " bytes\n";
    out << "index:           " << clip->index.size() << " entries: " << video << " video (" << keys
        << " key), " << audio << " audio\n";
    if (clip->hasTelemetry) {
        out << "telemetry block: " << clip->recordCount << " records (trailer count "
            << clip->trailerCount << ")\n";
    }
    TelemetryHeader header;
    if (ReadHeaderOnly(path, header)) {
        out << "thresholds:      " << Thresholds(header) << "\n";
        out << "quality:         " << (header.quality == 'H' ? "high" : "low") << "\n";
        out << "vehicle data:    "
            << (header.vehicleDataKind >= 0x20 ? QString(QChar(header.vehicleDataKind))
                                               : QStringLiteral("-"))
            << ", speed display " << (header.speedDisplay ? "on" : "off") << ", GPS "
            << (header.gpsDisplay ? "on" : "off") << "\n";
    }
    if (clip->hasTelemetry) {
        // Telemetry time minus the file name's time for the same moment.
        if (const auto offset = ClockOffsetSeconds(path)) {
            out << "clock offset:    " << (*offset > 0 ? "+" : "") << *offset
                << " s (GPS time minus the recorder's clock in the file name)\n";
        } else {
            out << "clock offset:    unknown (no record with a GPS fix and a time stamp)\n";
        }
    }
    return kExitOk;
}

QString TimeText(const CalendarTime& t) {
    return QString::asprintf("%04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour,
                             t.minute, t.second);
}

QString Coordinate(double v) {
    return v == kNoCoordinate ? QStringLiteral("-") : QString::number(v, 'f', 6);
}

int Telemetry(const QString& path, bool csv, QTextStream& out, QTextStream& err) {
    if (!QFileInfo(path).isFile()) {
        err << "kolvista-cli: no such file: " << path << "\n";
        return kExitBadInput;
    }
    TelemetryReader reader;
    reader.Init();
    reader.onMapError = [&err](const QString& caption, const QString& text) {
        err << caption << ": " << text << "\n";
    };
    if (!reader.Open(path)) {
        err << "kolvista-cli: cannot read the telemetry of " << path << "\n";
        return kExitBadInput;
    }
    const QString sep = csv ? QStringLiteral(",") : QStringLiteral("\t");
    out << QStringList{"index", "time", "lat", "lon", "speed", "ax", "ay", "az", "event", "voltage"}
               .join(sep)
        << "\n";
    for (std::size_t i = 0; i < reader.sensors.size(); ++i) {
        const SensorSample& s = reader.sensors[i];
        const GpsSample& g = reader.gps[i];
        const QString speed =
            g.speedKmh == kNoSpeed ? QStringLiteral("-") : QString::number(g.speedKmh, 'f', 0);
        const QString voltage = s.voltageTenths == kNoVoltage
                                    ? QStringLiteral("-")
                                    : QString::number(s.voltageTenths / 10.0, 'f', 1);
        out << QStringList{QString::number(s.index),
                           g.time.year ? TimeText(g.time) : QStringLiteral("-"),
                           Coordinate(g.latitude),
                           Coordinate(g.longitude),
                           speed,
                           QString::number(s.accelX, 'f', 3),
                           QString::number(s.accelY, 'f', 3),
                           QString::number(s.accelZ, 'f', 3),
                           EventsText(s),
                           voltage}
                   .join(sep)
            << "\n";
    }
    return kExitOk;
}

const CommandRegistrar info({"info", "FILE", [](const QStringList& a) { return a.size() == 1; },
                             [](const QStringList& a, QTextStream& out, QTextStream& err) {
                                 return Info(a[0], out, err);
                             }});

const CommandRegistrar telemetry({"telemetry", "FILE [--csv]",
                                  [](const QStringList& a) {
                                      return a.size() == 1 || (a.size() == 2 && a[1] == u"--csv");
                                  },
                                  [](const QStringList& a, QTextStream& out, QTextStream& err) {
                                      return Telemetry(a[0], a.size() == 2, out, err);
                                  }});

} // namespace

} // namespace kv::cli
