#include "file_hash.h"

#include "output_target.h"
#include "saved_output.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>

namespace kv {

namespace {

constexpr qint64 kReadPiece = qint64{1} << 20;

bool Fail(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
    return false;
}

} // namespace

QByteArray FileSha256(const QString& path, QString* error, const OperationControl* control) {
    const QFileInfo kind(path);
    if (kind.exists() && !kind.isFile()) {
        // A FIFO would wait for a writer, a device would never end.
        Fail(error, QStringLiteral("cannot read %1: not a regular file").arg(path));
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Fail(error, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return {};
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray piece;
    while (!file.atEnd()) {
        if (control && control->Cancelled()) {
            Fail(error, QStringLiteral("cancelled"));
            return {};
        }
        piece = file.read(kReadPiece);
        if (piece.isEmpty() && file.error() != QFileDevice::NoError) {
            Fail(error, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
            return {};
        }
        hash.addData(piece);
    }
    if (file.error() != QFileDevice::NoError) {
        Fail(error, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return {};
    }
    return hash.result().toHex();
}

QByteArray Sha256ListLine(const QByteArray& hexDigest, const QString& name) {
    QByteArray encoded = QFile::encodeName(name);
    if (!encoded.contains('\\') && !encoded.contains('\n') && !encoded.contains('\r')) {
        return hexDigest + "  " + encoded + '\n';
    }
    encoded.replace("\\", "\\\\").replace("\n", "\\n").replace("\r", "\\r");
    return '\\' + hexDigest + "  " + encoded + '\n';
}

OperationResult WriteHashList(const QStringList& files, const QString& base, const QString& target,
                              const OperationControl* control, HashListReport* report) {
    HashListReport local;
    HashListReport& r = report ? *report : local;
    r = HashListReport{};
    if (const TargetCheck check = CheckOutputTarget(target, files, OutputRole::Other);
        check.refusal != TargetRefusal::None) {
        r.error = check.message;
        return kOperationFailed;
    }
    const QDir root(QFileInfo(base).absoluteFilePath());
    bool cancelled = false;
    QString readError;
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (control && control->Cancelled()) {
            cancelled = true;
            break;
        }
        const QByteArray digest = FileSha256(files[i], &readError, control);
        if (digest.isEmpty()) {
            cancelled = control && control->Cancelled();
            break;
        }
        r.list +=
            Sha256ListLine(digest, root.relativeFilePath(QFileInfo(files[i]).absoluteFilePath()));
        r.bytes += QFile(files[i]).size();
        ++r.files;
        if (control) {
            control->Progress(i + 1, files.size());
        }
    }
    if (cancelled) {
        return kOperationCancelled;
    }
    if (r.files != files.size()) {
        r.error = readError;
        return kOperationFailed;
    }
    const bool saved = SaveOutput(
        target, [&](QIODevice& out) { return out.write(r.list) == r.list.size(); }, &r.error);
    return saved ? kOperationDone : kOperationFailed;
}

} // namespace kv
