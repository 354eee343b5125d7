#include "../recordings/child_run.h"
#include "avi_bytes.h"
#include "cli_runner.h"
#include "commands.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

#include <gtest/gtest.h>

#include <unistd.h>

namespace kv::cli {
namespace {

int RunQuiet(const QStringList& args, QString* errText = nullptr) {
    const Result r = RunCli(args);
    if (errText) {
        *errText = r.err;
    }
    return r.code;
}

// One recording of 2022-08-20 15:30:12 in the card layout under root.
void PutOneRecording(const QString& root) {
    QDir().mkpath(root + "/Normal/Front");
    test::AviSpec recipe;
    recipe.chunks = test::SimpleChunks(3, true);
    recipe.telemetry = test::ExactBlock({test::TypicalRecord()});
    test::WriteFile(root + "/Normal/Front", "AG__-220820-153012-000045F.AVI",
                    test::MakeAvi(recipe));
}

TEST(CsvCommand, WritesOnceAndRefusesToReplaceWithoutBeingAsked) {
    QTemporaryDir source, target;
    PutOneRecording(source.path());
    const QString csv = target.path() + "/Dv_20220820_153012.csv";

    EXPECT_EQ(RunQuiet({"csv", source.path(), target.path()}), kExitOk);
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count("\r\n"), 2);
    file.close();

    QString err;
    EXPECT_EQ(RunQuiet({"csv", source.path(), target.path()}, &err), kExitBadInput);
    EXPECT_TRUE(err.contains("--overwrite"));
    EXPECT_EQ(RunQuiet({"csv", source.path(), target.path(), "--overwrite"}), kExitOk);

    QTemporaryDir empty;
    EXPECT_EQ(RunQuiet({"csv", empty.path(), target.path()}, &err), kExitBadInput);
    EXPECT_TRUE(err.contains("動画ファイルがありません。"));
    EXPECT_EQ(RunQuiet({"csv", source.path(), target.path() + "/nope"}), kExitBadInput);
    EXPECT_EQ(RunQuiet({"csv", source.path()}), kExitUsage);
}

// A list that cannot be written names the cause the system gives, not a
// guess: a folder in the way, a folder the user may not write to (run as
// another user when the test runs as root).
TEST(CsvCommand, AFailureNamesItsCause) {
    QTemporaryDir source, target;
    PutOneRecording(source.path());
    QDir().mkpath(target.path() + "/Dv_20220820_153012.csv/inside");
    QString err;
    EXPECT_EQ(RunQuiet({"csv", source.path(), target.path(), "--overwrite"}, &err), kExitBadInput);
    EXPECT_TRUE(err.contains("a folder of that name is in the way")) << err.toStdString();
    EXPECT_TRUE(QFileInfo(target.path() + "/Dv_20220820_153012.csv/inside").isDir());

    QTemporaryDir locked;
    const auto open = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                      QFileDevice::ReadOther | QFileDevice::ExeOther;
    for (const QString& folder : {source.path(), locked.path()}) {
        ASSERT_TRUE(QFile::setPermissions(folder, open));
    }
    ASSERT_TRUE(QFile::setPermissions(source.path() + "/Normal", open));
    ASSERT_TRUE(QFile::setPermissions(source.path() + "/Normal/Front", open));
    const test::ChildEnd end = test::RunInChild([&]() -> int {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            return 9;
        }
        const Result r = RunCli({"csv", source.path(), locked.path()});
        if (r.code != kExitBadInput || !r.err.contains("Permission denied")) {
            std::fprintf(stderr, "%d %s\n", r.code, qPrintable(r.err));
            return 1;
        }
        return 0;
    });
    EXPECT_TRUE(end.ExitedWith(0)) << end.Describe();
    EXPECT_TRUE(QDir(locked.path()).isEmpty());
}

} // namespace
} // namespace kv::cli
