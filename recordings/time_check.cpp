#include "time_check.h"

#include "avi_verify.h"
#include "recording_name.h"
#include "track_export.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace kv {

namespace {

std::int64_t WallSeconds(const CalendarTime& t) {
    return DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

std::optional<std::int64_t> MedianOffset(const RecordingTelemetry& telemetry) {
    if (!IsRecordingName(telemetry.path) || telemetry.nameStart.year < 2000) {
        return std::nullopt;
    }
    const std::int64_t start = WallSeconds(telemetry.nameStart);
    std::vector<std::int64_t> offsets;
    for (const TelemetryRow& row : telemetry.rows) {
        if (row.fix && row.hasStamp) {
            const std::int64_t elapsed =
                static_cast<std::int64_t>(row.index) * telemetry.realIntervalMs / 1000;
            offsets.push_back(WallSeconds(row.stamp) - (start + elapsed));
        }
    }
    if (offsets.empty()) {
        return std::nullopt;
    }
    const auto middle = offsets.begin() + static_cast<std::ptrdiff_t>(offsets.size() / 2);
    std::nth_element(offsets.begin(), middle, offsets.end());
    return *middle;
}

QString Seconds(double s) {
    return QString::number(s, 'f', 3) + QStringLiteral(" s");
}

} // namespace

std::optional<std::int64_t> ClockOffsetSeconds(const QString& frontPath) {
    RecordingTelemetry telemetry;
    if (!LoadRecordingTelemetry(frontPath, telemetry)) {
        return std::nullopt;
    }
    return MedianOffset(telemetry);
}

TimeCheck CheckRecordingTime(const QString& frontPath, const QString& rearPath) {
    TimeCheck c;
    c.hasFront = !frontPath.isEmpty();
    c.hasRear = !rearPath.isEmpty();
    c.name = QFileInfo(c.hasFront ? frontPath : rearPath).fileName();
    for (const QString& path : {frontPath, rearPath}) {
        if (path.isEmpty()) {
            continue;
        }
        switch (VerifyRecording(path)) {
        case kRecordingSound:
            break;
        case kRecordingDamaged:
            c.notChecked =
                QFileInfo(path).fileName() + QStringLiteral(" is damaged (repair it first)");
            return c;
        default:
            c.notChecked = QFileInfo(path).fileName() + QStringLiteral(" cannot be read");
            return c;
        }
    }
    c.checked = true;
    if (c.hasFront) {
        if (const auto timing = ReadTiming(frontPath)) {
            c.frontFrames = timing->totalFrames;
            c.videoSeconds = timing->durationSeconds;
            c.framesPerSecond = 1000.0 / timing->frameDurationMs;
        }
        RecordingTelemetry telemetry;
        if (LoadRecordingTelemetry(frontPath, telemetry)) {
            c.hasTelemetry = true;
            c.recordIntervalSeconds = telemetry.recordIntervalMs / 1000.0;
            c.telemetrySeconds =
                static_cast<double>(telemetry.rows.size()) * c.recordIntervalSeconds;
            c.clockOffset = MedianOffset(telemetry);
        }
    }
    if (c.hasRear) {
        if (const auto timing = ReadTiming(rearPath)) {
            c.rearFrames = timing->totalFrames;
            if (!c.hasFront) {
                c.framesPerSecond = 1000.0 / timing->frameDurationMs;
            }
        }
    }

    if (c.clockOffset && std::llabs(*c.clockOffset) > kClockOffsetLimitSeconds) {
        c.findings << QStringLiteral("clock offset %1%2 s (more than %3 s)")
                          .arg(*c.clockOffset > 0 ? QStringLiteral("+") : QString())
                          .arg(*c.clockOffset)
                          .arg(kClockOffsetLimitSeconds);
    }
    if (c.hasFront && c.hasRear && c.framesPerSecond > 0) {
        const double apart =
            std::fabs(static_cast<double>(c.frontFrames) - static_cast<double>(c.rearFrames));
        if (apart > c.framesPerSecond) {
            c.findings << QStringLiteral("front %1 frames, rear %2 frames: %3 of video apart")
                              .arg(c.frontFrames)
                              .arg(c.rearFrames)
                              .arg(Seconds(apart / c.framesPerSecond));
        }
    }
    if (c.hasFront) {
        if (!c.hasTelemetry) {
            c.findings
                << QStringLiteral("no telemetry for %1 of video").arg(Seconds(c.videoSeconds));
        } else if (c.telemetrySeconds + c.recordIntervalSeconds < c.videoSeconds - 1e-6) {
            c.findings << QStringLiteral("telemetry covers %1 of %2 of video")
                              .arg(Seconds(c.telemetrySeconds), Seconds(c.videoSeconds));
        }
    }
    return c;
}

} // namespace kv
