#pragma once

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

} // namespace kv
