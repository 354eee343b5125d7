// kolvista-cli repair: what it writes, what it says, and its exit codes.

#include "avi_bytes.h"
#include "avi_verify.h"
#include "cli_runner.h"
#include "commands.h"
#include "repair.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <optional>
#include <thread>

#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace kv::cli {
namespace {

QStringList Listing(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

const QString kName = QStringLiteral("A___-261205-093000-000101F.AVI");

// 30 video and 10 audio chunks as a recorder leaves them after a power loss,
// then the first bytes of a chunk it did not finish.
QByteArray Damaged() {
    test::AviSpec recipe;
    recipe.chunks = test::SimpleChunks(30, true);
    recipe.riffSize = 0;
    recipe.moviSize = 0;
    recipe.writeIndex = false;
    return test::MakeAvi(recipe) + "00dc";
}

class RepairCommand : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QDir().mkpath(dir.path() + "/tmp");
        if (qEnvironmentVariableIsSet("TMPDIR")) {
            oldTmp = qgetenv("TMPDIR");
        }
        qputenv("TMPDIR", QFile::encodeName(dir.path() + "/tmp"));
        if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")) {
            oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        }
        qunsetenv("XDG_RUNTIME_DIR");
        damaged = test::WriteFile(dir.path(), kName, Damaged());
    }
    void TearDown() override {
        if (oldTmp) {
            qputenv("TMPDIR", *oldTmp);
        } else {
            qunsetenv("TMPDIR");
        }
        if (oldRuntime) {
            qputenv("XDG_RUNTIME_DIR", *oldRuntime);
        }
    }
    QTemporaryDir dir;
    std::optional<QByteArray> oldTmp;
    std::optional<QByteArray> oldRuntime;
    QString damaged;
};

TEST_F(RepairCommand, RepairsIntoTheGivenFile) {
    const QString out = dir.path() + "/fixed.avi";
    const Result r = RunCli({"repair", damaged, out});
    ASSERT_EQ(r.code, kExitOk) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("indexed:   40 chunks (30 video, 10 audio)")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(
        QStringLiteral("output:    %1 (%2 bytes)").arg(out).arg(QFileInfo(out).size())))
        << r.out.toStdString();
    EXPECT_EQ(VerifyRecording(out), kRecordingSound);
    EXPECT_FALSE(QFileInfo::exists(RepairFolder()));
}

TEST_F(RepairCommand, RepairsIntoTheRepairFolderByDefault) {
    const Result r = RunCli({"repair", damaged});
    ASSERT_EQ(r.code, kExitOk) << r.err.toStdString();
    const QString copy = QDir(dir.path()).canonicalPath() + "/tmp/kolvista-" +
                         QString::number(::geteuid()) + "/repaired_movie_files/" + kName;
    EXPECT_TRUE(r.out.contains("output:    " + copy)) << r.out.toStdString();
    EXPECT_EQ(VerifyRecording(copy), kRecordingSound);
    // Made as the player makes it: the player takes it as it is.
    EXPECT_TRUE(HasRepairedCopy(damaged));
    EXPECT_EQ(QFileInfo(copy).permissions(),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
}

TEST_F(RepairCommand, RepairFolderOfAnotherKindIsRefused) {
    // A link planted where the folder's parent would be made.
    const QString parent = dir.path() + "/tmp/kolvista-" + QString::number(::geteuid());
    QDir().mkpath(dir.path() + "/elsewhere");
    ASSERT_TRUE(QFile::link(dir.path() + "/elsewhere", parent));
    const Result r = RunCli({"repair", damaged});
    EXPECT_EQ(r.code, kExitBadInput);
    EXPECT_TRUE(r.err.contains("is a link")) << r.err.toStdString();
    EXPECT_TRUE(QDir(dir.path() + "/elsewhere").isEmpty());
}

TEST_F(RepairCommand, SoundRecordingNeedsNoRepair) {
    test::AviSpec recipe;
    recipe.chunks = test::SimpleChunks(30, true);
    const QString sound =
        test::WriteFile(dir.path(), "A___-261205-093100-000102F.AVI", test::MakeAvi(recipe));
    const QString out = dir.path() + "/fixed.avi";
    const Result r = RunCli({"repair", sound, out});
    EXPECT_EQ(r.code, kExitOk);
    EXPECT_TRUE(r.out.contains("needs no repair")) << r.out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(out));
    EXPECT_FALSE(QFileInfo::exists(RepairFolder()));
}

TEST_F(RepairCommand, BadInputFailsWithAReason) {
    const QString noChunk = test::WriteFile(dir.path(), "A___-261205-093200-000103F.AVI",
                                            Damaged().left(396) + QByteArray(2000, '\xEE'));
    const QString empty = test::WriteFile(dir.path(), "A___-261205-093300-000104F.AVI", "");
    struct Case {
        QString file;
        QString out;
        const char* message;
    };
    for (const Case& c : std::vector<Case>{
             {dir.path() + "/missing-000001F.AVI", dir.path() + "/o.avi", "no such file"},
             {dir.path(), dir.path() + "/o.avi", "no such file"},
             {empty, dir.path() + "/o.avi", "cannot open"},
             {noChunk, dir.path() + "/o.avi", "no chunk"},
             {damaged, dir.path() + "/missing/o.avi", "cannot create"},
         }) {
        SCOPED_TRACE(c.file.toStdString());
        const Result r = RunCli({"repair", c.file, c.out});
        EXPECT_EQ(r.code, kExitBadInput);
        EXPECT_TRUE(r.err.contains(QLatin1String(c.message))) << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(c.out));
    }
    EXPECT_EQ(Listing(dir.path()), (QStringList{kName, "A___-261205-093200-000103F.AVI",
                                                "A___-261205-093300-000104F.AVI"}));
    // A folder as the target is refused before any copying, with or without --replace.
    const QString folder = dir.path() + "/copies";
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const QStringList& args : {QStringList{"repair", damaged, folder},
                                    QStringList{"repair", damaged, folder, "--replace"}}) {
        const Result r = RunCli(args);
        EXPECT_EQ(r.code, kExitBadInput);
        EXPECT_TRUE(r.err.contains("is a folder")) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains("repairing")) << r.err.toStdString();
        EXPECT_TRUE(QDir(folder).isEmpty());
    }
}

TEST_F(RepairCommand, UsageErrors) {
    for (const QStringList& args :
         std::vector<QStringList>{{"repair"}, {"repair", damaged, "a.avi", "b.avi"}}) {
        const Result r = RunCli(args);
        EXPECT_EQ(r.code, kExitUsage);
        EXPECT_TRUE(r.err.contains("repair FILE [OUT [--replace]]")) << r.err.toStdString();
    }
}

TEST_F(RepairCommand, CtrlCCancelsAndLeavesNothing) {
    // A damaged recording of 1 GiB whose last picture claims nearly all of it,
    // a hole: no chunk follows it, so the scan searches it window by window
    // for long enough to be interrupted on the way.
    const QString big = dir.path() + "/A___-261205-093400-000105F.AVI";
    {
        QFile file(big);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const QByteArray chunks = Damaged().chopped(4);
        const qint64 size = qint64{1} << 30;
        QByteArray last("00dc\0\0\0\0\0\0\0\x01\x65", 13);
        const auto payload = static_cast<std::uint32_t>(size - chunks.size() - 8 - 4096);
        for (int i = 0; i < 4; ++i) {
            last[4 + i] = static_cast<char>((payload >> (8 * i)) & 0xFF);
        }
        file.write(chunks + last);
        ASSERT_TRUE(file.resize(size));
    }
    const QString out = dir.path() + "/out/fixed.avi";
    QDir().mkpath(dir.path() + "/out");

    // Ctrl-C once the command has taken over the interrupt, i.e. during the repair.
    std::atomic<bool> finished{false};
    std::atomic<bool> sent{false};
    std::thread user([&] {
        while (!finished.load()) {
            struct sigaction now {};
            ::sigaction(SIGINT, nullptr, &now);
            if (now.sa_handler != SIG_DFL && now.sa_handler != SIG_IGN) {
                ::kill(::getpid(), SIGINT);
                sent = true;
                return;
            }
            std::this_thread::yield();
        }
    });
    const Result r = RunCli({"repair", big, out});
    finished = true;
    user.join();
    ASSERT_TRUE(sent.load());
    EXPECT_EQ(r.code, kExitCancelled) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("cancelled")) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(out));
    EXPECT_EQ(Listing(dir.path() + "/out"), QStringList());
}

} // namespace
} // namespace kv::cli
