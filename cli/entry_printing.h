#pragma once

#include "recording_entry.h"

#include <QTextStream>

namespace kv::cli {

// One line per entry: sequence, row name, which files exist and whether they
// are damaged, expected lengths.
void PrintEntries(const RecordingList& entries, QTextStream& out);

} // namespace kv::cli
