#pragma once

#include "local_time.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace kv {

// One directory entry as the listing returns it. Sizes and times are not
// kept: the scans need none, and leaving them out spares a stat per file.
struct FileRecord {
    QString name; // last path component
    QString path; // full path
    bool directory = false;
    bool hidden = false;
    bool symlink = false; // listed, but never descended into
};

// One recording: a front file and/or a rear file. Copied by value between
// the browser, the list and the playback controller.
struct RecordingEntry {
    QString frontPath; // empty when the front file does not exist
    QString frontName;
    QString rearPath; // empty when the rear file does not exist
    QString rearName;
    std::int32_t sequence = 0;   // running number given when the entry is made; -1 for folders
    std::int32_t modeLetter = 0; // first character of the front name when it has a mode letter
    std::int32_t exported = 0;   // set by the join for the entries it copied
    std::int32_t parkingGroup = 0;
    // What verification found when the entry was made: 0 sound, 1 damaged
    // (repairable), 2 unreadable (cannot be opened or read).
    std::int32_t frontDamaged = 0;
    std::int32_t rearDamaged = 0;
    std::int32_t frontUnrepaired = 0; // kept by the recording list
    std::int32_t rearUnrepaired = 0;
    // Filled in by the playback controller when the recording is opened.
    std::int32_t sizeCode = 0;
    float framesPerSecond = 0.0f;
    CalendarTime startTime;
    std::int64_t frontExpectedLength = 0; // -1 for folder entries
    std::int64_t rearExpectedLength = 0;

    // The name a list row shows: the front name, or the rear name without a front file.
    const QString& rowName() const { return frontName.isEmpty() ? rearName : frontName; }
};

using RecordingList = std::vector<RecordingEntry>;

} // namespace kv
