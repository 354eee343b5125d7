#pragma once

#include "local_time.h"

#include <QString>
#include <QStringView>

// Tests on a recorder file name. Each takes a path and looks at its last
// component N, e.g. "AS__-261205-093000-000101F.AVI": mode letter, trigger
// letter, time-lapse mark, group-start mark, date, time, file number, camera.
namespace kv {

// The last path component of path.
QStringView FileNameOf(QStringView path);

bool IsRecordingName(QStringView path);
bool IsFrontName(QStringView path);
bool IsRearName(QStringView path);
bool HasAviExtension(QStringView path);
bool IsTimeLapse(QStringView path);
bool IsParkingGroup(QStringView path);
bool IsImpactRecording(QStringView path);
bool HasModeLetter(QStringView path);

// The six-digit running number at name index 19-24.
int FileNumber(QStringView path);

// The start date and time of the name, as local time; the epoch when the
// date cannot be converted.
CalendarTime StartTimeFromName(QStringView path);

// Kind bits of a name, as the folder tree draws them.
enum KindBit : int {
    kKindContinuous = 0x01,    // 'A' or 'T' first, or 'T' third
    kKindManual = 0x02,        // 'M' second
    kKindImpact = 0x04,        // 'G' second, not parking
    kKindParking = 0x08,       // 'P' first, not 'G' second
    kKindParkingImpact = 0x10, // 'P' first and 'G' second
    kKindSpeedCamera = 0x20,   // 'O' third
    kKindApproaching = 0x40,   // 'D' second
};
int KindMask(QStringView path);

// Why the recording was made, in the list's and the CSV's words ("常時",
// "駐車衝撃", "常時タイムラプス+マニュアル", ...); empty for names shorter than
// 30 characters and for combinations the recorder does not write.
QString TriggerLabel(QStringView path);

} // namespace kv
