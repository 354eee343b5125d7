#pragma once

#include <QString>

namespace kv {

// Sets (or with hidden false clears) the FAT hidden attribute of path,
// keeping its other attributes (on Linux vfat through
// FAT_IOCTL_SET_ATTRIBUTES, on Windows through the file's attributes). False
// when the file system has no such attribute or refuses it.
bool SetHiddenAttribute(const QString& path, bool hidden = true);

} // namespace kv
