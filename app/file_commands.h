#pragma once

#include "file_command_ports.h"
#include "operation_frame.h"
#include "recording_entry.h"
#include "repair.h"
#include "ui_texts.h"

#include <QString>
#include <QStringView>

#include <optional>

// The main window's file commands: the CSV list of the source's recordings,
// still images of the current frame, joining recordings and deleting them.
// CSV, join and delete run their work on the operation frame's worker.
namespace kv::app {

class FileCommands {
public:
    explicit FileCommands(const FileCommandPorts& ports);
    // Stops a running worker and waits for it.
    ~FileCommands();
    FileCommands(const FileCommands&) = delete;
    FileCommands& operator=(const FileCommands&) = delete;

    // The tool-bar commands (CSV, still image, join, delete).
    void ExportCsvCommand();
    void ExportSnapshotCommand();
    void JoinCommand();
    void DeleteCommand();

    // A worker runs (the stop button then cancels it instead of rewinding).
    bool OperationRunning() const { return frame_.running(); }
    // The stop button while a worker runs: cancels it. False when nothing runs.
    bool CancelOperation() { return frame_.Cancel(); }
    // Shutdown: a running worker is told to stop and waited for.
    void StopOperation() { frame_.Shutdown(); }

    // When the source is closed and when the viewer ends: repaired copies may
    // be moved to a folder of the user's choice before the repair folder goes.
    RepairOffer OfferRepairedFiles();

    OperationFrame& frame() { return frame_; }
    // The recordings the running join or delete works on.
    const RecordingList& jobs() const { return jobs_; }

private:
    // Shared steps.
    QString ChooseOutputFolder(QStringView key, UiText title);
    bool ConfirmOverwrite();
    // The question about existing files, naming them.
    bool ConfirmOverwrite(const QStringList& names);
    void ShowError(const QString& text);
    void RememberFolder(QStringView key, const QString& folder);
    void StopAndRewind();
    void CloseEngines();
    void ClearPrefetch();
    // The join or delete ended before its worker started: cancelled, or
    // failed with the message failure.
    void EndWithoutWorker(std::optional<UiText> failure = std::nullopt);
    std::int64_t CurrentPosition();

    // Success handlers, on the window thread once the worker has ended.
    void CsvSucceeded(const QString& folder);
    void JoinSucceeded(const QString& folder);
    void DeleteSucceeded();

    FileCommandPorts ports_;
    OperationFrame frame_;
    RecordingList jobs_;
};

// The row path (front, else rear) of every entry of jobs.
QStringList RowPaths(const RecordingList& jobs);
// Removes the entries whose row path is one of rowPaths; the count removed.
int RemoveByRowPath(RecordingList& list, const QStringList& rowPaths);
// Sets `exported` on the entries whose row path is one of rowPaths.
void MarkExported(RecordingList& list, const QStringList& rowPaths);
// Each entry's `sequence` becomes its position in list.
void Renumber(RecordingList& list);

} // namespace kv::app
