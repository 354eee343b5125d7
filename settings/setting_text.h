#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// Numbers kept as text in the settings file. Both parsers read the leading
// decimal number the way the C library's atoi/atof do (blanks skipped,
// optional sign, stop at the first character that does not belong to the
// number) but never depend on the process locale.
namespace kv {

// DISPLAY/VOLUME: empty (or blank) reads as the full volume 65535; otherwise
// the leading integer, 0 when there is none, clamped to 0-65535.
int VolumeFromText(QStringView text);
QString VolumeText(int volume); // "%d" of the volume clamped to 0-65535

// SCALEX/SCALEY: the leading decimal number when it is finite and greater than
// 0; no value ("leave the scale unchanged") for 0, negatives, non-numbers and
// empty text.
std::optional<double> ScaleFromText(QStringView text);
QString ScaleText(double scale); // "%f": six decimals, '.' as the point

} // namespace kv
