// The real kolvista-cli over card folders holding what is no recording under
// a recording's name (a FIFO) and a link back up the tree: every folder
// command ends, skips the FIFO and lists each recording once. The program
// runs as a child process waited for with the shared limit, so a command
// that hangs fails the test instead of holding it.

#include "avi_bytes.h"
#include "commands.h"
#include "wait_for.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

extern char** environ;

namespace kv::cli {
namespace {

struct ProgramEnd {
    bool finished = false; // false: still running at the limit, then killed
    bool exited = false;   // ended by exit, not by a signal
    int code = -1;
    QString out;
    QString err;

    std::string Describe() const {
        return (!finished ? std::string("still running at the limit")
                : exited  ? "exit code " + std::to_string(code)
                          : std::string("ended by a signal")) +
               "\n" + out.toStdString() + err.toStdString();
    }
};

// Runs kolvista-cli with args, its output into files of folder.
ProgramEnd RunKolvistaCli(const QStringList& args, const QString& folder) {
    ProgramEnd end;
    const QByteArray outPath = QFile::encodeName(folder + "/stdout.txt");
    const QByteArray errPath = QFile::encodeName(folder + "/stderr.txt");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    std::vector<QByteArray> encoded{QByteArray(KOLVISTA_CLI_PROGRAM)};
    for (const QString& a : args) {
        encoded.push_back(QFile::encodeName(a));
    }
    std::vector<char*> argv;
    for (QByteArray& a : encoded) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned =
        posix_spawn(&pid, KOLVISTA_CLI_PROGRAM, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        end.err = QStringLiteral("cannot start %1").arg(KOLVISTA_CLI_PROGRAM);
        return end;
    }
    int status = 0;
    end.finished = WaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; });
    if (!end.finished) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    } else {
        end.exited = WIFEXITED(status);
        end.code = end.exited ? WEXITSTATUS(status) : -1;
    }
    for (auto [path, text] : {std::pair{outPath, &end.out}, std::pair{errPath, &end.err}}) {
        QFile f(QFile::decodeName(path));
        if (f.open(QIODevice::ReadOnly)) {
            *text = QString::fromUtf8(f.readAll());
        }
    }
    return end;
}

const char* const kSoundFront = "A___-261205-093000-000101F.AVI";
const char* const kSoundRear = "A___-261205-093000-000101R.AVI";
const char* const kDamagedFront = "A___-261205-093100-000102F.AVI";
const char* const kFifoFront = "A___-261205-093200-000103F.AVI";

// A card folder with one sound recording (front and rear) and one damaged front.
class SpecialEntries : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir().mkpath(Front()));
        ASSERT_TRUE(QDir().mkpath(Root() + "/Normal/Rear"));
        ASSERT_TRUE(QDir().mkpath(Out()));
        std::vector<QByteArray> records;
        for (int i = 0; i < 3; ++i) {
            records.push_back(test::TypicalRecord("26120509300" + QByteArray::number(i)));
        }
        test::AviSpec recipe;
        recipe.chunks = test::SimpleChunks(90, true);
        recipe.telemetry = test::ExactBlock(records);
        test::WriteFile(Front(), kSoundFront, test::MakeAvi(recipe));
        test::WriteFile(Root() + "/Normal/Rear", kSoundRear, test::MakeAvi(recipe));
        recipe.riffSize = 0;
        recipe.moviSize = 0;
        recipe.writeIndex = false;
        test::WriteFile(Front(), kDamagedFront, test::MakeAvi(recipe));
    }
    QString Root() const { return dir.path() + "/CARD"; }
    QString Front() const { return Root() + "/Normal/Front"; }
    QString Out() const { return dir.path() + "/out"; }
    // The program's console files live beside the outputs.
    ProgramEnd Run(const QStringList& args) { return RunKolvistaCli(args, dir.path()); }

    QTemporaryDir dir;
};

struct CommandCase {
    const char* what;
    QStringList args; // "ROOT" and "OUT/" are replaced by the card and the output folder
    int code;
};

QStringList Expand(const QStringList& args, const QString& root, const QString& out) {
    QStringList expanded;
    for (QString a : args) {
        a.replace("ROOT", root);
        a.replace("OUT/", out + u'/');
        expanded << a;
    }
    return expanded;
}

TEST_F(SpecialEntries, AFifoNamedLikeARecordingIsSkippedByEveryFolderCommand) {
    const QString fifo = Front() + u'/' + kFifoFront;
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const std::vector<CommandCase> cases = {
        {"list", {"list", "ROOT"}, kExitOk},
        {"scan", {"scan", "ROOT"}, kExitOk},
        {"csv", {"csv", "ROOT", "OUT/"}, kExitOk},
        {"hash", {"hash", "ROOT", "OUT/card.sha256"}, kExitOk},
        {"check", {"check", "ROOT"}, kExitFindings},
        {"export", {"export-gpx", "ROOT", "OUT/track.gpx"}, kExitOk},
        {"repair --all", {"repair", "--all", "ROOT", "OUT/repaired"}, kExitOk},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.what);
        const ProgramEnd end = Run(Expand(c.args, Root(), Out()));
        ASSERT_TRUE(end.finished && end.exited) << end.Describe();
        EXPECT_EQ(end.code, c.code) << end.Describe();
        EXPECT_FALSE(end.out.contains("000103")) << end.Describe();
    }
    // What was written leaves the FIFO out as well.
    QFile list(Out() + "/card.sha256");
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    const QByteArray hashes = list.readAll();
    EXPECT_EQ(hashes.count('\n'), 3) << hashes.toStdString();
    EXPECT_FALSE(hashes.contains("000103"));
    EXPECT_EQ(QDir(Out() + "/repaired").entryList(QDir::Files), QStringList{kDamagedFront});
}

TEST_F(SpecialEntries, ALinkBackUpTheCardListsEachRecordingOnce) {
    ASSERT_EQ(::symlink(".", QFile::encodeName(Root() + "/Normal/self").constData()), 0);
    const ProgramEnd list = Run({"list", Root()});
    ASSERT_TRUE(list.finished && list.exited) << list.Describe();
    EXPECT_EQ(list.code, kExitOk);
    EXPECT_TRUE(list.out.startsWith("2 recordings in 3 files\n")) << list.Describe();
    EXPECT_EQ(list.out.count(kSoundFront), 1) << list.Describe();
    EXPECT_EQ(list.out.count(kDamagedFront), 1) << list.Describe();

    const ProgramEnd hash = Run({"hash", Root(), Out() + "/card.sha256"});
    ASSERT_TRUE(hash.finished && hash.exited && hash.code == kExitOk) << hash.Describe();
    QFile hashes(Out() + "/card.sha256");
    ASSERT_TRUE(hashes.open(QIODevice::ReadOnly));
    const QByteArray lines = hashes.readAll();
    EXPECT_EQ(lines.count('\n'), 3) << lines.toStdString();
    EXPECT_FALSE(lines.contains("self")) << lines.toStdString();

    const ProgramEnd csv = Run({"csv", Root(), Out()});
    ASSERT_TRUE(csv.finished && csv.exited && csv.code == kExitOk) << csv.Describe();
    EXPECT_TRUE(csv.out.startsWith("wrote 2 recordings to ")) << csv.Describe();
}

} // namespace
} // namespace kv::cli
