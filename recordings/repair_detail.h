#pragma once

// Helpers shared by the repair's files; not part of the library's interface.

#include "fs_path.h"

#include <QString>

namespace kv::repair_detail {

using kv::FsPath;

// True when both paths exist and name the same file (also through links).
bool SameFile(const QString& a, const QString& b);

// A name beside path that does not exist yet: path, kPartialCopyMark and a
// random suffix. Files under such names are incomplete by definition.
QString PartialName(const QString& path);

} // namespace kv::repair_detail
