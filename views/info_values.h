#pragma once

#include "local_time.h"

#include <QString>

#include <cstdint>
#include <optional>

// What the information panel shows for one frame, worked out from its state
// fields without drawing anything. An empty text means "no value": the panel
// draws the value's placeholder instead.
namespace kv::views {

// Fields the main window writes; the comments give the value after Reset.
struct InfoState {
    bool startTimeValid = false;  // unchanged
    CalendarTime startTime;       // unchanged; local time of the recording's start
    int frameIndex = -1;          // -1
    float frameIntervalMs = 0.0f; // unchanged
    bool timeLapse = false;       // unchanged
    double accelX = -5.0;         // -5.0 = no value
    double accelY = -5.0;
    double accelZ = -5.0;
    double speedKmh = -1.0;             // -1.0 = no value
    bool gpsValid = false;              // 0
    bool speedDisplayOn = true;         // unchanged
    bool telemetryPresent = true;       // unchanged; false: no telemetry block to read
    bool gpsDisplayOn = true;           // unchanged
    int recordingKind = 0;              // 0 = none; 1..12
    int statusMark = 'M';               // 'R', 'r', anything else
    int voltageTenths = -1;             // -1 = no value
    bool voltageTraceAvailable = false; // unchanged
    bool voltageShown = false;          // unchanged
    QString speedLabel;                 // unchanged
};

// Time-lapse recordings show one second of real time per 66.7 ms of video.
inline constexpr float kTimeLapseFactor = 14.985f;

// The date and time of the picture: the start time moved by frameIndex
// frames. None without a start time, for a negative frame, and when the sum
// cannot be shown (a start time the calendar cannot hold, an offset that is
// not a finite non-negative number of 100 ns units). Years from 2050 on are
// shown 35 years earlier.
std::optional<CalendarTime> PictureTime(const InfoState& state);
// "%Y/%m/%d %H:%M:%S" of PictureTime; empty without one.
QString PictureTimeText(const InfoState& state);

// An acceleration truncated toward zero to hundredths, "%.2fG"; empty at or
// below -5.0 (no value) and for values that are not numbers.
QString AccelText(double g);

// The speed "%.0f " when a fix is known and it shows as 0 to 999; else empty.
QString SpeedText(bool gpsValid, double speedKmh);

// The voltage "%.1f" of tenths of a volt; empty for -1.
QString VoltageText(int voltageTenths);

// Which status-mark image a mark selects: 0 for 'R', 1 for 'r', 2 otherwise.
int StatusMarkImage(int mark);

// The recording-kind icon 0..11 of a kind 1..12; -1 for any other value.
int RecordingKindIcon(int kind);

// 100 ns units since 1601-01-01 of a calendar time taken as it stands (no
// zone); none when the fields are outside the calendar.
std::optional<std::uint64_t> ToFileTime(const CalendarTime& time);
std::optional<CalendarTime> FromFileTime(std::uint64_t fileTime);

} // namespace kv::views
