#pragma once

#include "recording_entry.h"

#include <QString>
#include <QTextStream>

namespace kv::cli {

// The recordings a SOURCE argument names, sorted: one recording file (with
// its other camera's file when that exists), every recording under a folder
// or card, or a group as `kolvista-cli scan` shows it ("CARD/Normal/261205_0001").
// False, with a message on err, when the source does not exist.
bool RecordingsOfSource(const QString& source, RecordingList& entries, QTextStream& err);

// The front-camera files of entries, in order (the files that hold telemetry).
QStringList FrontFiles(const RecordingList& entries);

// Every file of entries, front before rear.
QStringList RecordingFiles(const RecordingList& entries);

} // namespace kv::cli
