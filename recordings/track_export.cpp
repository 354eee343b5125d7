#include "track_export.h"

#include "event_codes.h"
#include "output_target.h"
#include "recording_name.h"
#include "saved_output.h"
#include "telemetry_reader.h"

#include <QDateTime>
#include <QFileInfo>
#include <QIODevice>
#include <QRegularExpression>
#include <QTimeZone>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

// Seconds of a wall-clock time counted without any time zone, for differences.
std::int64_t WallSeconds(const CalendarTime& t) {
    return DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

QDateTime ClockDateTime(const CalendarTime& t, const QTimeZone& zone) {
    return QDateTime(QDate(t.year, t.month, t.day),
                     QTime(t.hour, t.minute, t.second, t.millisecond), zone);
}

// A speed outside what a car can show is a damaged field: no speed.
constexpr double kHighestSpeedKmh = 400.0;

QString XmlEscaped(const QString& text) {
    return text.toHtmlEscaped();
}

void Put(QIODevice& out, const QString& text) {
    out.write(text.toUtf8());
}

QString Degrees(double v) {
    return QString::number(v, 'f', 7);
}

QString LocalText(const CalendarTime& t) {
    return QString::asprintf("%04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour,
                             t.minute, t.second);
}

QString CsvField(const QString& text) {
    if (text.contains(u',') || text.contains(u'"') || text.contains(u'\n') ||
        text.contains(u'\r')) {
        return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
    }
    return text;
}

QString SignedG(double g) {
    return (g < 0 ? QStringLiteral("-") : QStringLiteral("+")) +
           QString::number(std::fabs(g), 'f', 2);
}

QString SrtTime(std::int64_t ms) {
    return QString::asprintf("%02lld:%02lld:%02lld,%03lld", static_cast<long long>(ms / 3600000),
                             static_cast<long long>(ms / 60000 % 60),
                             static_cast<long long>(ms / 1000 % 60),
                             static_cast<long long>(ms % 1000));
}

void WriteGpxTrack(const RecordingTelemetry& recording,
                   const std::vector<std::vector<std::size_t>>& segments, int offsetSeconds,
                   QIODevice& out) {
    Put(out, QStringLiteral("  <trk>\n    <name>%1</name>\n").arg(XmlEscaped(recording.name)));
    for (const auto& segment : segments) {
        Put(out, QStringLiteral("    <trkseg>\n"));
        for (const std::size_t i : segment) {
            const TelemetryRow& row = recording.rows[i];
            QString point = QStringLiteral("      <trkpt lat=\"%1\" lon=\"%2\">")
                                .arg(Degrees(row.latitude), Degrees(row.longitude));
            if (row.hasStamp) {
                point += QStringLiteral("<time>%1</time>").arg(UtcText(row.stamp, offsetSeconds));
            }
            if (row.hasSpeed) {
                // Speed in metres per second, in Garmin's track point extension
                // (GPX 1.1 itself has no speed).
                point += QStringLiteral("<extensions><gpxtpx:TrackPointExtension><gpxtpx:speed>%1"
                                        "</gpxtpx:speed></gpxtpx:TrackPointExtension></extensions>")
                             .arg(QString::number(row.speedKmh / 3.6, 'f', 2));
            }
            Put(out, point + QStringLiteral("</trkpt>\n"));
        }
        Put(out, QStringLiteral("    </trkseg>\n"));
    }
    Put(out, QStringLiteral("  </trk>\n"));
}

void WriteKmlPlacemark(const RecordingTelemetry& recording,
                       const std::vector<std::vector<std::size_t>>& segments, int offsetSeconds,
                       QIODevice& out) {
    Put(out,
        QStringLiteral("  <Placemark>\n    <name>%1</name>\n").arg(XmlEscaped(recording.name)));
    const TelemetryRow& first = recording.rows[segments.front().front()];
    const TelemetryRow& last = recording.rows[segments.back().back()];
    if (first.hasStamp && last.hasStamp) {
        Put(out, QStringLiteral("    <TimeSpan><begin>%1</begin><end>%2</end></TimeSpan>\n")
                     .arg(UtcText(first.stamp, offsetSeconds), UtcText(last.stamp, offsetSeconds)));
    }
    Put(out, QStringLiteral("    <styleUrl>#track</styleUrl>\n    <MultiGeometry>\n"));
    for (const auto& segment : segments) {
        QStringList coordinates;
        for (const std::size_t i : segment) {
            const TelemetryRow& row = recording.rows[i];
            coordinates << Degrees(row.longitude) + u',' + Degrees(row.latitude);
        }
        if (segment.size() == 1) {
            Put(out, QStringLiteral("      <Point><coordinates>%1</coordinates></Point>\n")
                         .arg(coordinates.front()));
        } else {
            Put(out, QStringLiteral("      <LineString><tessellate>1</tessellate><coordinates>%1"
                                    "</coordinates></LineString>\n")
                         .arg(coordinates.join(u' ')));
        }
    }
    Put(out, QStringLiteral("    </MultiGeometry>\n  </Placemark>\n"));
}

void WriteCsvRows(const RecordingTelemetry& recording, QIODevice& out) {
    for (const TelemetryRow& row : recording.rows) {
        const QStringList fields{
            CsvField(recording.name),
            QString::number(row.index),
            QString::number(row.videoMs / 1000.0, 'f', 3),
            row.hasStamp ? LocalText(row.stamp) : QString(),
            row.fix ? QStringLiteral("1") : QStringLiteral("0"),
            row.fix ? Degrees(row.latitude) : QString(),
            row.fix ? Degrees(row.longitude) : QString(),
            row.hasSpeed ? QString::number(row.speedKmh, 'f', 0) : QString(),
            QString::number(row.accelX, 'f', 3),
            QString::number(row.accelY, 'f', 3),
            QString::number(row.accelZ, 'f', 3),
            CsvField(row.events),
            row.voltageTenths >= 0 ? QString::number(row.voltageTenths / 10.0, 'f', 1) : QString(),
        };
        Put(out, fields.join(u',') + QStringLiteral("\r\n"));
    }
}

bool Fail(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
    return false;
}

} // namespace

QString EventsText(const SensorSample& s) {
    QStringList labels;
    if (s.axis != 0) {
        labels << EventLabel(EventCodeOfAxis(s.axis));
    }
    if (s.kind != kNoEvent) {
        labels << EventLabel(s.kind);
    }
    if (s.speeding) {
        labels << EventLabel(s.speeding);
    }
    if (s.approaching) {
        labels << EventLabel(s.approaching);
    }
    return labels.join(u'+');
}

bool LoadRecordingTelemetry(const QString& path, RecordingTelemetry& out, QString* error) {
    out = RecordingTelemetry{};
    out.path = path;
    out.name = QFileInfo(path).fileName();
    out.nameStart = StartTimeFromName(path);
    out.realIntervalMs = IsTimeLapse(path) ? 1000 : 100;
    if (!QFileInfo(path).isFile()) {
        return Fail(error, QStringLiteral("no such file"));
    }
    TelemetryReader reader;
    reader.Init();
    QString mapError;
    reader.onMapError = [&mapError](const QString&, const QString& text) { mapError = text; };
    if (!reader.Open(path)) {
        return Fail(error, mapError.isEmpty() ? QStringLiteral("no telemetry can be read")
                                              : QStringLiteral("cannot read: ") + mapError);
    }
    if (reader.sensors.empty()) {
        return Fail(error, QStringLiteral("holds no telemetry records"));
    }
    out.recordIntervalMs = reader.recordIntervalMs;
    out.rows.reserve(reader.sensors.size());
    std::int64_t previousSecond = -1;
    int sameSecond = 0;
    for (std::size_t i = 0; i < reader.sensors.size(); ++i) {
        const SensorSample& s = reader.sensors[i];
        const GpsSample& g = reader.gps[i];
        TelemetryRow& row = out.rows.emplace_back();
        row.index = s.index;
        row.videoMs = s.frame;
        row.fix = g.valid == 1 && g.latitude != kNoCoordinate && g.longitude != kNoCoordinate &&
                  std::fabs(g.latitude) <= 90.0 && std::fabs(g.longitude) <= 180.0;
        row.latitude = g.latitude;
        row.longitude = g.longitude;
        row.hasSpeed =
            g.speedKmh != kNoSpeed && g.speedKmh >= 0.0 && g.speedKmh <= kHighestSpeedKmh;
        row.speedKmh = row.hasSpeed ? g.speedKmh : 0.0;
        row.accelX = s.accelX;
        row.accelY = s.accelY;
        row.accelZ = s.accelZ;
        row.voltageTenths = s.voltageTenths;
        row.events = EventsText(s);
        // A blank or unconvertible stamp decodes to a time before 2000.
        row.hasStamp = g.time.year >= 2000;
        row.stamp = g.time;
        if (row.hasStamp) {
            const std::int64_t second = WallSeconds(g.time);
            sameSecond = second == previousSecond ? sameSecond + 1 : 0;
            previousSecond = second;
            row.stamp.millisecond =
                static_cast<std::uint16_t>(std::min(999, sameSecond * out.realIntervalMs));
        }
    }
    return true;
}

std::vector<std::vector<std::size_t>> TrackSegments(const RecordingTelemetry& recording) {
    std::vector<std::vector<std::size_t>> segments;
    bool broken = true;
    const TelemetryRow* previous = nullptr;
    for (std::size_t i = 0; i < recording.rows.size(); ++i) {
        const TelemetryRow& row = recording.rows[i];
        if (!row.fix) {
            broken = true;
            continue;
        }
        if (previous && previous->hasStamp && row.hasStamp) {
            const std::int64_t step = WallSeconds(row.stamp) - WallSeconds(previous->stamp);
            broken = broken || step < 0 || step > kSegmentGapSeconds;
        }
        if (broken) {
            segments.emplace_back();
            broken = false;
        }
        segments.back().push_back(i);
        previous = &row;
    }
    return segments;
}

std::optional<int> ParseUtcOffset(QStringView text) {
    const QString t = text.trimmed().toString();
    if (t == u"Z" || t == u"z") {
        return 0;
    }
    // "+9", "+09", "+09:00" or "+0900".
    static const QRegularExpression pattern(
        QStringLiteral(R"(^([+-])(?:(\d{1,2})(?::(\d{2}))?|(\d{2})(\d{2}))$)"));
    const QRegularExpressionMatch m = pattern.match(t);
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    const bool compact = !m.captured(4).isEmpty();
    const int hours = (compact ? m.captured(4) : m.captured(2)).toInt();
    const QString minuteText = compact ? m.captured(5) : m.captured(3);
    const int minutes = minuteText.isEmpty() ? 0 : minuteText.toInt();
    if (minutes >= 60 || hours * 60 + minutes > 14 * 60) {
        return std::nullopt;
    }
    const int seconds = (hours * 60 + minutes) * 60;
    return m.captured(1) == u"-" ? -seconds : seconds;
}

QString UtcOffsetText(int offsetSeconds) {
    const int minutes = std::abs(offsetSeconds) / 60;
    return QString::asprintf("%c%02d:%02d", offsetSeconds < 0 ? '-' : '+', minutes / 60,
                             minutes % 60);
}

int LocalUtcOffsetAt(const CalendarTime& clock) {
    const QDateTime local = ClockDateTime(clock, QTimeZone::systemTimeZone());
    return local.isValid() ? local.offsetFromUtc() : QDateTime::currentDateTime().offsetFromUtc();
}

QString UtcText(const CalendarTime& clock, int offsetSeconds) {
    return ClockDateTime(clock, QTimeZone(offsetSeconds))
        .toUTC()
        .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}

void WriteExportHead(ExportFormat format, const QString& title, int offsetSeconds, QIODevice& out) {
    const QString clock =
        QStringLiteral("Times in UTC, from the recorder's clock taken as UTC%1 (the recorder "
                       "stores no time zone)")
            .arg(UtcOffsetText(offsetSeconds));
    switch (format) {
    case ExportFormat::Gpx:
        Put(out,
            QStringLiteral(
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                "<gpx version=\"1.1\" creator=\"Kolvista\"\n"
                "     xmlns=\"http://www.topografix.com/GPX/1/1\"\n"
                "     xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\"\n"
                "     xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"\n"
                "     xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 "
                "http://www.topografix.com/GPX/1/1/gpx.xsd "
                "http://www.garmin.com/xmlschemas/TrackPointExtension/v2 "
                "http://www.garmin.com/xmlschemas/TrackPointExtensionv2.xsd\">\n"
                "  <metadata><name>%1</name><desc>%2</desc></metadata>\n")
                .arg(XmlEscaped(title), XmlEscaped(clock)));
        break;
    case ExportFormat::Kml:
        Put(out, QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n"
                                "<Document>\n"
                                "  <name>%1</name>\n"
                                "  <description>%2</description>\n"
                                "  <Style id=\"track\"><LineStyle><color>ff0000ff</color>"
                                "<width>4</width></LineStyle></Style>\n")
                     .arg(XmlEscaped(title), XmlEscaped(clock)));
        break;
    case ExportFormat::Csv:
        Put(out, QStringLiteral("file,record,video_s,time,fix,latitude,longitude,speed_kmh,"
                                "g_x,g_y,g_z,events,voltage_v\r\n"));
        break;
    }
}

void WriteExportBody(ExportFormat format, const RecordingTelemetry& recording, int offsetSeconds,
                     QIODevice& out) {
    if (format == ExportFormat::Csv) {
        WriteCsvRows(recording, out);
        return;
    }
    const auto segments = TrackSegments(recording);
    if (segments.empty()) {
        return; // no fix: nothing to draw
    }
    if (format == ExportFormat::Gpx) {
        WriteGpxTrack(recording, segments, offsetSeconds, out);
    } else {
        WriteKmlPlacemark(recording, segments, offsetSeconds, out);
    }
}

void WriteExportTail(ExportFormat format, QIODevice& out) {
    switch (format) {
    case ExportFormat::Gpx:
        Put(out, QStringLiteral("</gpx>\n"));
        break;
    case ExportFormat::Kml:
        Put(out, QStringLiteral("</Document>\n</kml>\n"));
        break;
    case ExportFormat::Csv:
        break;
    }
}

void WriteSubtitles(const RecordingTelemetry& recording, QIODevice& out) {
    const QDateTime start(
        QDate(recording.nameStart.year, recording.nameStart.month, recording.nameStart.day),
        QTime(recording.nameStart.hour, recording.nameStart.minute, recording.nameStart.second),
        Qt::UTC);
    const std::size_t n = recording.rows.size();
    for (std::size_t i = 0; i < n; ++i) {
        const TelemetryRow& row = recording.rows[i];
        const std::int64_t begin = row.videoMs;
        const std::int64_t end =
            i + 1 < n ? recording.rows[i + 1].videoMs
                      : begin + static_cast<std::int64_t>(std::lround(recording.recordIntervalMs));
        QString when;
        if (row.hasStamp) {
            when = LocalText(row.stamp);
        } else if (start.isValid()) {
            // No stamp: the recorder's own clock, from the file name.
            when = start.addMSecs(static_cast<qint64>(row.index) * recording.realIntervalMs)
                       .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        }
        const QString speed = row.hasSpeed ? QString::number(row.speedKmh, 'f', 0) + " km/h"
                                           : QStringLiteral("--- km/h");
        QString g = QStringLiteral("G X %1  Y %2  Z %3")
                        .arg(SignedG(row.accelX), SignedG(row.accelY), SignedG(row.accelZ));
        if (!row.events.isEmpty()) {
            g += QStringLiteral("  ") + row.events;
        }
        Put(out, QStringLiteral("%1\n%2 --> %3\n%4  %5\n%6\n\n")
                     .arg(i + 1)
                     .arg(SrtTime(begin), SrtTime(std::max(end, begin + 1)), when, speed, g));
    }
}

OperationResult ExportTelemetry(const QStringList& paths, ExportFormat format,
                                const QString& target, const OperationControl* control,
                                ExportReport* report, std::optional<int> utcOffsetSeconds) {
    ExportReport local;
    ExportReport& r = report ? *report : local;
    r = ExportReport{};
    if (const TargetCheck check = CheckOutputTarget(target, paths, OutputRole::Other);
        check.refusal != TargetRefusal::None) {
        r.error = check.message;
        return kOperationFailed;
    }
    r.utcOffsetSeconds =
        utcOffsetSeconds
            ? *utcOffsetSeconds
            : LocalUtcOffsetAt(paths.isEmpty() ? CalendarTime{} : StartTimeFromName(paths.front()));
    const int offset = r.utcOffsetSeconds;
    bool cancelled = false;
    bool ran = false;
    const QString title =
        paths.size() == 1
            ? QFileInfo(paths.front()).fileName()
            : QStringLiteral("%1 recordings from %2")
                  .arg(paths.size())
                  .arg(paths.isEmpty() ? QString() : QFileInfo(paths.front()).fileName());
    const bool saved = SaveOutput(
        target,
        [&](QIODevice& out) {
            ran = true;
            WriteExportHead(format, title, offset, out);
            RecordingTelemetry recording;
            for (qsizetype i = 0; i < paths.size(); ++i) {
                if (control && control->Cancelled()) {
                    cancelled = true;
                    return false;
                }
                QString why;
                if (!LoadRecordingTelemetry(paths[i], recording, &why)) {
                    r.skipped << paths[i] + QStringLiteral(": ") + why;
                } else {
                    WriteExportBody(format, recording, offset, out);
                    ++r.recordings;
                    r.records += static_cast<int>(recording.rows.size());
                    for (const auto& segment : TrackSegments(recording)) {
                        ++r.segments;
                        r.points += static_cast<int>(segment.size());
                    }
                }
                if (control) {
                    control->Progress(i + 1, paths.size());
                }
            }
            if (r.recordings == 0) {
                return false;
            }
            WriteExportTail(format, out);
            return true;
        },
        &r.error);
    if (cancelled) {
        r.error.clear();
        return kOperationCancelled;
    }
    if (!saved && ran && r.recordings == 0) {
        r.error = QStringLiteral("no recording with readable telemetry; nothing written");
    }
    return saved ? kOperationDone : kOperationFailed;
}

bool ExportSubtitles(const QString& path, const QString& target, ExportReport* report) {
    ExportReport local;
    ExportReport& r = report ? *report : local;
    r = ExportReport{};
    if (const TargetCheck check = CheckOutputTarget(target, {path}, OutputRole::Other);
        check.refusal != TargetRefusal::None) {
        r.error = check.message;
        return false;
    }
    RecordingTelemetry recording;
    QString why;
    if (!LoadRecordingTelemetry(path, recording, &why)) {
        r.skipped << path + QStringLiteral(": ") + why;
        r.error = path + QStringLiteral(": ") + why;
        return false;
    }
    const bool saved = SaveOutput(
        target,
        [&](QIODevice& out) {
            WriteSubtitles(recording, out);
            return true;
        },
        &r.error);
    if (saved) {
        r.recordings = 1;
        r.records = static_cast<int>(recording.rows.size());
    }
    return saved;
}

QString SubtitleFileName(const QString& path) {
    return QFileInfo(path).completeBaseName() + QStringLiteral(".srt");
}

} // namespace kv
