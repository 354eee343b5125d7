#pragma once

#include <QString>

#include <functional>

class QIODevice;

namespace kv {

// Writes a file through a QSaveFile: write() fills the device and the file
// appears under path only when write() returns true and every byte reached
// the disk. On failure (or when write() returns false) nothing is left under
// path and a file already there stays as it was; error then says which file
// could not be written and why, in words a user can act on.
bool SaveOutput(const QString& path, const std::function<bool(QIODevice&)>& write,
                QString* error = nullptr);

} // namespace kv
