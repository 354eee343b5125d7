#pragma once

// The outside programs the tests read our files back with (python3, ffprobe,
// ffmpeg, ...): independent readers of what we wrote. tools/install-deps.sh
// installs every one of them, so a missing program fails the test instead of
// skipping it.

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <optional>

namespace kv {

// The trimmed standard output of program run to its end; nothing (and a test
// failure) when it is not installed, does not finish within two minutes or
// exits with an error.
inline std::optional<QString> RunOutsideTool(const QString& program, const QStringList& arguments) {
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) {
        ADD_FAILURE() << program.toStdString()
                      << " is not installed (tools/install-deps.sh installs it)";
        return std::nullopt;
    }
    QProcess process;
    process.start(path, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString()
                      << " failed: " << process.readAllStandardError().toStdString();
        return std::nullopt;
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

} // namespace kv
