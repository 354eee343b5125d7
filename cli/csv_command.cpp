// kolvista-cli csv: the recording list of a source as a CSV file.

#include "catalogue.h"
#include "commands.h"
#include "csv_export.h"
#include "operation_console.h"
#include "output_target.h"

#include <QDir>
#include <QFileInfo>

namespace kv::cli {

namespace {

int Csv(const QStringList& args, QTextStream& out, QTextStream& err) {
    const QString source = QDir::cleanPath(args[0]);
    const QString folder = QDir::cleanPath(args[1]);
    const bool overwrite = args.size() == 3;
    if (!QFileInfo(source).isDir()) {
        err << "kolvista-cli: no such source folder: " << args[0] << "\n";
        return kExitBadInput;
    }
    if (!QFileInfo(folder).isDir()) {
        err << "kolvista-cli: no such output folder: " << args[1] << "\n";
        return kExitBadInput;
    }
    Catalogue catalogue;
    RecordingList entries;
    int files = 0;
    CollectAll(catalogue, source, entries, files, 0);
    if (entries.empty()) {
        err << "kolvista-cli: no recordings in " << source << " (動画ファイルがありません。)\n";
        return kExitBadInput;
    }
    const QString target = folder + u'/' + CsvFileName(entries.front());
    QStringList inputs;
    for (const RecordingEntry& e : entries) {
        inputs << e.frontPath << e.rearPath;
    }
    inputs.removeAll(QString());
    if (const TargetCheck check = CheckOutputTarget(target, inputs, OutputRole::Other);
        check.refusal != TargetRefusal::None) {
        err << "kolvista-cli: " << check.message << "\n";
        return kExitBadInput;
    }
    if (QFileInfo::exists(target) && !overwrite) {
        err << "kolvista-cli: " << target << " exists; add --overwrite to replace it\n";
        return kExitBadInput;
    }
    OperationConsole console(QStringLiteral("csv"), err);
    QString written;
    CsvError why = CsvError::None;
    QString reason;
    switch (ExportCsv(entries, folder, console.control(), &written, &why, &reason)) {
    case kOperationDone:
        out << "wrote " << entries.size() << " recordings to " << written << "\n";
        return kExitOk;
    case kOperationCancelled:
        err << "kolvista-cli: cancelled; nothing written\n";
        return kExitCancelled;
    default:
        err << "kolvista-cli: cannot write " << target;
        if (!reason.isEmpty()) {
            err << ": " << reason;
        }
        err << " (CSVファイルが作成できません。)\n";
        return kExitBadInput;
    }
}

const CommandRegistrar csv({"csv", "SOURCE OUTDIR [--overwrite]",
                            [](const QStringList& a) {
                                return a.size() == 2 || (a.size() == 3 && a[2] == u"--overwrite");
                            },
                            Csv});

} // namespace

} // namespace kv::cli
