// kolvista-cli hash: a SHA-256 list of every recording file of a source.

#include "commands.h"
#include "file_hash.h"
#include "operation_console.h"
#include "output_target.h"
#include "recording_sources.h"

#include <QDir>
#include <QFileInfo>

namespace kv::cli {

namespace {

int Hash(const QStringList& args, QTextStream& out, QTextStream& err) {
    const QString target = args[1];
    RecordingList entries;
    if (!RecordingsOfSource(args[0], entries, err)) {
        return kExitBadInput;
    }
    const QStringList files = RecordingFiles(entries);
    if (files.isEmpty()) {
        err << "kolvista-cli: no recordings in " << args[0] << "\n";
        return kExitBadInput;
    }
    if (const TargetCheck check = CheckOutputTarget(target, files, OutputRole::Other);
        check.refusal != TargetRefusal::None) {
        err << "kolvista-cli: " << check.message << "\n";
        return kExitBadInput;
    }
    if (QFileInfo::exists(target) && args.size() == 2) {
        err << "kolvista-cli: " << target << " exists; add --overwrite to replace it\n";
        return kExitBadInput;
    }
    // Names in the list are relative to the source folder (a file's own folder).
    const QFileInfo source(QDir::cleanPath(args[0]));
    const QString base = source.isDir() ? source.filePath() : source.path();
    HashListReport report;
    OperationResult result = kOperationFailed;
    {
        OperationConsole console(QStringLiteral("hashing"), err);
        result = WriteHashList(files, base, target, &console.control(), &report);
    }
    switch (result) {
    case kOperationDone:
        out << "wrote the SHA-256 of " << report.files << " files (" << report.bytes
            << " bytes) to " << target << "\n";
        out << "verify with: cd " << base << " && sha256sum -c "
            << QFileInfo(target).absoluteFilePath() << "\n";
        return kExitOk;
    case kOperationCancelled:
        err << "kolvista-cli: hashing cancelled; nothing written\n";
        return kExitCancelled;
    default:
        err << "kolvista-cli: " << report.error << "\n";
        return kExitBadInput;
    }
}

const CommandRegistrar hash({"hash", "SOURCE LIST [--overwrite]   (sha256sum format)",
                             [](const QStringList& a) {
                                 return a.size() == 2 || (a.size() == 3 && a[2] == u"--overwrite");
                             },
                             Hash});

} // namespace

} // namespace kv::cli
