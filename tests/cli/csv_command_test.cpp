#include "avi_bytes.h"
#include "cli_runner.h"
#include "commands.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

#include <gtest/gtest.h>

namespace kv::cli {
namespace {

int RunQuiet(const QStringList& args, QString* errText = nullptr) {
    const Result r = RunCli(args);
    if (errText) {
        *errText = r.err;
    }
    return r.code;
}

TEST(CsvCommand, WritesOnceAndRefusesToReplaceWithoutBeingAsked) {
    QTemporaryDir source, target;
    QDir().mkpath(source.path() + "/Normal/Front");
    test::AviSpec recipe;
    recipe.chunks = test::SimpleChunks(3, true);
    recipe.telemetry = test::ExactBlock({test::TypicalRecord()});
    test::WriteFile(source.path() + "/Normal/Front", "AG__-220820-153012-000045F.AVI",
                    test::MakeAvi(recipe));
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

} // namespace
} // namespace kv::cli
