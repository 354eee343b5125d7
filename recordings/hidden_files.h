#pragma once

#include <QString>

// Hidden files on the card. On the recorder's FAT volumes the hidden
// attribute marks them; elsewhere the dot-file convention does.
namespace kv {

// True when folder lies on a FAT volume whose attributes can be read and set.
bool IsFatVolume(const QString& folder);

// The FAT hidden attribute of path; false when it has none or cannot be read.
bool HasHiddenAttribute(const QString& path);

} // namespace kv
