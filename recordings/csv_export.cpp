#include "csv_export.h"
#include "saved_output.h"

#include "ansi_text.h"
#include "avi_clip.h"
#include "avi_layout.h"
#include "byte_order.h"
#include "output_target.h"
#include "recording_name.h"
#include "telemetry_reader.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cmath>

namespace kv {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The path a line describes: the front file, or the rear file without one.
const QString& LinePath(const RecordingEntry& e) {
    return e.frontPath.isEmpty() ? e.rearPath : e.frontPath;
}

QString PictureSize(std::int32_t height) {
    switch (height) {
    case 360:
        return QStringLiteral("SD");
    case 720:
        return QStringLiteral("HD");
    case 1080:
        return QStringLiteral("FHD");
    case 1296:
        return QStringLiteral("3M");
    case 1440:
        return QStringLiteral("WQHD");
    default:
        return {};
    }
}

// Whole MiB of a file; 0 when it cannot be opened.
quint64 MebiBytes(const QString& path) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        return 0;
    }
    return static_cast<quint64>(file.size()) >> 20;
}

// A file name as one field: quoted, with its quotes doubled, when it holds
// a separator, a quote or a line end (RFC 4180); as it is otherwise, so the
// lines of ordinary names stay as the recorder's tools write them.
QString NameField(const QString& name) {
    if (!name.contains(u',') && !name.contains(u'"') && !name.contains(u'\r') &&
        !name.contains(u'\n')) {
        return name;
    }
    QString quoted = name;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString FallbackLine(const RecordingEntry& e) {
    return NameField(FileNameOf(e.frontPath).toString()) +
           QStringLiteral(",-,-,-,-,-,-,fps,0MB,0MB") + kCrLf;
}

QString Two(int v) {
    return QStringLiteral("%1").arg(v, 2, 10, QChar(u'0'));
}

} // namespace

QString CsvFileName(const RecordingEntry& first) {
    const CalendarTime t = StartTimeFromName(LinePath(first));
    return QStringLiteral("Dv_%1%2%3_%4%5%6.csv")
        .arg(t.year, 4, 10, QChar(u'0'))
        .arg(Two(t.month), Two(t.day), Two(t.hour), Two(t.minute), Two(t.second));
}

QString CsvHeaderLine() {
    return QStringLiteral("ファイル名,日付,開始時刻,録画時間,録画トリガー,録画サイズ,画質,"
                          "フレームレート,フロントカメラデータサイズ,リヤカメラデータサイズ") +
           kCrLf;
}

QString CsvLine(const RecordingEntry& e) {
    const QString& path = LinePath(e);
    TelemetryHeader header;
    if (!ReadHeaderOnly(path, header)) {
        return FallbackLine(e);
    }
    const auto clip = LoadClip(path);
    if (!clip) {
        return FallbackLine(e);
    }
    const auto* h = reinterpret_cast<const unsigned char*>(clip->header.constData());
    const auto width = static_cast<std::int32_t>(ReadLe32(h + avi::kVideoWidth));
    const auto height = static_cast<std::int32_t>(ReadLe32(h + avi::kVideoHeight));
    if (ReadLe32(h + avi::kVideoFormatSize) == 0 || width < 0) {
        return FallbackLine(e);
    }

    // Length and frame rate in single precision, as the recorder's own tools show them.
    const std::uint32_t scale = ReadLe32(h + avi::kVideoScale);
    const std::uint32_t rate = ReadLe32(h + avi::kVideoRate);
    // A header without a rate or a scale has no frame rate: an empty field.
    const bool rateKnown = rate != 0 && scale != 0;
    const float frameRate = rateKnown ? static_cast<float>(rate) / static_cast<float>(scale) : 0.0f;
    const bool timeLapse = IsTimeLapse(path);
    float frames = static_cast<float>(ReadLe32(h + avi::kVideoLength));
    if (timeLapse) {
        frames = std::trunc(frames * 14.985f);
    }
    const float quotient = rateKnown ? frames / frameRate : 0.0f;
    // A zero rate or scale gives no usable length; such a header shows 0.
    const long long seconds = std::isfinite(quotient) && quotient >= 0.0f && quotient < 1e15f
                                  ? static_cast<long long>(std::trunc(quotient))
                                  : 0;
    const QString length = QStringLiteral("%1:%2:%3")
                               .arg(seconds / 3600, 2, 10, QChar(u'0'))
                               .arg(seconds / 60 % 60, 2, 10, QChar(u'0'))
                               .arg(seconds % 60, 2, 10, QChar(u'0'));
    const QString rateText =
        timeLapse ? QStringLiteral("タイムラプス")
                  : (rateKnown ? QString::asprintf("%.1ffps", static_cast<double>(frameRate))
                               : QString());

    const CalendarTime t = StartTimeFromName(e.rowName());
    const bool known = t.year != 0;
    const QString date = known ? QStringLiteral("%1/%2/%3")
                                     .arg(t.year, 4, 10, QChar(u'0'))
                                     .arg(Two(t.month), Two(t.day))
                               : QStringLiteral("--/--/--");
    const QString start =
        known ? QStringLiteral("%1:%2:%3").arg(Two(t.hour), Two(t.minute), Two(t.second))
              : QStringLiteral("--:--:--");
    const QString size = PictureSize(height);
    const QString quality = size.isEmpty() ? QString()
                                           : (header.quality == 'H' ? QStringLiteral("高画質")
                                                                    : QStringLiteral("低画質"));
    return QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8,%9MB,")
               .arg(NameField(e.rowName()), date, start, length, TriggerLabel(e.rowName()), size,
                    quality, rateText)
               .arg(MebiBytes(e.frontPath)) +
           QStringLiteral("%1MB").arg(MebiBytes(e.rearPath)) + kCrLf;
}

OperationResult ExportCsv(const RecordingList& entries, const QString& folder,
                          const OperationControl& control, QString* writtenPath, CsvError* error,
                          QString* reason) {
    const auto fail = [&](CsvError why, const QString& words = {}) {
        if (error) {
            *error = why;
        }
        if (reason) {
            *reason = words;
        }
        return kOperationFailed;
    };
    if (error) {
        *error = CsvError::None;
    }
    if (entries.empty()) {
        return fail(CsvError::NoRecordings);
    }
    const QString path = folder + u'/' + CsvFileName(entries.front());
    // A list name linked to a recording would write through the link.
    QStringList inputs;
    for (const RecordingEntry& entry : entries) {
        inputs << entry.frontPath << entry.rearPath;
    }
    inputs.removeAll(QString());
    if (const TargetCheck check = CheckOutputTarget(path, inputs, OutputRole::Other);
        check.refusal != TargetRefusal::None) {
        return fail(CsvError::CannotCreate, check.message);
    }
    if (QFileInfo(path).isDir()) {
        return fail(CsvError::CannotCreate, QStringLiteral("a folder of that name is in the way"));
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return fail(CsvError::CannotCreate, file.errorString());
    }
    const QByteArray header = ToShiftJis(CsvHeaderLine());
    if (header.isEmpty() || file.write(header) != header.size()) {
        const QString words = file.errorString();
        file.cancelWriting();
        return fail(CsvError::CannotCreate, words);
    }
    const auto count = static_cast<std::int64_t>(entries.size());
    for (std::int64_t i = 0; i < count; ++i) {
        if (control.Cancelled()) {
            file.cancelWriting();
            return kOperationCancelled;
        }
        const QByteArray line = ToShiftJis(CsvLine(entries[static_cast<std::size_t>(i)]));
        if (line.isEmpty() || file.write(line) != line.size()) {
            const QString words = line.isEmpty()
                                      ? QStringLiteral("a line cannot be written in Shift_JIS")
                                      : file.errorString();
            file.cancelWriting();
            return fail(CsvError::CannotCreate, words);
        }
        control.Progress(i, count);
    }
    QString why;
    if (!CommitComplete(file, &why)) {
        return fail(CsvError::CannotCreate, why);
    }
    control.Progress(count, count);
    if (writtenPath) {
        *writtenPath = path;
    }
    return kOperationDone;
}

} // namespace kv
