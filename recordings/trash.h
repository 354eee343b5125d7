#pragma once

#include <QString>

namespace kv {

// The longest path the trash and the repair folder's deletes take: the
// system's own limit (PATH_MAX less its terminating NUL). The Windows shell
// stopped at 258 characters; a Linux path is often longer.
constexpr qsizetype kMaxShellPath = 4095;

// Moves a file or folder to the desktop's trash (freedesktop trash on Linux,
// the recycle bin on Windows), so the user can restore it. True when the path
// is gone afterwards; false when it is too long, missing, or the trash refused
// it, with the reason in error.
//
// On freedesktop systems the trash's record of the file ("info/NAME.trashinfo":
// where it came from and when) is written in full and flushed to the disk
// before the file moves into "files/": a file in the trash without its record
// cannot be restored. When the record cannot be written (a full disk, a
// read-only trash) the file stays where it was and the call fails. The home
// trash ($XDG_DATA_HOME/Trash) takes files of its own volume; a file on
// another volume goes to that volume's trash (".Trash/UID" when the volume
// has a shared one, else ".Trash-UID" at its root).
bool MoveToTrash(const QString& path, QString* error = nullptr);

} // namespace kv
