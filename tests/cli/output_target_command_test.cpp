// Every writer of kolvista-cli against targets that are its own sources or
// other recordings: refused whatever --replace or --overwrite says, with a
// message naming the cause, and every recording byte-identical afterwards.

#include "avi_bytes.h"
#include "cli_runner.h"
#include "commands.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

#include <unistd.h>

namespace kv::cli {
namespace {

// Every file under folder (links as links) with the digest of its bytes.
QMap<QString, QByteArray> Digests(const QString& folder) {
    QMap<QString, QByteArray> out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        const QString key = QDir(folder).relativeFilePath(path);
        out.insert(key, QFileInfo(path).isSymLink()
                            ? "-> " + QFile::encodeName(QFileInfo(path).symLinkTarget())
                        : f.open(QIODevice::ReadOnly)
                            ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                            : QByteArray("<unreadable>"));
    }
    return out;
}

QByteArray Sound(int frames) {
    test::AviSpec recipe;
    recipe.chunks = test::SimpleChunks(frames, true);
    recipe.telemetry = test::ExactBlock({test::TypicalRecord(), test::TypicalRecord()});
    return test::MakeAvi(recipe);
}

// As a recorder leaves a file after a power loss.
QByteArray Damaged(int frames) {
    test::AviSpec recipe;
    recipe.chunks = test::SimpleChunks(frames, true);
    recipe.riffSize = 0;
    recipe.moviSize = 0;
    recipe.writeIndex = false;
    return test::MakeAvi(recipe) + "00dc";
}

const QString kSoundName = QStringLiteral("A___-261205-093000-000101F.AVI");
const QString kNextName = QStringLiteral("A___-261205-093100-000102F.AVI");
const QString kDamagedName = QStringLiteral("A___-261205-093200-000103F.AVI");

// A card with a sound and a damaged recording in Normal/Front, an output
// folder, and links into the card.
class OutputTargetCommand : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        card = dir.path() + "/CARD";
        front = card + "/Normal/Front";
        out = dir.path() + "/out";
        for (const QString& f : {front, card + "/Normal/Rear", out, dir.path() + "/tmp"}) {
            ASSERT_TRUE(QDir().mkpath(f));
        }
        qputenv("TMPDIR", QFile::encodeName(dir.path() + "/tmp"));
        sound = test::WriteFile(front, kSoundName, Sound(30));
        next = test::WriteFile(front, kNextName, Sound(20));
        damaged = test::WriteFile(front, kDamagedName, Damaged(30));
        link = out + "/link.AVI";
        ASSERT_TRUE(QFile::link(sound, link));
        hardLink = out + "/hard.gpx";
        ASSERT_EQ(
            ::link(QFile::encodeName(sound).constData(), QFile::encodeName(hardLink).constData()),
            0);
        before = Digests(card);
    }
    void TearDown() override { qunsetenv("TMPDIR"); }

    QTemporaryDir dir;
    QString card, front, out, sound, next, damaged, link, hardLink;
    QMap<QString, QByteArray> before;
};

TEST_F(OutputTargetCommand, NoWriterReplacesARecordingWhateverItsFlag) {
    struct Case {
        const char* what;
        QStringList args;
        const char* message;
    };
    const QString viaDots = card + "/Normal/Rear/../Front/" + kSoundName;
    // The list of the card takes its name from its first recording.
    ASSERT_TRUE(QFile::link(sound, out + "/Dv_20261205_093000.csv"));
    const std::vector<Case> cases = {
        {"repair into its own source", {"repair", damaged, damaged, "--replace"}, "reads"},
        {"repair into its source through ..",
         {"repair", damaged, card + "/Normal/Rear/../Front/" + kDamagedName, "--replace"},
         "reads"},
        {"repair over another recording of the card",
         {"repair", damaged, sound, "--replace"},
         "recording folder of the card"},
        {"repair into a card folder",
         {"repair", damaged, card + "/Parking/Front/x.AVI"},
         "recording folder of the card"},
        {"repair over an existing file without --replace",
         {"repair", damaged, out + "/hard.gpx"},
         "--replace"},
        {"export-gpx into the recording it reads",
         {"export-gpx", sound, sound, "--overwrite"},
         "reads"},
        {"export-gpx through a link", {"export-gpx", sound, link, "--overwrite"}, "reads"},
        {"export-gpx through ..", {"export-gpx", sound, viaDots, "--overwrite"}, "reads"},
        {"export-gpx onto a hard link", {"export-gpx", sound, hardLink, "--overwrite"}, "reads"},
        {"export-kml onto another recording",
         {"export-kml", next, sound, "--overwrite"},
         "is a recording"},
        {"export-csv onto a recording of the card it reads",
         {"export-csv", card, next, "--overwrite"},
         "reads"},
        {"export-srt onto the recording", {"export-srt", sound, sound, "--overwrite"}, "reads"},
        {"hash over a recording it hashes", {"hash", card, link, "--overwrite"}, "reads"},
        {"hash over another recording", {"hash", next, sound, "--overwrite"}, "is a recording"},
        {"csv through a list name linked to a recording",
         {"csv", card, out, "--overwrite"},
         "reads"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Result r = RunCli(c.args);
        EXPECT_EQ(r.code, kExitBadInput) << r.out.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String(c.message))) << r.err.toStdString();
        EXPECT_EQ(Digests(card), before);
        EXPECT_TRUE(QFileInfo(link).isSymLink());
        EXPECT_EQ(QFileInfo(hardLink).size(), QFileInfo(sound).size());
        EXPECT_FALSE(QFileInfo::exists(card + "/Parking"));
    }
}

TEST_F(OutputTargetCommand, RepairReplacesAnExistingOutputOnlyWhenAsked) {
    const QString target = test::WriteFile(out, "fixed.AVI", "an older copy");
    const Result refused = RunCli({"repair", damaged, target});
    EXPECT_EQ(refused.code, kExitBadInput);
    EXPECT_TRUE(refused.err.contains("exists; --replace replaces it")) << refused.err.toStdString();
    QFile older(target);
    ASSERT_TRUE(older.open(QIODevice::ReadOnly));
    EXPECT_EQ(older.readAll(), "an older copy");
    older.close();

    const Result replaced = RunCli({"repair", damaged, target, "--replace"});
    EXPECT_EQ(replaced.code, kExitOk) << replaced.err.toStdString();
    EXPECT_GT(QFileInfo(target).size(), 1000);
    EXPECT_EQ(Digests(card), before);
}

// Two damaged files of one name in different folders of the source: each
// copy keeps its own file, the second in a folder named after its sub-folder
// of the source (not "Normal/Front", which would be a card's recording folder).
TEST_F(OutputTargetCommand, RepairAllKeepsEveryCopyWhenNamesCollide) {
    const QString copyFolder = dir.path() + "/copy";
    ASSERT_TRUE(QDir().mkpath(copyFolder + "/Normal/Front"));
    const QString twin = test::WriteFile(copyFolder + "/Normal/Front", kDamagedName, Damaged(20));
    const QString source = dir.path();
    const QString repaired = dir.path() + "/repaired";
    const auto sourcesBefore = Digests(copyFolder);

    const Result r = RunCli({"repair", "--all", source, repaired});
    ASSERT_EQ(r.code, kExitOk) << r.err.toStdString() << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("repaired 2 of 2")) << r.out.toStdString();
    const QStringList written = r.out.split(u'\n').filter(QStringLiteral("written:"));
    ASSERT_EQ(written.size(), 2) << r.out.toStdString();
    EXPECT_NE(written[0].section(u'(', 0, 0), written[1].section(u'(', 0, 0));
    const QString plain = repaired + u'/' + kDamagedName;
    const QString nested = repaired + "/copy_Normal_Front/" + kDamagedName;
    ASSERT_TRUE(QFileInfo::exists(plain));
    ASSERT_TRUE(QFileInfo::exists(nested));
    // 30 frames and 20 frames: two different copies.
    EXPECT_NE(QFileInfo(plain).size(), QFileInfo(nested).size());
    EXPECT_EQ(Digests(card), before);
    EXPECT_EQ(Digests(copyFolder), sourcesBefore);
    EXPECT_TRUE(QFileInfo::exists(twin));
}

// Subtitles of two recordings of one name in different folders: each keeps
// its own file, named after its video so players find it.
TEST_F(OutputTargetCommand, ExportSrtKeepsEverySubtitleWhenNamesCollide) {
    const QString copyFolder = dir.path() + "/copy/Normal/Front";
    ASSERT_TRUE(QDir().mkpath(copyFolder));
    test::WriteFile(copyFolder, kSoundName, Sound(20));
    const QString subtitles = dir.path() + "/subtitles";
    ASSERT_TRUE(QDir().mkpath(subtitles));

    const Result r = RunCli({"export-srt", dir.path() + "/copy", subtitles});
    ASSERT_EQ(r.code, kExitOk) << r.err.toStdString();
    const Result both = RunCli({"export-srt", dir.path(), subtitles, "--overwrite"});
    ASSERT_EQ(both.code, kExitOk) << both.err.toStdString();
    const QString srt = QString(kSoundName).replace(".AVI", ".srt");
    const QStringList written = Digests(subtitles).keys();
    EXPECT_EQ(written.filter(srt).size(), 2) << written.join(u' ').toStdString();
    // The damaged recording has no telemetry: three of four.
    EXPECT_TRUE(both.out.contains("wrote 3 of 4 subtitle files")) << both.out.toStdString();
    EXPECT_EQ(Digests(card), before);
}

TEST_F(OutputTargetCommand, RepairAllNeverWritesIntoTheCardsRecordingFolders) {
    for (const QString& folder : {front, card + "/Normal/Rear", card + "/parking/front"}) {
        SCOPED_TRACE(folder.toStdString());
        const Result r = RunCli({"repair", "--all", card, folder, "--replace"});
        EXPECT_EQ(r.code, kExitBadInput);
        EXPECT_TRUE(r.err.contains("recording folder of the card") || r.err.contains("reads"))
            << r.err.toStdString();
        EXPECT_EQ(Digests(card), before);
        EXPECT_FALSE(QFileInfo::exists(card + "/parking"));
    }
}

} // namespace
} // namespace kv::cli
