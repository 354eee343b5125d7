// The repair folder: which file the player opens, stale copies, a repair
// folder that runs full or is read-only, and keeping the copies before the
// folder is deleted. Every test points the temporary folder and the trash at
// a folder of its own.

#include "avi_bytes.h"
#include "avi_verify.h"
#include "repair.h"
#include "trash.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <optional>

#include <sys/mount.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace kv {
namespace {

const QString kName = QStringLiteral("A___-261205-093000-000101F.AVI");

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList Listing(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// A recording that lost power, with `frames` video frames and a few bytes of
// the next chunk, so that every complete chunk is repaired.
QByteArray Damaged(int frames = 30, int videoBytes = 0) {
    test::AviSpec recipe;
    recipe.chunks = test::SimpleChunks(frames, true);
    if (videoBytes > 0) {
        for (auto& c : recipe.chunks) {
            if (c.tag == "00dc") {
                c.payload = test::VideoPayload(videoBytes, c.flags ? 0x65 : 0x41);
            }
        }
    }
    recipe.riffSize = 0;
    recipe.moviSize = 0;
    recipe.writeIndex = false;
    return test::MakeAvi(recipe) + "00dc";
}

QByteArray Sound() {
    test::AviSpec recipe;
    recipe.chunks = test::SimpleChunks(30, true);
    return test::MakeAvi(recipe);
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QString& value) : name_(name) {
        if (qEnvironmentVariableIsSet(name)) {
            old_ = qgetenv(name);
        }
        qputenv(name, QFile::encodeName(value));
    }
    ~ScopedEnv() {
        if (old_) {
            qputenv(name_, *old_);
        } else {
            qunsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<QByteArray> old_;
};

// A small tmpfs mounted on a folder for the life of the object.
class TmpfsMount {
public:
    TmpfsMount(const QString& folder, const char* size, bool readOnly)
        : folder_(QFile::encodeName(folder)) {
        QDir().mkpath(folder);
        const QByteArray options = QByteArray("size=") + size;
        if (::mount("tmpfs", folder_.constData(), "tmpfs", readOnly ? MS_RDONLY : 0,
                    options.constData()) == 0) {
            mounted_ = true;
        } else {
            error_ = std::strerror(errno);
        }
    }
    ~TmpfsMount() {
        if (mounted_) {
            ::umount2(folder_.constData(), MNT_DETACH);
        }
    }
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& error() const { return error_; }

private:
    QByteArray folder_;
    bool mounted_ = false;
    std::string error_;
};

#define KV_REQUIRE_MOUNT(m)                                                                        \
    if (!(m).mounted()) {                                                                          \
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root or CAP_SYS_ADMIN): "                \
                     << (m).error();                                                               \
    }

class RepairFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root_.isValid());
        for (const QString& sub : {temp, data, card}) {
            ASSERT_TRUE(QDir().mkpath(sub));
        }
        ASSERT_EQ(RepairFolder(), QDir(temp).canonicalPath() + "/repaired_movie_files");
    }

    // A file name in the trash of this test.
    bool Trashed(const QString& name) const {
        return QFileInfo::exists(data + "/Trash/files/" + name);
    }

    QTemporaryDir root_;
    const QString temp = root_.path() + "/tmp";
    const QString data = root_.path() + "/data";
    const QString card = root_.path() + "/card";
    ScopedEnv tmpdir{"TMPDIR", temp};
    ScopedEnv trash{"XDG_DATA_HOME", data};
};

TEST_F(RepairFolderTest, DamagedRecordingIsRepairedOnceAndItsCopyReused) {
    const QString source = test::WriteFile(card, kName, Damaged());
    const QString copy = PrepareForPlay(source);
    EXPECT_EQ(copy, RepairedPath(source));
    EXPECT_EQ(copy, RepairFolder() + "/" + kName);
    EXPECT_EQ(VerifyRecording(copy), kRecordingSound);
    EXPECT_EQ(Listing(RepairFolder()), QStringList{kName});

    // Taken as it is on the second open: no scan, no rewrite.
    test::WriteFile(RepairFolder(), kName, "the copy made before");
    EXPECT_EQ(PrepareForPlay(source), copy);
    EXPECT_EQ(ReadAll(copy), "the copy made before");
}

TEST_F(RepairFolderTest, SoundRecordingLosesItsStaleCopy) {
    const QString source = test::WriteFile(card, kName, Sound());
    QDir().mkpath(RepairFolder());
    const QString stale = test::WriteFile(RepairFolder(), kName, "stale");
    EXPECT_EQ(PrepareForPlay(source), source);
    EXPECT_FALSE(QFileInfo::exists(stale));
    EXPECT_TRUE(Trashed(kName));

    // A sound copy opened from the repair folder is its own copy: it stays.
    const QString copy = test::WriteFile(RepairFolder(), kName, Sound());
    EXPECT_EQ(PrepareForPlay(copy), copy);
    EXPECT_TRUE(QFileInfo::exists(copy));
}

TEST_F(RepairFolderTest, OnlyCameraFilesAreConsidered) {
    struct Case {
        QString name;
        QByteArray bytes;
        bool repaired;
    };
    const std::vector<Case> cases = {
        {"clip.mp4", Damaged(), false},
        {"A___-261205-093000-000101f.avi", Damaged(), false},
        {"A___-261205-093000-000101F.Avi", Damaged(), false},
        {"A___-261205-093000-000101R.avi", Damaged(), true},
        {"A___-261205-093000-000101F.avi", Damaged(), true},
        {"A___-261205-093000-000102F.AVI", QByteArray(), false}, // empty: unreadable
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const QString source = test::WriteFile(card, c.name, c.bytes);
        const QString played = PrepareForPlay(source);
        EXPECT_EQ(played, c.repaired ? RepairedPath(source) : source);
        EXPECT_EQ(QFileInfo::exists(RepairedPath(source)), c.repaired);
    }
    EXPECT_EQ(PrepareForPlay(card + "/missing-000001F.AVI"), card + "/missing-000001F.AVI");
}

TEST_F(RepairFolderTest, FailedRepairGivesTheCopysPathAndNoFile) {
    const QByteArray header = Damaged().left(396);
    const QString source = test::WriteFile(card, kName, header + QByteArray(4000, '\xEE'));
    const QString copy = PrepareForPlay(source);
    EXPECT_EQ(copy, RepairedPath(source));
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_EQ(Listing(RepairFolder()), QStringList());
}

// A repair folder that runs full, or cannot be written at all: the repair
// fails, nothing is left in the folder and the source is as it was.
TEST_F(RepairFolderTest, FullOrReadOnlyRepairFolderFailsCleanly) {
    struct Case {
        const char* what;
        bool readOnly;
        const char* error;
    };
    for (const Case& c :
         {Case{"full", false, "cannot write"}, Case{"read-only", true, "cannot create"}}) {
        SCOPED_TRACE(c.what);
        const QString source = test::WriteFile(card, kName, Damaged(60, 10000)); // ~640 KB
        const QByteArray before =
            QCryptographicHash::hash(ReadAll(source), QCryptographicHash::Sha256);
        TmpfsMount mount(RepairFolder(), "256k", c.readOnly);
        KV_REQUIRE_MOUNT(mount);

        const QString copy = PrepareForPlay(source);
        EXPECT_EQ(copy, RepairedPath(source));
        EXPECT_FALSE(QFileInfo::exists(copy));
        EXPECT_EQ(Listing(RepairFolder()), QStringList());

        RepairReport report;
        EXPECT_EQ(RepairFile(source, copy, nullptr, &report), kOperationFailed);
        EXPECT_TRUE(report.error.contains(QLatin1String(c.error))) << report.error.toStdString();
        EXPECT_EQ(Listing(RepairFolder()), QStringList());
        EXPECT_EQ(QCryptographicHash::hash(ReadAll(source), QCryptographicHash::Sha256), before);
    }
}

// The same when the copy goes to the source's own volume (copied in the kernel).
TEST_F(RepairFolderTest, FullVolumeOfTheSourceFailsCleanly) {
    const QString volume = card + "/volume";
    TmpfsMount mount(volume, "1m", false);
    KV_REQUIRE_MOUNT(mount);
    const QByteArray bytes = Damaged(60, 10000);
    const QString source = test::WriteFile(volume, kName, bytes);
    ASSERT_EQ(QFileInfo(source).size(), bytes.size());
    RepairReport report;
    EXPECT_EQ(RepairFile(source, volume + "/copy.AVI", nullptr, &report), kOperationFailed);
    EXPECT_TRUE(report.error.contains("cannot write")) << report.error.toStdString();
    EXPECT_EQ(Listing(volume), QStringList{kName});
    EXPECT_EQ(ReadAll(source), bytes);
}

// Where the system cannot copy between the two volumes in the kernel, the
// chunks are mapped and written: the copy must be the same.
TEST_F(RepairFolderTest, CopyOnAnotherVolumeIsTheSame) {
    const QString source = test::WriteFile(card, kName, Damaged(60, 10000));
    const QString here = card + "/copy.AVI";
    ASSERT_EQ(RepairFile(source, here), kOperationDone);
    TmpfsMount mount(RepairFolder(), "4m", false);
    KV_REQUIRE_MOUNT(mount);
    const QString copy = PrepareForPlay(source);
    EXPECT_EQ(VerifyRecording(copy), kRecordingSound);
    EXPECT_EQ(ReadAll(copy), ReadAll(here));
    EXPECT_EQ(Listing(RepairFolder()), QStringList{kName});
}

TEST_F(RepairFolderTest, DeletingCopies) {
    QDir().mkpath(RepairFolder());
    EXPECT_TRUE(DeleteRepairPath(RepairFolder() + "/never-there.AVI"));

    // Into the trash when it takes them.
    const QString copy = test::WriteFile(RepairFolder(), kName, "copy");
    EXPECT_TRUE(DeleteRepairPath(copy));
    EXPECT_TRUE(Trashed(kName));

    // A path longer than the 258 characters the Windows shell took goes too.
    QString deep = RepairFolder();
    while (deep.size() <= 300) {
        deep += "/" + QString(40, u'd');
    }
    ASSERT_TRUE(QDir().mkpath(deep));
    const QString deepCopy = test::WriteFile(deep, kName, "copy");
    EXPECT_TRUE(DeleteRepairPath(deepCopy));
    EXPECT_FALSE(QFileInfo::exists(deepCopy));
}

TEST_F(RepairFolderTest, CopiesTheTrashCannotTakeAreRemovedForGood) {
    // No home trash can be made (its parent is a file). The copies must not
    // land anywhere else either, such as the working directory.
    test::WriteFile(root_.path(), "not-a-folder", "x");
    ScopedEnv noTrash("XDG_DATA_HOME", root_.path() + "/not-a-folder/data");
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(root_.path()));
    QDir().mkpath(RepairFolder() + "/sub");
    const QString copy = test::WriteFile(RepairFolder(), kName, "copy");
    const bool deleted = DeleteRepairPath(copy);
    const bool folderDeleted = DeleteRepairFolder();
    QDir::setCurrent(cwd);
    EXPECT_TRUE(deleted);
    EXPECT_TRUE(folderDeleted);
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_FALSE(QFileInfo::exists(RepairFolder()));
    EXPECT_EQ(QDir(root_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              (QStringList{"card", "data", "not-a-folder", "tmp"}));
}

TEST_F(RepairFolderTest, CopiesOnAnotherVolumeThanTheTrashAreRemovedForGood) {
    // The temporary folder on a volume of its own whose trash folder is taken
    // by a file: the trash refuses, as it does for /tmp on another disk.
    TmpfsMount mount(temp, "1m", false);
    KV_REQUIRE_MOUNT(mount);
    test::WriteFile(temp, ".Trash-" + QString::number(::getuid()), "in the way");
    QDir().mkpath(RepairFolder());
    const QString copy = test::WriteFile(RepairFolder(), kName, "copy");
    EXPECT_TRUE(DeleteRepairPath(copy));
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_FALSE(Trashed(kName));
    test::WriteFile(RepairFolder(), kName, "copy");
    EXPECT_TRUE(DeleteRepairFolder());
    EXPECT_FALSE(QFileInfo::exists(RepairFolder()));
    EXPECT_FALSE(Trashed("repaired_movie_files"));
}

// ---------------------------------------------------------------------------

struct FakePrompts : RepairPrompts {
    int answer = kNo;
    QString chosen;
    QStringList messages;   // text|caption|style
    QStringList choices;    // section|key|title
    QStringList remembered; // section|key|folder

    int ShowMessage(const QString& text, const QString& caption, int style) override {
        messages << QStringLiteral("%1|%2|%3").arg(text, caption).arg(style);
        return answer;
    }
    QString ChooseFolder(const QString& section, const QString& key,
                         const QString& title) override {
        choices << section + "|" + key + "|" + title;
        return chosen;
    }
    void RememberFolder(const QString& section, const QString& key,
                        const QString& folder) override {
        remembered << section + "|" + key + "|" + folder;
    }
};

const QString kQuestion = QStringLiteral(
    "破損が修復された一時ファイルがあります。消去の前に整理して保存しますか？|確認|4");
const QString kChoice =
    QStringLiteral("FOLDERPATH|REPAIR_FOLDER|移動先フォルダーを選択してください。");

class OfferTest : public RepairFolderTest {
protected:
    void SetUp() override {
        RepairFolderTest::SetUp();
        ASSERT_TRUE(QDir().mkpath(RepairFolder()));
        ASSERT_TRUE(QDir().mkpath(keep));
        test::WriteFile(RepairFolder(), "A___-261205-093000-000101F.AVI", "front copy");
        test::WriteFile(RepairFolder(), "A___-261205-093000-000101R.AVI", "rear copy");
        // Left by a repair that never finished: not a copy to keep.
        test::WriteFile(RepairFolder(), "A___-261205-093100-000102F.AVI.repairing-0badf00d", "x");
    }
    const QString keep = root_.path() + "/keep";
};

TEST_F(OfferTest, NothingIsAskedWithoutARepairFolder) {
    ASSERT_TRUE(QDir(RepairFolder()).removeRecursively());
    FakePrompts prompts;
    prompts.answer = RepairPrompts::kYes;
    EXPECT_FALSE(OfferRepairedFiles(prompts).asked);
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_TRUE(prompts.choices.isEmpty());
}

TEST_F(OfferTest, NoDeletesTheFolder) {
    FakePrompts prompts;
    prompts.answer = RepairPrompts::kNo;
    const RepairOffer offer = OfferRepairedFiles(prompts);
    EXPECT_TRUE(offer.asked);
    EXPECT_EQ(prompts.messages, QStringList{kQuestion});
    EXPECT_TRUE(prompts.choices.isEmpty());
    EXPECT_TRUE(prompts.remembered.isEmpty());
    EXPECT_TRUE(offer.folderDeleted);
    EXPECT_FALSE(QFileInfo::exists(RepairFolder()));
    EXPECT_TRUE(Trashed("repaired_movie_files"));
}

TEST_F(OfferTest, YesMovesTheCopiesAndRemembersTheFolder) {
    FakePrompts prompts;
    prompts.answer = RepairPrompts::kYes;
    prompts.chosen = keep;
    const RepairOffer offer = OfferRepairedFiles(prompts);
    EXPECT_EQ(prompts.messages, QStringList{kQuestion});
    EXPECT_EQ(prompts.choices, QStringList{kChoice});
    EXPECT_EQ(prompts.remembered, QStringList{"FOLDERPATH|REPAIR_FOLDER|" + keep});
    EXPECT_EQ(offer.move.moved, 2);
    EXPECT_EQ(offer.move.failed, 0);
    EXPECT_EQ(offer.folder, keep);
    EXPECT_EQ(Listing(keep),
              (QStringList{"A___-261205-093000-000101F.AVI", "A___-261205-093000-000101R.AVI"}));
    EXPECT_EQ(ReadAll(keep + "/A___-261205-093000-000101F.AVI"), "front copy");
    EXPECT_TRUE(offer.folderDeleted);
    EXPECT_FALSE(QFileInfo::exists(RepairFolder()));
}

TEST_F(OfferTest, YesThenCancelKeepsTheCopiesForTheNextOffer) {
    FakePrompts prompts;
    prompts.answer = RepairPrompts::kYes;
    const RepairOffer offer = OfferRepairedFiles(prompts);
    EXPECT_EQ(prompts.choices, QStringList{kChoice});
    EXPECT_TRUE(prompts.remembered.isEmpty());
    EXPECT_TRUE(Listing(keep).isEmpty());
    EXPECT_FALSE(offer.folderDeleted);
    EXPECT_EQ(ReadAll(RepairFolder() + "/A___-261205-093000-000101F.AVI"), "front copy");
    EXPECT_EQ(ReadAll(RepairFolder() + "/A___-261205-093000-000101R.AVI"), "rear copy");
}

TEST_F(OfferTest, ANameTakenInTheChosenFolderGetsAFreeNameBesideIt) {
    // Files of the copies' names are in the chosen folder already; neither is replaced.
    test::WriteFile(keep, "A___-261205-093000-000101R.AVI", "kept earlier");
    test::WriteFile(keep, "A___-261205-093000-000101R (2).AVI", "kept earlier, too");
    FakePrompts prompts;
    prompts.answer = RepairPrompts::kYes;
    prompts.chosen = keep;
    const RepairOffer offer = OfferRepairedFiles(prompts);
    EXPECT_EQ(offer.move.moved, 2);
    EXPECT_EQ(offer.move.failed, 0);
    EXPECT_EQ(offer.move.renamed, QStringList{"A___-261205-093000-000101R (3).AVI"});
    EXPECT_EQ(ReadAll(keep + "/A___-261205-093000-000101R.AVI"), "kept earlier");
    EXPECT_EQ(ReadAll(keep + "/A___-261205-093000-000101R (2).AVI"), "kept earlier, too");
    EXPECT_EQ(ReadAll(keep + "/A___-261205-093000-000101R (3).AVI"), "rear copy");
    EXPECT_EQ(ReadAll(keep + "/A___-261205-093000-000101F.AVI"), "front copy");
    // The user hears of the new name.
    ASSERT_EQ(prompts.messages.size(), 2);
    EXPECT_TRUE(prompts.messages[1].contains("A___-261205-093000-000101R (3).AVI"))
        << prompts.messages[1].toStdString();
    EXPECT_TRUE(offer.folderDeleted);
    EXPECT_FALSE(QFileInfo::exists(RepairFolder()));
}

TEST_F(OfferTest, MovesToAnotherVolumeByCopyAndKeepsWhatItCannotSave) {
    TmpfsMount mount(keep, "256k", false);
    KV_REQUIRE_MOUNT(mount);
    // Too big for the chosen volume: its copy fails part-way.
    test::WriteFile(RepairFolder(), "A___-261205-093000-000101F.AVI", QByteArray(400 << 10, 'F'));
    FakePrompts prompts;
    prompts.answer = RepairPrompts::kYes;
    prompts.chosen = keep;
    const RepairOffer offer = OfferRepairedFiles(prompts);
    EXPECT_EQ(offer.move.moved, 1);
    EXPECT_EQ(offer.move.failed, 1);
    EXPECT_EQ(offer.move.notSaved, QStringList{"A___-261205-093000-000101F.AVI"});
    EXPECT_EQ(Listing(keep), QStringList{"A___-261205-093000-000101R.AVI"});
    EXPECT_EQ(ReadAll(keep + "/A___-261205-093000-000101R.AVI"), "rear copy");
    EXPECT_TRUE(prompts.remembered.isEmpty());
    // Reported, and kept where it was with its folder.
    ASSERT_EQ(prompts.messages.size(), 2);
    EXPECT_TRUE(prompts.messages[1].contains("A___-261205-093000-000101F.AVI"))
        << prompts.messages[1].toStdString();
    EXPECT_FALSE(offer.folderDeleted);
    EXPECT_EQ(ReadAll(RepairFolder() + "/A___-261205-093000-000101F.AVI"),
              QByteArray(400 << 10, 'F'));
}

} // namespace
} // namespace kv
