#pragma once

// Runs kolvista-cli's command line in-process and captures what it prints.

#include "commands.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdio>

namespace kv::cli {

struct Result {
    int code = -1;
    QString out;
    QString err;
};

inline QString Slurp(std::FILE* f) {
    std::fflush(f);
    std::rewind(f);
    QByteArray bytes;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        bytes.append(buffer, static_cast<qsizetype>(n));
    }
    std::fclose(f);
    return QString::fromUtf8(bytes);
}

inline Result RunCli(const QStringList& args) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    Result r;
    r.code = Run(args, out, err);
    r.out = Slurp(out);
    r.err = Slurp(err);
    return r;
}

} // namespace kv::cli
