// kolvista-cli repair: repairs a recording that lost its sizes and index.

#include "avi_verify.h"
#include "commands.h"
#include "operation_console.h"
#include "repair.h"

#include <QFileInfo>

namespace kv::cli {

namespace {

int Repair(const QString& source, const QString& chosenTarget, QTextStream& out, QTextStream& err) {
    if (!QFileInfo(source).isFile()) {
        err << "kolvista-cli: no such file: " << source << "\n";
        return kExitBadInput;
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
        return kExitOk;
    case kOperationCancelled:
        err << "kolvista-cli: repair cancelled; nothing written to " << target << "\n";
        return kExitCancelled;
    default:
        err << "kolvista-cli: cannot repair " << source << ": " << report.error << "\n";
        return kExitBadInput;
    }
}

const CommandRegistrar repair({"repair", "FILE [OUT]",
                               [](const QStringList& a) { return a.size() == 1 || a.size() == 2; },
                               [](const QStringList& a, QTextStream& out, QTextStream& err) {
                                   return Repair(a[0], a.size() == 2 ? a[1] : QString(), out, err);
                               }});

} // namespace

} // namespace kv::cli
