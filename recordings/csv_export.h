#pragma once

#include "file_operation.h"
#include "recording_entry.h"

#include <QString>

// The recording list as a CSV file: one line per recording with its name,
// start, length, trigger, picture size, quality, frame rate and file sizes,
// in Shift_JIS with CR LF line ends.
namespace kv {

// "Dv_%Y%m%d_%H%M%S.csv" of the start time in the name of the first recording.
QString CsvFileName(const RecordingEntry& first);

// The header line, CR LF included.
QString CsvHeaderLine();

// The line of one recording (CR LF included); the fallback line
// "name,-,-,-,-,-,-,fps,0MB,0MB" when its telemetry header or its AVI
// structure cannot be read.
QString CsvLine(const RecordingEntry& entry);

// Length text and frame-rate text of the video stream of a recording file;
// false when the file cannot be loaded.
struct CsvTiming {
    QString length;    // "%02d:%02d:%02d"
    QString frameRate; // "%.1ffps", or "タイムラプス" for time-lapse recordings
};

enum class CsvError {
    None,
    NoRecordings, // the list is empty
    CannotCreate, // the file cannot be created or written, or a line cannot be produced
};

// Writes the CSV of entries into folder (the worker body of the export).
// The file appears under its final name only when complete: a failed or
// cancelled export leaves nothing behind and an old file of that name intact.
// Progress is (index of the line just written, count), then (count, count).
// reason receives the system's words for a failure (a folder in the way, a
// read-only folder, a full disk).
OperationResult ExportCsv(const RecordingList& entries, const QString& folder,
                          const OperationControl& control, QString* writtenPath = nullptr,
                          CsvError* error = nullptr, QString* reason = nullptr);

} // namespace kv
