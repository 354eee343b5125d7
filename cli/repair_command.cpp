// kolvista-cli repair: repairs a recording that lost its sizes and index, or
// every damaged recording of a card into a folder of copies.

#include "avi_verify.h"
#include "commands.h"
#include "file_hash.h"
#include "operation_console.h"
#include "output_target.h"
#include "recording_sources.h"
#include "repair.h"
#include "repair_outcome.h"
#include "run_outputs.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace kv::cli {

namespace {

const QString kAll = QStringLiteral("--all");
const QString kReplace = QStringLiteral("--replace");

QString HashText(const QString& path) {
    QString why;
    const QByteArray digest = FileSha256(path, &why);
    return digest.isEmpty() ? QStringLiteral("unavailable (") + why + u')'
                            : QString::fromLatin1(digest);
}

int Repair(const QString& source, const QString& chosenTarget, bool replace, QTextStream& out,
           QTextStream& err) {
    if (!QFileInfo(source).isFile()) {
        err << "kolvista-cli: no such file: " << source << "\n";
        return kExitBadInput;
    }
    if (!chosenTarget.isEmpty()) {
        const TargetCheck check = CheckOutputTarget(chosenTarget, {source}, OutputRole::Recording);
        if (check.refusal != TargetRefusal::None) {
            err << "kolvista-cli: " << check.message << "\n";
            return kExitBadInput;
        }
        // Checked before the copy: a target that cannot be written fails at once.
        if (QFileInfo(chosenTarget).isDir()) {
            err << "kolvista-cli: " << chosenTarget
                << " is a folder; name the file to write the repaired copy to\n";
            return kExitBadInput;
        }
        const QString folder = QFileInfo(chosenTarget).absolutePath();
        if (!QFileInfo(folder).isDir()) {
            err << "kolvista-cli: cannot create " << chosenTarget << ": no such folder " << folder
                << "\n";
            return kExitBadInput;
        }
        if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0) {
            err << "kolvista-cli: cannot create " << chosenTarget << ": " << std::strerror(errno)
                << "\n";
            return kExitBadInput;
        }
        if (check.exists && !replace) {
            err << "kolvista-cli: " << chosenTarget << " exists; " << kReplace << " replaces it\n";
            return kExitBadInput;
        }
    }
    switch (VerifyRecording(source)) {
    case kRecordingSound:
        out << source << ": sound, needs no repair (nothing written)\n";
        return kExitOk;
    case kRecordingUnreadable:
        err << "kolvista-cli: cannot open or map " << source << "\n";
        return kExitBadInput;
    default:
        break;
    }
    const QString target = chosenTarget.isEmpty() ? RepairedPath(source) : chosenTarget;
    RepairReport report;
    OperationResult result = kOperationFailed;
    {
        OperationConsole console(QStringLiteral("repairing"), err);
        result = RepairFile(source, target, &console.control(), &report);
    }
    switch (result) {
    case kOperationDone:
        out << "repaired:  " << source << "\n";
        out << "indexed:   " << report.videoChunks + report.audioChunks << " chunks ("
            << report.videoChunks << " video, " << report.audioChunks << " audio)\n";
        out << "movi size: " << report.moviSize << " bytes\n";
        out << "output:    " << target << " (" << report.outputSize << " bytes)\n";
        out << "sha256:    " << HashText(target) << "\n";
        return kExitOk;
    case kOperationCancelled:
        err << "kolvista-cli: repair cancelled; nothing written to " << target << "\n";
        return kExitCancelled;
    default:
        err << "kolvista-cli: cannot repair " << source << ": " << report.error << "\n";
        return kExitBadInput;
    }
}

void PrintOutcome(const QString& target, const RepairOutcome& o, QTextStream& out) {
    out << "  recovered: " << o.frames << " frames, " << o.audioChunks << " audio chunks, "
        << QString::number(o.seconds, 'f', 3) << " s\n";
    out << "  dropped:   ";
    if (o.announcedFrames > o.frames) {
        out << o.announcedFrames - o.frames << " of the " << o.announcedFrames
            << " frames the header announces; ";
    } else if (o.announcedFrames == 0) {
        out << "(the header announces no frame count) ";
    }
    out << o.droppedBytes << " bytes after the last whole chunk\n";
    out << "  written:   " << target << " (" << QFileInfo(target).size() << " bytes)\n";
    out << "  sha256:    " << HashText(target) << "\n";
}

// Every damaged file of a source into copies in outdir; the sources are only read.
int RepairAll(const QStringList& args, QTextStream& out, QTextStream& err) {
    QStringList rest = args.mid(1);
    const bool replace = rest.removeAll(kReplace) > 0;
    const QString source = rest[0];
    const QString folder = QDir::cleanPath(rest[1]);
    RecordingList entries;
    if (!RecordingsOfSource(source, entries, err)) {
        return kExitBadInput;
    }
    QStringList damaged;
    int sound = 0;
    for (const RecordingEntry& e : entries) {
        for (const auto& [path, isDamaged] :
             {std::pair{e.frontPath, e.frontDamaged}, std::pair{e.rearPath, e.rearDamaged}}) {
            if (path.isEmpty()) {
                continue;
            }
            if (isDamaged) {
                damaged << path;
            } else {
                ++sound;
            }
        }
    }
    if (damaged.isEmpty()) {
        out << "no damaged recordings in " << source << " (" << sound
            << " files sound); nothing written\n";
        return kExitOk;
    }
    // Every recording of the source is an input: no copy may replace one.
    const QStringList inputs = RecordingFiles(entries);
    QStringList targets;
    for (const QString& file : damaged) {
        QString why;
        // Two damaged files of one name: the second keeps its sub-folder's name.
        const QString target =
            RunOutputPath(source, folder, file, QFileInfo(file).fileName(), targets, &why);
        if (target.isEmpty()) {
            err << "kolvista-cli: " << why << "\n";
            return kExitBadInput;
        }
        const TargetCheck check = CheckOutputTarget(target, inputs, OutputRole::Recording);
        if (check.refusal == TargetRefusal::Input) {
            err << "kolvista-cli: " << check.message
                << " (a repair never writes over its source)\n";
            return kExitBadInput;
        }
        if (check.refusal != TargetRefusal::None) {
            err << "kolvista-cli: " << check.message << "\n";
            return kExitBadInput;
        }
        if (check.exists && !replace) {
            err << "kolvista-cli: " << target << " exists; " << kReplace << " replaces it\n";
            return kExitBadInput;
        }
        targets << target;
    }
    if (!QDir().mkpath(folder)) {
        err << "kolvista-cli: cannot create the output folder " << folder << "\n";
        return kExitBadInput;
    }

    int repaired = 0;
    QStringList failed;
    OperationConsole console(QStringLiteral("repairing"), err);
    for (qsizetype i = 0; i < damaged.size(); ++i) {
        out << damaged[i] << "\n";
        QDir().mkpath(QFileInfo(targets[i]).path());
        RepairReport report;
        const OperationResult result =
            RepairFile(damaged[i], targets[i], &console.control(), &report);
        if (result == kOperationCancelled || console.interrupted()) {
            out << "  cancelled; nothing written for it\n";
            err << "kolvista-cli: repair cancelled after " << repaired << " of " << damaged.size()
                << " files\n";
            return kExitCancelled;
        }
        if (result == kOperationDone) {
            PrintOutcome(targets[i], DescribeRepair(damaged[i], targets[i], report), out);
            ++repaired;
        } else {
            out << "  failed:    " << report.error << " (nothing written)\n";
            failed << damaged[i];
        }
    }
    out << "repaired " << repaired << " of " << damaged.size() << " damaged files into " << folder
        << " (" << sound << " files sound)\n";
    for (const QString& f : failed) {
        err << "kolvista-cli: cannot repair " << f << "\n";
    }
    return failed.isEmpty() ? kExitOk : kExitBadInput;
}

bool RepairArguments(const QStringList& a) {
    if (a.value(0) == kAll) {
        QStringList rest = a.mid(1);
        rest.removeAll(kReplace);
        return rest.size() == 2 && a.size() - 1 - rest.size() <= 1;
    }
    QStringList rest = a;
    rest.removeAll(kReplace);
    return (rest.size() == 1 || rest.size() == 2) && a.size() - rest.size() <= 1;
}

const CommandRegistrar
    repair({"repair", "FILE [OUT [--replace]]  |  repair --all SOURCE OUTDIR [--replace]",
            RepairArguments, [](const QStringList& a, QTextStream& out, QTextStream& err) {
                if (a[0] == kAll) {
                    return RepairAll(a, out, err);
                }
                QStringList rest = a;
                const bool replace = rest.removeAll(kReplace) > 0;
                return Repair(rest[0], rest.value(1), replace, out, err);
            }});

} // namespace

} // namespace kv::cli
