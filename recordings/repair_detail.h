#pragma once

// Helpers shared by the repair's files; not part of the library's interface.

#include "fs_path.h"

#include <QString>

#include <cstdint>

namespace kv::repair_detail {

using kv::FsPath;

// True when both paths exist and name the same file (also through links).
bool SameFile(const QString& a, const QString& b);

// A name beside path that does not exist yet: path, kPartialCopyMark and a
// random suffix. Files under such names are incomplete by definition.
QString PartialName(const QString& path);

// True when path lies directly in the repair folder.
bool InRepairFolder(const QString& path);

// A source as a repaired copy's record names it.
struct SourceState {
    QString path; // canonical
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    bool valid = false;
};

// The state of path, open as fd (taken before the repair reads it).
SourceState StateOf(const QString& path, int fd);
// The state of path as it is now; not valid when it is no plain file.
SourceState StateOf(const QString& path);

// Writes copy's record (SourceRecordPath, 0600, flushed, renamed into place
// when whole): made from source, and copy as it lies there now. False, with
// the reason in error, when it could not be written.
bool WriteSourceRecord(const QString& copy, const SourceState& source, QString* error);

// Removes copy's record: the copy is not taken as a good one from then on.
void RemoveSourceRecord(const QString& copy);

} // namespace kv::repair_detail
