// kolvista-cli join: consecutive recordings into one front and one rear file.

#include "catalogue.h"
#include "commands.h"
#include "file_hash.h"
#include "free_space.h"
#include "join.h"
#include "join_match.h"
#include "operation_console.h"
#include "recording_name.h"

#include <QFileInfo>

namespace kv::cli {

namespace {

const QString kReplace = QStringLiteral("--replace");

QStringList FileArguments(const QStringList& args) {
    QStringList files = args;
    files.removeAll(kReplace);
    return files;
}

int Join(const QStringList& args, QTextStream& out, QTextStream& err) {
    const QStringList rest = FileArguments(args);
    const bool replace = rest.size() != args.size();
    const QString folder = rest.front();
    const QStringList files = rest.mid(1);

    if (!QFileInfo(folder).isDir()) {
        err << "kolvista-cli: no such folder: " << folder << "\n";
        return kExitBadInput;
    }
    // The front files in the order given; each brings its rear partner when it has one.
    Catalogue catalogue;
    RecordingList jobs;
    for (const QString& file : files) {
        if (!QFileInfo(file).isFile()) {
            err << "kolvista-cli: no such file: " << file << "\n";
            return kExitBadInput;
        }
        if (!IsFrontName(file) || !HasAviExtension(file)) {
            err << "kolvista-cli: not a front-camera recording: " << file
                << " (give the front files, in order)\n";
            return kExitBadInput;
        }
        MakeEntry(catalogue, file, RearCounterpart(file), jobs);
    }
    const JoinOutputs outputs = JoinOutputPaths(jobs, folder);
    // Refused whatever --replace says: a source or a card's recording folder as target.
    for (const QString& why :
         {RepeatedJoinSource(jobs), JoinTargetRefusal(jobs, outputs).message}) {
        if (!why.isEmpty()) {
            err << "kolvista-cli: " << why << "\n";
            return kExitBadInput;
        }
    }
    for (const QString& output : {outputs.front, outputs.rear}) {
        if (!output.isEmpty() && QFileInfo::exists(output) && !replace) {
            err << "kolvista-cli: " << output << " exists; " << kReplace
                << " replaces it once the join is complete\n";
            return kExitBadInput;
        }
    }
    if (!HasRoomForJoin(jobs, folder)) {
        err << "kolvista-cli: not enough free space in " << folder << ": the join needs "
            << JoinSpaceNeeded(jobs) << " bytes, " << AvailableBytes(folder) << " are available\n";
        return kExitBadInput;
    }

    JoinReport report;
    OperationResult result = kOperationFailed;
    {
        OperationConsole console(QStringLiteral("join"), err);
        result = JoinRecordings(jobs, outputs, console.control(), &report);
    }
    switch (result) {
    case kOperationDone:
        out << "joined " << jobs.size() << " recordings\n";
        out << "front: " << outputs.front << "\n";
        out << "       sha256 " << FileSha256(outputs.front) << "\n";
        if (report.rearWritten) {
            out << "rear:  " << outputs.rear << "\n";
            out << "       sha256 " << FileSha256(outputs.rear) << "\n";
        } else {
            out << "rear:  none (a rear file is missing or cannot be joined)\n";
        }
        return kExitOk;
    case kOperationCancelled:
        err << "kolvista-cli: join cancelled; nothing was written\n";
        return kExitCancelled;
    default:
        err << "kolvista-cli: join failed: " << report.error << "\n";
        return kExitBadInput;
    }
}

const CommandRegistrar join({"join", "OUTDIR FILE... [--replace]",
                             [](const QStringList& a) { return FileArguments(a).size() >= 2; },
                             [](const QStringList& a, QTextStream& out, QTextStream& err) {
                                 return Join(a, out, err);
                             }});

} // namespace

} // namespace kv::cli
