// kolvista-cli hash: a sha256sum list of every recording file, checked with
// sha256sum itself; the join prints the hashes of what it wrote.

#include "avi_bytes.h"
#include "cli_card.h"
#include "cli_runner.h"
#include "commands.h"
#include "file_hash.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kv::cli {
namespace {

QByteArray Sha256(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
}

TEST(HashCommand, Sha256sumVerifiesTheListOfACard) {
    const test_card::Card& card = test_card::Shared();
    ASSERT_TRUE(card.ok) << card.error.toStdString();
    QTemporaryDir out;
    const QString list = out.path() + "/card.sha256";
    const Result r = RunCli({"hash", card.root(), list});
    ASSERT_EQ(r.code, kExitOk) << r.err.toStdString();

    QStringList recordings;
    QDirIterator it(card.root(), {"*.AVI"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        recordings << QDir(card.root()).relativeFilePath(it.next());
    }
    recordings.sort();
    const test_card::ProgramRun check =
        test_card::RunProgram("sha256sum", {"-c", list}, card.root());
    EXPECT_EQ(check.code, 0) << check.out.toStdString() << check.err.toStdString();
    QStringList verified = QString::fromUtf8(check.out).split(u'\n', Qt::SkipEmptyParts);
    for (QString& line : verified) {
        EXPECT_TRUE(line.endsWith(": OK")) << line.toStdString();
        line.chop(4);
    }
    verified.sort();
    EXPECT_EQ(verified, recordings);
    EXPECT_TRUE(r.out.contains(QStringLiteral("SHA-256 of %1 files").arg(recordings.size())));

    EXPECT_EQ(RunCli({"hash", card.root(), list}).code, kExitBadInput); // exists
    EXPECT_EQ(RunCli({"hash", card.root(), list, "--overwrite"}).code, kExitOk);
    const Result nowhere = RunCli({"hash", card.root(), out.path() + "/no/list"});
    EXPECT_EQ(nowhere.code, kExitBadInput);
    EXPECT_TRUE(nowhere.err.contains("does not exist")) << nowhere.err.toStdString();
    EXPECT_EQ(RunCli({"hash", card.root()}).code, kExitUsage);
}

TEST(HashCommand, AnAlteredRecordingFailsTheCheck) {
    QTemporaryDir dir;
    test::AviSpec recipe;
    recipe.chunks = test::SimpleChunks(30, true);
    const QByteArray bytes = test::MakeAvi(recipe);
    const QString front = test::WriteFile(dir.path(), "A___-261205-093000-000101F.AVI", bytes);
    test::WriteFile(dir.path(), "A___-261205-093000-000101R.AVI", bytes);
    const QString list = dir.path() + "/list";
    ASSERT_EQ(RunCli({"hash", dir.path(), list}).code, kExitOk);
    ASSERT_EQ(test_card::RunProgram("sha256sum", {"-c", list}, dir.path()).code, 0);

    QFile f(front);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(bytes.size() / 2);
    f.write("x");
    f.close();
    const auto check = test_card::RunProgram("sha256sum", {"-c", list}, dir.path());
    EXPECT_EQ(check.code, 1);
    EXPECT_TRUE(check.out.contains("A___-261205-093000-000101F.AVI: FAILED"))
        << check.out.toStdString();
    EXPECT_TRUE(check.out.contains("A___-261205-093000-000101R.AVI: OK"));
}

TEST(HashList, NamesSha256sumMustEscapeAreEscaped) {
    QTemporaryDir dir;
    QStringList files;
    for (const QString& name : {QStringLiteral("plain.AVI"), QStringLiteral("back\\slash.AVI"),
                                QStringLiteral("line\nbreak.AVI")}) {
        files << test::WriteFile(dir.path(), name, name.toUtf8());
    }
    const QString list = dir.path() + "/list";
    HashListReport report;
    ASSERT_EQ(WriteHashList(files, dir.path(), list, nullptr, &report), kOperationDone)
        << report.error.toStdString();
    EXPECT_EQ(report.files, 3);
    const auto check = test_card::RunProgram("sha256sum", {"-c", list}, dir.path());
    EXPECT_EQ(check.code, 0) << check.out.toStdString() << check.err.toStdString();
    EXPECT_EQ(check.out.count(": OK"), 3);
    for (const QString& f : files) {
        EXPECT_TRUE(report.list.contains(Sha256(f)));
    }
    // A file that cannot be read: nothing written.
    const QString other = dir.path() + "/other";
    EXPECT_EQ(WriteHashList({dir.path() + "/missing.AVI"}, dir.path(), other, nullptr, &report),
              kOperationFailed);
    EXPECT_TRUE(report.error.contains("missing.AVI")) << report.error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(other));
}

TEST(HashCommand, JoinPrintsTheHashesOfWhatItWrote) {
    QTemporaryDir dir;
    QStringList fronts;
    for (int i = 0; i < 2; ++i) {
        const QString stem = QStringLiteral("A___-261205-09300%1-00010%2").arg(i).arg(i + 1);
        test::AviSpec recipe;
        recipe.chunks = test::SimpleChunks(30, true);
        recipe.telemetry = test::ExactBlock({test::TypicalRecord(), test::TypicalRecord()});
        fronts << test::WriteFile(dir.path(), stem + "F.AVI", test::MakeAvi(recipe));
        recipe.telemetry.clear();
        test::WriteFile(dir.path(), stem + "R.AVI", test::MakeAvi(recipe));
    }
    const QString out = dir.path() + "/out";
    QDir().mkpath(out);
    const Result r = RunCli({"join", out, fronts[0], fronts[1]});
    ASSERT_EQ(r.code, kExitOk) << r.err.toStdString();
    for (const char* name : {"A___-261205-093000-000101F.AVI", "A___-261205-093000-000101R.AVI"}) {
        const QByteArray hash = Sha256(out + u'/' + QLatin1String(name));
        ASSERT_FALSE(hash.isEmpty()) << name;
        EXPECT_TRUE(r.out.contains("sha256 " + hash)) << r.out.toStdString();
    }
}

} // namespace
} // namespace kv::cli
