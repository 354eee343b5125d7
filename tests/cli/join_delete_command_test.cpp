// kolvista-cli join and delete over recordings built byte by byte.

#include "avi_bytes.h"
#include "avi_clip.h"
#include "cli_runner.h"
#include "commands.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

#include <gtest/gtest.h>

#include <unistd.h>

namespace kv::cli {
namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList Contents(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// Three consecutive recordings in card folders; HOME and XDG_DATA_HOME point
// into the test's folder so that deletions never reach the user's trash.
class JoinDeleteCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedHome_ = qgetenv("HOME");
        hadData_ = qEnvironmentVariableIsSet("XDG_DATA_HOME");
        savedData_ = qgetenv("XDG_DATA_HOME");
        qputenv("HOME", dir_.path().toLocal8Bit());
        qputenv("XDG_DATA_HOME", (dir_.path() + "/share").toLocal8Bit());

        source_ = dir_.path() + "/source";
        out_ = dir_.path() + "/out";
        QDir().mkpath(source_ + "/Normal/Front");
        QDir().mkpath(source_ + "/Normal/Rear");
        QDir().mkpath(out_);
        for (int i = 0; i < 3; ++i) {
            const QString stem = QStringLiteral("A___-261205-09300%1-00010%2").arg(i).arg(i + 1);
            test::AviSpec recipe;
            recipe.chunks = test::SimpleChunks(30 + 10 * i, true);
            recipe.telemetry = test::ExactBlock(
                std::vector<QByteArray>(static_cast<std::size_t>(3 + i), test::TypicalRecord()));
            front_ << test::WriteFile(source_ + "/Normal/Front", stem + "F.AVI",
                                      test::MakeAvi(recipe));
            recipe.telemetry.clear();
            rear_ << test::WriteFile(source_ + "/Normal/Rear", stem + "R.AVI",
                                     test::MakeAvi(recipe));
        }
    }
    void TearDown() override {
        qputenv("HOME", savedHome_);
        if (hadData_) {
            qputenv("XDG_DATA_HOME", savedData_);
        } else {
            qunsetenv("XDG_DATA_HOME");
        }
    }
    QStringList Trashed() const { return Contents(dir_.path() + "/share/Trash/files"); }

    QTemporaryDir dir_;
    QString source_, out_;
    QStringList front_, rear_;
    QByteArray savedHome_, savedData_;
    bool hadData_ = false;
};

TEST_F(JoinDeleteCommandTest, JoinWritesOneFrontAndOneRearFileNamedAfterTheFirst) {
    const Result r = RunCli({"join", out_, front_[0], front_[1], front_[2]});
    ASSERT_EQ(r.code, kExitOk) << r.err.toStdString();
    const QString front = out_ + u'/' + QFileInfo(front_[0]).fileName();
    const QString rear = out_ + u'/' + QFileInfo(rear_[0]).fileName();
    EXPECT_TRUE(r.out.contains("joined 3 recordings")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("rear:  " + rear)) << r.out.toStdString();
    EXPECT_EQ(Contents(out_),
              (QStringList{QFileInfo(front).fileName(), QFileInfo(rear).fileName()}));

    std::size_t entries = 0;
    for (const QString& f : front_) {
        entries += LoadClip(f)->index.size();
    }
    const auto joined = LoadClip(front);
    ASSERT_TRUE(joined);
    EXPECT_EQ(joined->index.size(), entries);
    EXPECT_EQ(joined->recordCount, 3 + 4 + 5);
    ASSERT_TRUE(LoadClip(rear));
    EXPECT_EQ(LoadClip(rear)->index.size(), entries);
}

TEST_F(JoinDeleteCommandTest, JoinRefusesBadInputBeforeWritingAnything) {
    const QString existing = out_ + u'/' + QFileInfo(front_[0]).fileName();
    struct Case {
        const char* what;
        QStringList args;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"no output folder", {"join", out_ + "/none", front_[0], front_[1]}, "no such folder"},
        {"a missing file", {"join", out_, front_[0], source_ + "/none.AVI"}, "no such file"},
        {"a rear file", {"join", out_, front_[0], rear_[1]}, "not a front-camera recording"},
        {"an output that exists", {"join", out_, front_[0], front_[1]}, "--replace"},
    };
    test::WriteFile(out_, QFileInfo(existing).fileName(), "old");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Result r = RunCli(c.args);
        EXPECT_EQ(r.code, kExitBadInput);
        EXPECT_TRUE(r.err.contains(QLatin1String(c.message))) << r.err.toStdString();
        EXPECT_EQ(Contents(out_), QStringList{QFileInfo(existing).fileName()});
        EXPECT_EQ(ReadAll(existing), "old");
    }
    const Result replaced = RunCli({"join", out_, front_[0], front_[1], "--replace"});
    EXPECT_EQ(replaced.code, kExitOk) << replaced.err.toStdString();
    EXPECT_TRUE(LoadClip(existing));

    for (const QStringList& args : std::vector<QStringList>{
             {"join"}, {"join", out_}, {"join", out_, "--replace"}, {"delete"}}) {
        EXPECT_EQ(RunCli(args).code, kExitUsage) << args.join(u' ').toStdString();
    }
}

// Every file under folder with the digest of its bytes.
QMap<QString, QByteArray> Digests(const QString& folder) {
    QMap<QString, QByteArray> out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        out.insert(QDir(folder).relativeFilePath(path),
                   QCryptographicHash::hash(ReadAll(path), QCryptographicHash::Sha256));
    }
    return out;
}

// Whatever --replace says: a join never writes over a recording it reads
// (directly, through a link, "..", or a hard link), never into a recording
// folder of a card, and never joins a file twice or recordings that do not
// belong together.
TEST_F(JoinDeleteCommandTest, JoinNeverWritesOverItsSourcesNorMixesRecordings) {
    const QString name = QFileInfo(front_[0]).fileName();
    const QString linked = dir_.path() + "/front-link";
    ASSERT_TRUE(QFile::link(source_ + "/Normal/Front", linked));
    const QString hard = dir_.path() + "/hard";
    ASSERT_TRUE(QDir().mkpath(hard));
    ASSERT_EQ(::link(QFile::encodeName(front_[0]).constData(),
                     QFile::encodeName(hard + u'/' + name).constData()),
              0);
    // Recordings that would follow front_[0] but differ from it in one respect each.
    const QString other = dir_.path() + "/other";
    const auto variant = [&](const QString& file, auto change) {
        test::AviSpec recipe;
        recipe.chunks = test::SimpleChunks(30, true);
        recipe.telemetry = test::ExactBlock({test::TypicalRecord()});
        change(recipe);
        return test::WriteFile(other, file, test::MakeAvi(recipe));
    };
    QDir().mkpath(other);
    const QString timeLapse = variant("A_T_-261205-093100-000201F.AVI", [](test::AviSpec& r) {
        r.timeLapse = true;
        r.chunks = test::SimpleChunks(30, false);
        r.rate = 15;
    });
    const QString slower =
        variant("A___-261205-093101-000202F.AVI", [](test::AviSpec& r) { r.rate = 15; });
    const QString larger =
        variant("A___-261205-093102-000203F.AVI", [](test::AviSpec& r) { r.width = 128; });
    const QString silent = variant("A___-261205-093103-000204F.AVI", [](test::AviSpec& r) {
        r.chunks = test::SimpleChunks(30, false);
    });
    ASSERT_TRUE(QDir().mkpath(source_ + "/Parking/Front"));

    struct Case {
        const char* what;
        QStringList args;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"the card's own front folder",
         {"join", source_ + "/Normal/Front", front_[0], front_[1], "--replace"},
         "which this command reads"},
        {"a link to the front folder",
         {"join", linked, front_[0], front_[1], "--replace"},
         "which this command reads"},
        {"the front folder through ..",
         {"join", source_ + "/Normal/Rear/../Front", front_[0], front_[1], "--replace"},
         "which this command reads"},
        {"a hard link to the first recording",
         {"join", hard, front_[0], front_[1], "--replace"},
         "which this command reads"},
        {"another recording folder of the card",
         {"join", source_ + "/Parking/Front", front_[0], front_[1], "--replace"},
         "recording folder of the card"},
        {"the same file twice", {"join", out_, front_[0], front_[0]}, "given twice"},
        {"the same file through ..",
         {"join", out_, front_[0], source_ + "/Normal/Rear/../Front/" + name},
         "are the same file"},
        {"a time-lapse recording after a normal one",
         {"join", out_, front_[0], timeLapse},
         "time-lapse"},
        {"another frame rate", {"join", out_, front_[0], slower}, "frame rates differ"},
        {"another picture size", {"join", out_, front_[0], larger}, "picture sizes differ"},
        {"no sound after sound", {"join", out_, front_[0], silent}, "sound"},
    };
    const auto sources = Digests(source_);
    const auto others = Digests(other);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Result r = RunCli(c.args);
        EXPECT_EQ(r.code, kExitBadInput);
        EXPECT_TRUE(r.err.contains(QLatin1String(c.message))) << r.err.toStdString();
        EXPECT_EQ(Digests(source_), sources);
        EXPECT_EQ(Digests(other), others);
        EXPECT_EQ(Contents(out_), QStringList{});
        EXPECT_EQ(Contents(hard), QStringList{name});
    }
}

TEST_F(JoinDeleteCommandTest, JoinChecksTheFreeSpaceFirst) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "mounting a tmpfs needs root";
    }
    QTemporaryDir small;
    // Smaller than the three front and rear files together.
    QProcess mount;
    mount.start(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=8k", "tmpfs", small.path()});
    if (!mount.waitForFinished(60000) || mount.exitCode() != 0) {
        GTEST_SKIP() << "cannot mount a tmpfs: " << mount.readAllStandardError().toStdString();
    }
    const Result r = RunCli({"join", small.path(), front_[0], front_[1], front_[2]});
    const QStringList left = Contents(small.path());
    QProcess::execute(QStringLiteral("umount"), {small.path()});
    EXPECT_EQ(r.code, kExitBadInput);
    EXPECT_TRUE(r.err.contains("not enough free space")) << r.err.toStdString();
    EXPECT_TRUE(left.isEmpty());
}

TEST_F(JoinDeleteCommandTest, DeleteMovesEachRecordingToTheTrash) {
    // A rear file stands for its recording as well as its front file does.
    const Result r = RunCli({"delete", front_[0], rear_[2], front_[2]});
    ASSERT_EQ(r.code, kExitOk) << r.err.toStdString();
    EXPECT_EQ(r.out.count("moved to the trash"), 2) << r.out.toStdString();
    QStringList expected;
    for (int i : {0, 2}) {
        expected << QFileInfo(front_[i]).fileName() << QFileInfo(rear_[i]).fileName();
    }
    expected.sort();
    EXPECT_EQ(Trashed(), expected);
    EXPECT_TRUE(QFileInfo::exists(front_[1]) && QFileInfo::exists(rear_[1]));
}

TEST_F(JoinDeleteCommandTest, DeleteStopsAtTheFirstRecordingItCannotDelete) {
    const Result missing = RunCli({"delete", front_[0], source_ + "/none.AVI"});
    EXPECT_EQ(missing.code, kExitBadInput);
    EXPECT_TRUE(missing.err.contains("no such file"));
    EXPECT_TRUE(Trashed().isEmpty());

    // A folder that refuses to give up its file: marked immutable (for root,
    // whom modes do not stop) or read-only.
    const QString locked = source_ + QStringLiteral("/locked");
    QDir().mkpath(locked);
    const QString unreachable = test::WriteFile(locked, QFileInfo(front_[1]).fileName(), "x");
    const auto open = QFile::permissions(locked);
    const auto chattr = [&](const char* flag) {
        return QProcess::execute(QStringLiteral("chattr"), {QLatin1String(flag), locked}) == 0;
    };
    if (::geteuid() == 0) {
        if (!chattr("+i")) {
            GTEST_SKIP() << "chattr +i is not available here";
        }
    } else {
        ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    }
    const Result r = RunCli({"delete", front_[0], unreachable, front_[2]});
    if (::geteuid() == 0) {
        chattr("-i");
    }
    QFile::setPermissions(locked, open);
    EXPECT_EQ(r.code, kExitBadInput);
    EXPECT_TRUE(r.err.contains("cannot delete " + unreachable)) << r.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(front_[0]) && QFileInfo::exists(rear_[0]));
    EXPECT_FALSE(QFileInfo::exists(front_[2]) || QFileInfo::exists(rear_[2]));
}

} // namespace
} // namespace kv::cli
