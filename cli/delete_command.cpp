// kolvista-cli delete: recordings to the trash, or to placeholders on a card.

#include "catalogue.h"
#include "commands.h"
#include "delete.h"
#include "operation_console.h"
#include "recording_name.h"

#include <QFileInfo>

namespace kv::cli {

namespace {

QString ExistingOrEmpty(const QString& path) {
    return QFileInfo::exists(path) ? path : QString();
}

// The recording of a file: the pair when the name is a recording name,
// otherwise the file alone.
RecordingEntry EntryOf(const QString& file) {
    RecordingEntry entry;
    if (IsFrontName(file)) {
        entry.frontPath = file;
        entry.rearPath = ExistingOrEmpty(RearCounterpart(file));
    } else if (IsRearName(file)) {
        entry.frontPath = ExistingOrEmpty(FrontCounterpart(file));
        entry.rearPath = file;
    } else {
        entry.frontPath = file;
    }
    entry.frontName = FileNameOf(entry.frontPath).toString();
    entry.rearName = FileNameOf(entry.rearPath).toString();
    return entry;
}

QString HowDeleted(DeleteKind kind) {
    return kind == DeleteKind::CardPlaceholders
               ? QStringLiteral("marked deleted on the card (placeholders written)")
               : QStringLiteral("moved to the trash");
}

int Delete(const QStringList& files, QTextStream& out, QTextStream& err) {
    RecordingList jobs;
    for (const QString& file : files) {
        if (!QFileInfo(file).isFile()) {
            err << "kolvista-cli: no such file: " << file << "\n";
            return kExitBadInput;
        }
        RecordingEntry entry = EntryOf(file);
        bool listed = false;
        for (const RecordingEntry& job : jobs) {
            listed = listed || RowPathOf(job) == RowPathOf(entry);
        }
        if (!listed) {
            jobs.push_back(std::move(entry));
        }
    }

    std::size_t removed = 0;
    QString failure;
    DeleteHooks hooks;
    hooks.reportOutcome = [&](const RecordingEntry& entry, const DeleteOutcome& outcome) {
        if (outcome.kind == DeleteKind::None) {
            failure = outcome.error;
            return;
        }
        ++removed;
        out << RowPathOf(entry) << ": " << HowDeleted(outcome.kind) << "\n";
    };
    OperationResult result = kOperationFailed;
    {
        OperationConsole console(QStringLiteral("delete"), err);
        result = DeleteRecordings(jobs, console.control(), hooks);
    }
    switch (result) {
    case kOperationDone:
        return kExitOk;
    case kOperationCancelled:
        err << "kolvista-cli: delete cancelled; " << jobs.size() - removed
            << " recording(s) left as they were\n";
        return kExitCancelled;
    default: {
        // The worker goes from the last recording to the first.
        const RecordingEntry& failed = jobs[jobs.size() - 1 - removed];
        err << "kolvista-cli: cannot delete " << RowPathOf(failed) << ": " << failure << "; the "
            << jobs.size() - removed - 1 << " recording(s) before it were left as they were\n";
        return kExitBadInput;
    }
    }
}

const CommandRegistrar deleteCommand(
    {"delete", "FILE...", [](const QStringList& a) { return !a.empty(); },
     [](const QStringList& a, QTextStream& out, QTextStream& err) { return Delete(a, out, err); }});

} // namespace

} // namespace kv::cli
