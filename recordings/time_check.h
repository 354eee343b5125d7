#pragma once

// Checks of a recording's time: the recorder's clock (the start time in the
// file name) against the time stamps of its telemetry, the lengths of the
// front and rear videos, and how much of the video the telemetry covers.

#include "recording_entry.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace kv {

// A clock offset above this many seconds is reported.
constexpr int kClockOffsetLimitSeconds = 120;

// The offset of a recording's clock: telemetry time minus the time the file
// name gives for the same moment, in seconds (positive: the recorder's clock
// was behind). Taken as the median over the records with a GPS fix, whose
// time stamps come from the satellites. Nothing when no record has a fix or
// the name holds no start time.
std::optional<std::int64_t> ClockOffsetSeconds(const QString& frontPath);

struct TimeCheck {
    QString name;                            // the recording's file name (front, else rear)
    bool checked = false;                    // false: a file is damaged or unreadable
    QString notChecked;                      // why not
    std::optional<std::int64_t> clockOffset; // seconds, see ClockOffsetSeconds
    bool hasFront = false;
    bool hasRear = false;
    std::uint32_t frontFrames = 0;
    std::uint32_t rearFrames = 0;
    double framesPerSecond = 0.0; // of the front video (the rear's without a front)
    double videoSeconds = 0.0;    // of the front video
    bool hasTelemetry = false;
    double telemetrySeconds = 0.0; // video time the telemetry records cover
    double recordIntervalSeconds = 0.0;
    QStringList findings; // one sentence per problem; empty when none
};

// Checks one recording (front and/or rear file; empty paths are missing files).
// Findings: a clock offset above kClockOffsetLimitSeconds; front and rear
// frame counts more than one second of video apart; telemetry that covers
// less than the front video (by more than one record).
TimeCheck CheckRecordingTime(const QString& frontPath, const QString& rearPath);

} // namespace kv
