#pragma once

#include <QString>

namespace kv {

// The longest path the shell operations take; longer paths are not deleted.
constexpr qsizetype kMaxShellPath = 258;

// Moves a file or folder to the desktop's trash (freedesktop trash on Linux,
// the recycle bin on Windows), so the user can restore it. True when the path
// is gone afterwards; false when it is too long, missing, or the trash refused it.
bool MoveToTrash(const QString& path);

} // namespace kv
