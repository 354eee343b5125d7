#pragma once

// SHA-256 of recording files, and lists of them in the format of sha256sum,
// so that a driver can show later that a recording was not altered
// (`sha256sum -c LIST` in the listed folder).

#include "file_operation.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kv {

// The SHA-256 of a file's contents as 64 lower-case hex digits; empty, with
// error set, when the file cannot be read to its end.
QByteArray FileSha256(const QString& path, QString* error = nullptr,
                      const OperationControl* control = nullptr);

// One line of a sha256sum list for name (a path relative to the list's
// folder, '/' separated). Names holding a backslash or a line break are
// escaped as sha256sum escapes them.
QByteArray Sha256ListLine(const QByteArray& hexDigest, const QString& name);

struct HashListReport {
    int files = 0;    // files hashed
    qint64 bytes = 0; // bytes hashed
    QByteArray list;  // the lines written
    QString error;    // why the list was not written
};

// Hashes files (absolute paths) and writes their list, with names relative
// to base, into target. Failed when a file cannot be read or target cannot
// be written; nothing is then left under target's name. The running flag is
// tested before each file; progress is files done of all.
OperationResult WriteHashList(const QStringList& files, const QString& base, const QString& target,
                              const OperationControl* control = nullptr,
                              HashListReport* report = nullptr);

} // namespace kv
