#pragma once

#include <QString>

#include <functional>

class QIODevice;
class QSaveFile;

namespace kv {

// Writes a file through a QSaveFile: write() fills the device and the file
// appears under path only when write() returns true and every byte reached
// the disk. On failure (or when write() returns false) nothing is left under
// path and a file already there stays as it was; error then says which file
// could not be written and why, in words a user can act on.
bool SaveOutput(const QString& path, const std::function<bool(QIODevice&)>& write,
                QString* error = nullptr);

// Commits a QSaveFile written in order from its start, only when every byte
// written reached the file. Qt counts a buffered write that the system cut
// short (a disk that ran full part-way through it) as done and would give
// the shortened file its final name; so the size on disk is compared with the
// bytes written first. The data is flushed before the rename (a flush the
// disk fails fails the commit) and the folder after it. On a shortfall or a failed commit the write
// is abandoned (nothing under the final name) and false returned; error then holds the reason.
bool CommitComplete(QSaveFile& file, QString* error = nullptr);

} // namespace kv
