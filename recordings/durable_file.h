#pragma once

#include <QString>

// A file that takes its final name by a rename is on the disk only when its
// data was flushed before the rename and its folder after it; otherwise a
// card pulled out or power lost after "done" can leave an empty or short
// file under the final name, or no file at all.
namespace kv {

// Flushes the data of the open file fd to the disk (fdatasync). False, with
// the system's reason in error, when the disk reports a failure: the file
// must then not take its final name.
bool FlushFileData(int fd, QString* error = nullptr);

// Flushes the folder that holds path (the entry a rename just made). A
// folder that cannot be opened or flushed is not an error of the file.
void FlushFolderOf(const QString& path);

// The call FlushFileData makes, exchanged by tests to see a flush that
// fails; returns the previous call.
using DataFlushCall = int (*)(int fd);
DataFlushCall ReplaceDataFlushForTest(DataFlushCall call);

} // namespace kv
