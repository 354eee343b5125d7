#pragma once

// The file-system path of a Qt path, in the system's own encoding, for the
// renames that must replace in one step or must report a move across volumes.

#include <QFile>
#include <QString>

#include <filesystem>

namespace kv {

inline std::filesystem::path FsPath(const QString& path) {
#if defined(Q_OS_WIN)
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

} // namespace kv
