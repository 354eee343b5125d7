// kolvista-cli repair --all: every damaged recording of a card repaired into
// a folder of copies, with what each copy kept and lost, and its hash.

#include "avi_bytes.h"
#include "avi_clip.h"
#include "avi_verify.h"
#include "cli_card.h"
#include "cli_runner.h"
#include "commands.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kv::cli {
namespace {

namespace cm = cardmaker;

QByteArray Sha256(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
}

QStringList Files(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// The report block of one source file: its path line and the indented lines after it.
QString Block(const QString& out, const QString& source) {
    const qsizetype at = out.indexOf(source + u'\n');
    if (at < 0) {
        return {};
    }
    QString block;
    for (const QString& line : out.mid(at + source.size() + 1).split(u'\n')) {
        if (!line.startsWith(QLatin1String("  "))) {
            break;
        }
        block += line + u'\n';
    }
    return block;
}

class RepairAllCommand : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(card.ok) << card.error.toStdString();
        ASSERT_TRUE(dir.isValid());
        for (const auto& r : card.plan) {
            if (test_card::Damaged(r)) {
                damaged.push_back(r);
            }
        }
        ASSERT_EQ(damaged.size(), 2u);
    }
    const test_card::Card& card = test_card::Shared();
    std::vector<cm::CardRecording> damaged;
    QTemporaryDir dir;
};

TEST_F(RepairAllCommand, RepairsEveryDamagedFileIntoTheFolderAndSaysWhatItKept) {
    std::map<QString, QByteArray> before;
    for (const auto& r : damaged) {
        for (const QString& f : {r.FrontPath(), r.RearPath()}) {
            before[f] = Sha256(card.Path(f));
        }
    }
    const QString out = dir.path() + "/repaired";
    const Result r = RunCli({"repair", "--all", card.root(), out});
    ASSERT_EQ(r.code, kExitOk) << r.err.toStdString();

    QStringList names;
    for (const auto& rec : damaged) {
        for (const auto& [relative, recipe] :
             {std::pair{rec.FrontPath(), rec.front}, std::pair{rec.RearPath(), rec.rear}}) {
            SCOPED_TRACE(relative.toStdString());
            const QString copy = out + u'/' + recipe.fileName;
            names << recipe.fileName;
            ASSERT_EQ(VerifyRecording(copy), kRecordingSound);
            EXPECT_EQ(Sha256(card.Path(relative)), before[relative]) << "the source changed";
            const auto clip = LoadClip(copy, ClipContents::MediaOnly);
            ASSERT_TRUE(clip);
            int frames = 0, audio = 0;
            for (const auto& e : clip->index) {
                frames += e.tag == avi::kVideoFourCc;
                audio += e.tag == avi::kAudioFourCc;
            }
            const QString block = Block(r.out, card.Path(relative));
            ASSERT_FALSE(block.isEmpty()) << r.out.toStdString();
            EXPECT_TRUE(block.contains(
                QStringLiteral("recovered: %1 frames, %2 audio chunks").arg(frames).arg(audio)))
                << block.toStdString();
            const int complete = cm::FrameCount(recipe);
            if (rec.variant == cm::CardVariant::CutInsideMovi) {
                // The header still announces the whole recording; the cut lost the rest.
                EXPECT_LT(frames, complete);
                EXPECT_TRUE(block.contains(QStringLiteral("dropped:   %1 of the %2 frames")
                                               .arg(complete - frames)
                                               .arg(complete)))
                    << block.toStdString();
            } else {
                EXPECT_EQ(frames, complete);
                EXPECT_TRUE(block.contains("announces no frame count")) << block.toStdString();
            }
            const auto timing = ReadTiming(copy);
            ASSERT_TRUE(timing);
            EXPECT_TRUE(block.contains(QString::number(timing->durationSeconds, 'f', 3) + " s"));
            EXPECT_TRUE(block.contains("sha256:    " + Sha256(copy))) << block.toStdString();
        }
    }
    names.sort();
    EXPECT_EQ(Files(out), names);
    EXPECT_TRUE(r.out.contains("repaired 4 of 4 damaged files")) << r.out.toStdString();
}

TEST_F(RepairAllCommand, NeverWritesInPlaceOrOverAnEarlierCopyUnlessAsked) {
    const QString front = card.Path(damaged[0].FrontPath());
    const QString sourceFolder = QFileInfo(front).path();
    const QStringList sourceFiles = Files(sourceFolder);
    const QByteArray sourceHash = Sha256(front);
    const Result inPlace = RunCli({"repair", "--all", card.root(), sourceFolder});
    EXPECT_EQ(inPlace.code, kExitBadInput);
    EXPECT_TRUE(inPlace.err.contains("never writes over its source")) << inPlace.err.toStdString();
    EXPECT_EQ(Files(sourceFolder), sourceFiles);
    EXPECT_EQ(Sha256(front), sourceHash);

    const QString out = dir.path() + "/out";
    QDir().mkpath(out);
    const QString earlier = test::WriteFile(out, QFileInfo(front).fileName(), "earlier copy");
    const Result refused = RunCli({"repair", "--all", card.root(), out});
    EXPECT_EQ(refused.code, kExitBadInput);
    EXPECT_TRUE(refused.err.contains("--replace")) << refused.err.toStdString();
    EXPECT_EQ(Files(out), QStringList{QFileInfo(front).fileName()});

    const Result replaced = RunCli({"repair", "--all", card.root(), out, "--replace"});
    EXPECT_EQ(replaced.code, kExitOk) << replaced.err.toStdString();
    EXPECT_EQ(VerifyRecording(earlier), kRecordingSound);
    EXPECT_EQ(Files(out).size(), 4);

    for (const QStringList& args : std::vector<QStringList>{{"repair", "--all", card.root()},
                                                            {"repair", "--all", "a", "b", "c"},
                                                            {"repair", "--all", "a", "b", "--x"}}) {
        EXPECT_EQ(RunCli(args).code, kExitUsage) << args.join(u' ').toStdString();
    }
}

TEST_F(RepairAllCommand, ExitCodeSaysWhetherEveryFileWasRepaired) {
    // A folder with one repairable recording, one whose chunks cannot be
    // found, and one sound recording.
    const QString source = dir.path() + "/source";
    QDir().mkpath(source);
    const QString good = source + u'/' + damaged[1].front.fileName;
    ASSERT_TRUE(QFile::copy(card.Path(damaged[1].FrontPath()), good));
    QByteArray hopeless;
    {
        QFile f(good);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        hopeless = f.read(396) + QByteArray(4000, '\xEE');
    }
    hopeless.replace(4, 4, QByteArray(4, '\0')); // RIFF size 0: damaged
    const QString bad = test::WriteFile(source, "A___-261205-220000-000300F.AVI", hopeless);
    ASSERT_EQ(VerifyRecording(bad), kRecordingDamaged);
    const auto& sound = card.plan.front();
    ASSERT_TRUE(QFile::copy(card.Path(sound.FrontPath()), source + u'/' + sound.front.fileName));

    const QString out = dir.path() + "/out";
    const Result r = RunCli({"repair", "--all", source, out});
    EXPECT_EQ(r.code, kExitBadInput);
    EXPECT_TRUE(Block(r.out, good).contains("recovered:")) << r.out.toStdString();
    EXPECT_TRUE(Block(r.out, bad).contains("failed:")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("repaired 1 of 2 damaged files")) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains("cannot repair " + bad)) << r.err.toStdString();
    EXPECT_EQ(Files(out), QStringList{QFileInfo(good).fileName()});

    // Nothing damaged: nothing to do, nothing written, success.
    QFile::remove(good);
    QFile::remove(bad);
    const Result none = RunCli({"repair", "--all", source, dir.path() + "/none"});
    EXPECT_EQ(none.code, kExitOk);
    EXPECT_TRUE(none.out.contains("no damaged recordings")) << none.out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.path() + "/none"));
}

TEST_F(RepairAllCommand, SingleRepairPrintsTheHashOfItsCopy) {
    const QString copy = dir.path() + "/one.avi";
    const Result r = RunCli({"repair", card.Path(damaged[0].FrontPath()), copy});
    ASSERT_EQ(r.code, kExitOk) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("sha256:    " + Sha256(copy))) << r.out.toStdString();
}

} // namespace
} // namespace kv::cli
