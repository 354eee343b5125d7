#pragma once

// Exports of the telemetry of recordings for other programs: the driven track
// as GPX 1.1 and KML 2.2, every record as a UTF-8 CSV table, and subtitles
// (SubRip) that show time, speed and G beside the video in any player.

#include "file_operation.h"
#include "local_time.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <vector>

class QIODevice;

namespace kv {

// One telemetry record, flattened for the exports.
struct TelemetryRow {
    std::int32_t index = 0;
    std::int32_t videoMs = 0; // where the record lies in the video
    bool fix = false;         // the receiver had a fix and the record holds a position
    double latitude = 0.0;    // signed degrees; meaningful with fix
    double longitude = 0.0;
    bool hasSpeed = false;
    double speedKmh = 0.0;
    double accelX = 0.0; // G
    double accelY = 0.0;
    double accelZ = 0.0;
    bool hasStamp = false; // the record carries a usable time stamp
    // The record's local time. The recorder stamps whole seconds; the records
    // that share a second get milliseconds in steps of the record interval.
    CalendarTime stamp;
    int voltageTenths = -1;
    QString events; // labels of the record's events joined by '+'; empty for none
};

// The telemetry of one front-camera recording.
struct RecordingTelemetry {
    QString path;
    QString name;               // file name
    CalendarTime nameStart;     // the start time in the file name
    float recordIntervalMs = 0; // video time between records
    int realIntervalMs = 0;     // real time between records: 100, or 1000 for time-lapse
    std::vector<TelemetryRow> rows;
};

// Decodes the telemetry of one recording. False, with error set, when the file
// cannot be read or holds no telemetry block.
bool LoadRecordingTelemetry(const QString& path, RecordingTelemetry& out, QString* error = nullptr);

// The text of the events of a record ("急加速+速度超過"); empty for none.
struct SensorSample;
QString EventsText(const SensorSample& sample);

constexpr int kSegmentGapSeconds = 10;
// The track of a recording as runs of positions in its rows: records without
// a fix are left out, and each gap (records without a fix, or a jump of the
// time stamps backwards or by more than kSegmentGapSeconds) starts a new
// segment.
std::vector<std::vector<std::size_t>> TrackSegments(const RecordingTelemetry& recording);

// The recorder's clock has no time zone: an export takes its stamps as
// local times at a fixed offset from UTC (seconds east), by default the
// computer's zone's offset at the first recording's start.
// "+09:00", "-05:30", "+0900", "+9" or "Z" (-14:00 to +14:00); nothing otherwise.
std::optional<int> ParseUtcOffset(QStringView text);
// "+09:00", "-05:30", "+00:00".
QString UtcOffsetText(int offsetSeconds);
// The computer's zone's offset at a wall-clock time (its offset now when
// the time is not a valid date).
int LocalUtcOffsetAt(const CalendarTime& clock);

// ISO 8601 UTC text of a recorder stamp taken at offsetSeconds east of UTC
// ("2026-12-04T23:10:00.300Z").
QString UtcText(const CalendarTime& clock, int offsetSeconds);

enum class ExportFormat {
    Gpx, // one track per recording, one segment per unbroken run of fixes
    Kml, // one placemark per recording, one line string per segment
    Csv, // one row per record of every recording, UTF-8, CRLF line ends
};

// The file format's pieces, written straight into a device. A document is the
// head, the body of each recording in turn, and the tail.
// The head of GPX and KML names the offset the times were taken at.
void WriteExportHead(ExportFormat format, const QString& title, int offsetSeconds, QIODevice& out);
void WriteExportBody(ExportFormat format, const RecordingTelemetry& recording, int offsetSeconds,
                     QIODevice& out);
void WriteExportTail(ExportFormat format, QIODevice& out);

// One SubRip cue per record: the record's time (the recorder's clock when the
// record has no stamp), its speed, G of the three axes and its events.
void WriteSubtitles(const RecordingTelemetry& recording, QIODevice& out);

struct ExportReport {
    int recordings = 0; // recordings written
    int records = 0;    // rows of the CSV, cues of the subtitles
    int points = 0;     // track points of GPX and KML
    int segments = 0;
    QStringList skipped;      // "path: why" of each recording that was left out
    QString error;            // why the export failed
    int utcOffsetSeconds = 0; // the offset the recorder's times were taken at
};

// Exports the front-camera recordings of paths, in order, into target.
// Recordings whose telemetry cannot be read are skipped and named in the
// report. Failed when no recording could be read or the file cannot be
// written; nothing is then left under target's name. The running flag is
// tested before each recording; progress is recordings done of all.
// utcOffsetSeconds: the recorder clock's offset from UTC; without it, the
// computer's zone at the first recording's start (named in the report).
OperationResult ExportTelemetry(const QStringList& paths, ExportFormat format,
                                const QString& target, const OperationControl* control = nullptr,
                                ExportReport* report = nullptr,
                                std::optional<int> utcOffsetSeconds = std::nullopt);

// Writes the subtitles of one recording into target.
bool ExportSubtitles(const QString& path, const QString& target, ExportReport* report = nullptr);

// The subtitle file name of a recording: its name with the extension ".srt",
// which players find beside the video.
QString SubtitleFileName(const QString& path);

} // namespace kv
