#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// Names of the still images saved from the current frame of a recording.
namespace kv {

// "220820-153012-F" for "AG__-220820-153012-000045F.AVI": the name up to its
// first '.', without its first 5 characters, then the first 14 characters
// and the last one.
QString SnapshotBaseName(const QString& path);

struct SnapshotPathPair {
    QString front; // for the front engine
    QString rear;  // the camera letter 12 characters from the end exchanged
};

// The two image paths for frame of the recording named by base in folder.
// Nothing for a negative frame: there is no frame to name.
std::optional<SnapshotPathPair> SnapshotPaths(const QString& folder, const QString& base,
                                              std::int64_t frame);

} // namespace kv
