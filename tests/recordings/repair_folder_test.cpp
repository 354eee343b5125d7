// The repair folder: where it is and who may use it, which file the player
// opens, stale and planted copies, a repair folder that runs full or is
// read-only, and keeping the copies before the folder is deleted. Every test
// points the temporary folder and the trash at a folder of its own.

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
#include <functional>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace kv {
namespace {

const QString kName = QStringLiteral("A___-261205-093000-000101F.AVI");
const QString kRecord = "." + kName + ".source";

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList Listing(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Everything under dir, sub-folders and links included, as paths below it.
QStringList Tree(const QString& dir) {
    QStringList paths;
    const QFileInfoList entries = QDir(dir).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& e : entries) {
        paths << e.fileName();
        if (e.isDir() && !e.isSymLink()) {
            for (const QString& below : Tree(e.filePath())) {
                paths << e.fileName() + "/" + below;
            }
        }
    }
    return paths;
}

// The mode bits and inode of path, not following a link.
struct stat Lstat(const QString& path) {
    struct stat info {};
    ::lstat(QFile::encodeName(path).constData(), &info);
    return info;
}

unsigned Mode(const QString& path) {
    return Lstat(path).st_mode & 07777;
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
        // Private like the repair folder it may stand for (a tmpfs root is 1777 otherwise).
        const QByteArray options = QByteArray("mode=0700,size=") + size;
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

// Prompts that answer no and note that they were asked.
struct FakePromptsForRefusal : RepairPrompts {
    QStringList asked;
    int ShowMessage(const QString& text, const QString&, int) override {
        asked << text;
        return kNo;
    }
    QString ChooseFolder(const QString&, const QString&, const QString&) override { return {}; }
    void RememberFolder(const QString&, const QString&, const QString&) override {}
};

class RepairFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root_.isValid());
        for (const QString& sub : {temp, data, card}) {
            ASSERT_TRUE(QDir().mkpath(sub));
        }
        ASSERT_EQ(RepairFolder(), QDir(temp).canonicalPath() + "/kolvista-" +
                                      QString::number(::geteuid()) + "/repaired_movie_files");
    }

    // The repair folder, made as the repair makes it.
    static void MakeRepairFolder() { ASSERT_EQ(CheckRepairFolder(true), QString()); }

    // A file name in the trash of this test.
    bool Trashed(const QString& name) const {
        return QFileInfo::exists(data + "/Trash/files/" + name);
    }

    QTemporaryDir root_;
    const QString temp = root_.path() + "/tmp";
    const QString data = root_.path() + "/data";
    const QString card = root_.path() + "/card";
    ScopedEnv tmpdir{"TMPDIR", temp};
    ScopedEnv runtime{"XDG_RUNTIME_DIR", QString()};
    ScopedEnv trash{"XDG_DATA_HOME", data};
};

// The runtime folder when it is a usable one, else a folder of the user's id
// in the temporary folder; the folder's own name is always the same.
TEST_F(RepairFolderTest, FolderIsInTheRuntimeFolderOrTheTemporaryOne) {
    const QString fallback = QDir(temp).canonicalPath() + "/kolvista-" +
                             QString::number(::geteuid()) + "/repaired_movie_files";
    const QString run = root_.path() + "/run";
    ASSERT_TRUE(QDir().mkpath(run));
    test::WriteFile(root_.path(), "a-file", "x");
    struct Case {
        const char* what;
        QString runtime;
        QString folder;
    };
    const std::vector<Case> cases = {
        {"runtime folder", run, run + "/kolvista/repaired_movie_files"},
        {"runtime folder with a trailing slash", run + "/", run + "/kolvista/repaired_movie_files"},
        {"empty", QString(), fallback},
        {"relative", "run", fallback},
        {"missing", root_.path() + "/gone", fallback},
        {"a file", root_.path() + "/a-file", fallback},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedEnv runtimeDir("XDG_RUNTIME_DIR", c.runtime);
        EXPECT_EQ(RepairFolder(), c.folder);
    }
}

// A repair makes the folder and its parent 0700 and the copy and its record
// 0600 whatever the umask would give.
TEST_F(RepairFolderTest, FolderAndCopiesArePrivate) {
    const QString source = test::WriteFile(card, kName, Damaged());
    const mode_t umask = ::umask(0);
    const QString copy = PrepareForPlay(source);
    ::umask(umask);
    ASSERT_EQ(copy, RepairedPath(source));
    EXPECT_EQ(Mode(QFileInfo(RepairFolder()).path()), 0700u);
    EXPECT_EQ(Mode(RepairFolder()), 0700u);
    EXPECT_EQ(Mode(copy), 0600u);
    EXPECT_EQ(Mode(SourceRecordPath(copy)), 0600u);
    EXPECT_EQ(Lstat(RepairFolder()).st_uid, ::geteuid());
}

// A parent or folder that is a link, someone else's, or open to others is
// refused: nothing is written in it or where it points, it is not changed,
// deleted or offered, and the player gets no path to open.
TEST_F(RepairFolderTest, FoldersNotPrivateToTheUserAreRefused) {
    const QString parent = QFileInfo(RepairFolder()).path();
    const QString elsewhere = root_.path() + "/elsewhere";
    const QString source = test::WriteFile(card, kName, Damaged());
    struct Case {
        const char* what;
        bool atParent;   // the parent is the wrong one, else the folder itself
        const char* how; // "link", "other user", "mode 0755", "mode 0770" or "fine"
        const char* error;
    };
    // Someone else's folders last: without root they cannot be made.
    const std::vector<Case> cases = {
        {"private", false, "fine", nullptr},
        {"parent is a link", true, "link", "is a link"},
        {"folder is a link", false, "link", "is a link"},
        {"parent readable by others", true, "mode 0755", "is open to other users (mode 0755)"},
        {"folder open to its group", false, "mode 0770", "is open to other users (mode 0770)"},
        {"parent of another user", true, "other user", "belongs to another user"},
        {"folder of another user", false, "other user", "belongs to another user"},
    };
    const auto clear = [](const QString& path) {
        if (QFileInfo(path).isSymLink()) {
            QFile::remove(path);
        } else {
            QDir(path).removeRecursively();
        }
    };
    const auto chmod = [](const QString& path, mode_t mode) {
        return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        clear(parent);
        clear(elsewhere);
        // A private folder of the user's that a link may point to.
        ASSERT_TRUE(QDir().mkpath(elsewhere + "/repaired_movie_files"));
        ASSERT_TRUE(chmod(elsewhere, 0700) && chmod(elsewhere + "/repaired_movie_files", 0700));
        MakeRepairFolder();
        const QString wrong = c.atParent ? parent : RepairFolder();
        const std::string how = c.how;
        if (how == "link") {
            clear(wrong);
            ASSERT_TRUE(
                QFile::link(c.atParent ? elsewhere : elsewhere + "/repaired_movie_files", wrong));
        } else if (how == "mode 0755" || how == "mode 0770") {
            ASSERT_TRUE(chmod(wrong, how == "mode 0755" ? 0755 : 0770));
        } else if (how == "other user") {
            if (::geteuid() != 0) {
                GTEST_SKIP() << "giving a folder to another user needs root";
            }
            ASSERT_EQ(::chown(QFile::encodeName(wrong).constData(), 65534, 65534), 0);
        }
        if (how != "fine") {
            test::WriteFile(RepairFolder(), kName, "planted");
        }
        const unsigned modeBefore = Mode(wrong);
        const QStringList before = Tree(root_.path() + "/tmp");
        const QStringList beforeElsewhere = Tree(elsewhere);

        RepairReport report;
        const OperationResult result = RepairFile(source, RepairedPath(source), nullptr, &report);
        const QString played = PrepareForPlay(source);
        FakePromptsForRefusal prompts;
        const RepairOffer offer = OfferRepairedFiles(prompts);
        const bool deleted = DeleteRepairFolder();

        if (!c.error) {
            EXPECT_EQ(CheckRepairFolder(), QString());
            EXPECT_EQ(result, kOperationDone) << report.error.toStdString();
            EXPECT_EQ(played, RepairedPath(source));
            EXPECT_TRUE(offer.asked);
            EXPECT_TRUE(deleted);
            continue;
        }
        const QString problem = CheckRepairFolder();
        EXPECT_TRUE(problem.contains(wrong)) << problem.toStdString();
        EXPECT_TRUE(problem.contains(c.error)) << problem.toStdString();
        EXPECT_EQ(CheckRepairFolder(true), problem);
        EXPECT_EQ(result, kOperationFailed);
        EXPECT_EQ(report.error, problem);
        EXPECT_EQ(played, QString());
        EXPECT_FALSE(offer.asked);
        EXPECT_TRUE(prompts.asked.isEmpty());
        EXPECT_FALSE(deleted);
        EXPECT_EQ(Tree(root_.path() + "/tmp"), before);
        EXPECT_EQ(Tree(elsewhere), beforeElsewhere);
        EXPECT_EQ(Mode(wrong), modeBefore);
        EXPECT_FALSE(HasRepairedCopy(source));
    }
}

TEST_F(RepairFolderTest, DamagedRecordingIsRepairedOnceAndItsCopyReused) {
    const QString source = test::WriteFile(card, kName, Damaged());
    const QString copy = PrepareForPlay(source);
    EXPECT_EQ(copy, RepairedPath(source));
    EXPECT_EQ(copy, RepairFolder() + "/" + kName);
    EXPECT_EQ(VerifyRecording(copy), kRecordingSound);
    EXPECT_EQ(Listing(RepairFolder()), (QStringList{kRecord, kName}));
    EXPECT_TRUE(HasRepairedCopy(source));

    // Taken as it is on the second open: no rewrite, the same file.
    const struct stat first = Lstat(copy);
    const QByteArray bytes = ReadAll(copy);
    EXPECT_EQ(PrepareForPlay(source), copy);
    EXPECT_EQ(Lstat(copy).st_ino, first.st_ino);
    EXPECT_EQ(Lstat(copy).st_mtim.tv_nsec, first.st_mtim.tv_nsec);
    EXPECT_EQ(ReadAll(copy), bytes);
}

// A copy is played only while its record says it was made from the source as
// the source is now, and the copy is the one the record was written for.
TEST_F(RepairFolderTest, CopyWithoutAMatchingRecordIsMadeAgain) {
    const QString other = test::WriteFile(card, "A___-261205-093100-000102F.AVI", Damaged(20));
    struct Case {
        const char* what;
        std::function<void(const QString& source, const QString& copy)> change;
        bool redone;
    };
    const auto setModified = [](const QString& path, long extraNs) {
        struct timespec times[2] = {{0, UTIME_OMIT}, {1'700'000'000, 123'000'000 + extraNs}};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    };
    const std::vector<Case> cases = {
        {"nothing changed", [](const QString&, const QString&) {}, false},
        {"source grew",
         [](const QString& source, const QString&) {
             QFile f(source);
             ASSERT_TRUE(f.open(QIODevice::Append));
             f.write("00dc");
         },
         true},
        {"source modified, same size",
         [&](const QString& source, const QString&) { setModified(source, 1); }, true},
        {"record removed",
         [](const QString&, const QString& copy) { QFile::remove(SourceRecordPath(copy)); }, true},
        {"copy replaced",
         [](const QString&, const QString& copy) {
             QFile::remove(copy);
             test::WriteFile(QFileInfo(copy).path(), QFileInfo(copy).fileName(), "planted");
         },
         true},
        {"record of another recording",
         [&](const QString&, const QString& copy) {
             ASSERT_EQ(PrepareForPlay(other), RepairedPath(other));
             QFile::remove(SourceRecordPath(copy));
             ASSERT_TRUE(
                 QFile::rename(SourceRecordPath(RepairedPath(other)), SourceRecordPath(copy)));
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString source = test::WriteFile(card, kName, Damaged());
        setModified(source, 0);
        const QString copy = PrepareForPlay(source);
        ASSERT_EQ(copy, RepairedPath(source));
        c.change(source, copy);
        const ino_t changed = Lstat(copy).st_ino;
        EXPECT_EQ(HasRepairedCopy(source), !c.redone);

        EXPECT_EQ(PrepareForPlay(source), copy);
        EXPECT_EQ(Lstat(copy).st_ino != changed, c.redone);
        EXPECT_EQ(VerifyRecording(copy), kRecordingSound);
        EXPECT_NE(ReadAll(copy), "planted");
        EXPECT_TRUE(HasRepairedCopy(source));
        EXPECT_TRUE(DeleteRepairFolder());
        QFile::remove(source);
    }
}

// The checks before a repair question, the list's colours and the
// telemetry: a planted copy is no repaired copy.
TEST_F(RepairFolderTest, PlantedCopyIsNoRepairedCopy) {
    const QString source = test::WriteFile(card, kName, Damaged());
    MakeRepairFolder();
    test::WriteFile(RepairFolder(), kName, "planted");
    EXPECT_FALSE(HasRepairedCopy(source));
    // Nor with a record written for another file under the same name.
    test::WriteFile(RepairFolder(), kRecord, "source-size 1\n");
    EXPECT_FALSE(HasRepairedCopy(source));
    const QString copy = PrepareForPlay(source);
    EXPECT_EQ(VerifyRecording(copy), kRecordingSound);
    EXPECT_TRUE(HasRepairedCopy(source));
}

TEST_F(RepairFolderTest, SoundRecordingLosesItsStaleCopy) {
    const QString source = test::WriteFile(card, kName, Sound());
    MakeRepairFolder();
    const QString stale = test::WriteFile(RepairFolder(), kName, "stale");
    test::WriteFile(RepairFolder(), kRecord, "its record");
    EXPECT_EQ(PrepareForPlay(source), source);
    EXPECT_FALSE(QFileInfo::exists(stale));
    EXPECT_FALSE(QFileInfo::exists(SourceRecordPath(stale)));
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

    // A copy left from before without its record is not played either.
    test::WriteFile(RepairFolder(), kName, "planted");
    EXPECT_EQ(PrepareForPlay(source), copy);
    EXPECT_FALSE(QFileInfo::exists(copy));
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
        MakeRepairFolder();
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
    MakeRepairFolder();
    TmpfsMount mount(RepairFolder(), "4m", false);
    KV_REQUIRE_MOUNT(mount);
    const QString copy = PrepareForPlay(source);
    EXPECT_EQ(VerifyRecording(copy), kRecordingSound);
    EXPECT_EQ(ReadAll(copy), ReadAll(here));
    EXPECT_EQ(Listing(RepairFolder()), (QStringList{kRecord, kName}));
}

TEST_F(RepairFolderTest, DeletingCopies) {
    MakeRepairFolder();
    EXPECT_TRUE(DeleteRepairPath(RepairFolder() + "/never-there.AVI"));

    // Into the trash when it takes them; the record goes for good.
    const QString copy = test::WriteFile(RepairFolder(), kName, "copy");
    test::WriteFile(RepairFolder(), kRecord, "record");
    EXPECT_TRUE(DeleteRepairPath(copy));
    EXPECT_TRUE(Trashed(kName));
    EXPECT_FALSE(Trashed(kRecord));
    EXPECT_EQ(Listing(RepairFolder()), QStringList());

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
    MakeRepairFolder();
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
    MakeRepairFolder();
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
        MakeRepairFolder();
        ASSERT_TRUE(QDir().mkpath(keep));
        test::WriteFile(RepairFolder(), "A___-261205-093000-000101F.AVI", "front copy");
        test::WriteFile(RepairFolder(), "A___-261205-093000-000101R.AVI", "rear copy");
        // The records stay behind: they are the repair's, not copies to keep.
        test::WriteFile(RepairFolder(), ".A___-261205-093000-000101F.AVI.source", "record");
        test::WriteFile(RepairFolder(), ".A___-261205-093000-000101R.AVI.source", "record");
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
