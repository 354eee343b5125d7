// Deleting recordings: placeholder pairs on a card, the trash elsewhere, and
// the delete worker's order, progress and failures. Only file names matter
// here, so the files hold a few bytes each.

#include "../faults/fault_support.h"
#include "card_layout.h"
#include "delete.h"
#include "hidden_files.h"
#include "progress_log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

namespace kv {
namespace {

const QString kFront = QStringLiteral("AG__-220820-153012-000045F.AVI");
const QString kRear = QStringLiteral("AG__-220820-153012-000045R.AVI");
const QString kFrontPlaceholder = QStringLiteral("AG__-220820-153012-000045F.DMY");
const QString kRearPlaceholder = QStringLiteral("AG__-220820-153012-000045R.DMY");

QString Put(const QString& root, const QString& relative, const QByteArray& bytes = "rec") {
    const QString path = root + u'/' + relative;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        ADD_FAILURE() << "cannot write " << path.toStdString();
    }
    return path;
}

bool Exists(const QString& root, const QString& relative) {
    return QFileInfo::exists(root + u'/' + relative);
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every file below root, relative to it: what a failed delete must leave as it was.
QStringList Tree(const QString& root) {
    QStringList files;
    const QDir dir(root);
    for (const QFileInfo& info :
         dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)) {
        if (info.isDir()) {
            for (const QString& f : Tree(info.filePath())) {
                files << info.fileName() + u'/' + f;
            }
        } else {
            files << info.fileName();
        }
    }
    return files;
}

int Run(const QString& program, const QStringList& args, QString* err = nullptr) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) {
        return -1;
    }
    if (err) {
        *err = QString::fromLocal8Bit(p.readAllStandardError());
    }
    return p.exitCode();
}

// A volume mounted for one test, so that its root can hold the card layout
// (root only; the tests that need one skip without it).
class Volume {
public:
    // type "tmpfs", or "vfat" for a FAT image made with mkfs.vfat.
    explicit Volume(const char* type) {
        if (::geteuid() != 0) {
            reason_ = "mounting a volume needs root";
            return;
        }
        QString err;
        if (std::string(type) == "tmpfs") {
            mounted_ = Run(QStringLiteral("mount"),
                           {"-t", "tmpfs", "-o", "size=4m", "tmpfs", dir_.path()}, &err) == 0;
        } else {
            const QString image = scratch_.path() + QStringLiteral("/card.img");
            QFile f(image);
            if (!f.open(QIODevice::WriteOnly) || !f.resize(8 * 1024 * 1024)) {
                reason_ = "cannot make a card image";
                return;
            }
            f.close();
            if (Run(QStringLiteral("mkfs.vfat"), {image}, &err) != 0) {
                reason_ = "mkfs.vfat (Debian package dosfstools) is missing or failed: " +
                          err.toStdString();
                return;
            }
            mounted_ = Run(QStringLiteral("mount"),
                           {"-t", "vfat", "-o", "loop", image, dir_.path()}, &err) == 0;
        }
        if (!mounted_) {
            reason_ = std::string("cannot mount a ") + type + " volume: " + err.toStdString();
        }
    }
    ~Volume() {
        if (mounted_) {
            Run(QStringLiteral("umount"), {dir_.path()});
        }
    }
    Volume(const Volume&) = delete;
    Volume& operator=(const Volume&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& reason() const { return reason_; }
    QString root() const { return dir_.path(); }

private:
    QTemporaryDir scratch_;
    QTemporaryDir dir_;
    bool mounted_ = false;
    std::string reason_;
};

// The card rule itself works on any folder that has the card folders.
TEST(MarkDeletedOnCard, BothFilesOfThePairBecomePlaceholders) {
    struct Case {
        const char* what;
        QString path;           // the path given, relative to the card
        QStringList files;      // what the card holds before
        QStringList afterwards; // and after
    };
    const QString parkingFront = QStringLiteral("PG__-220820-153012-000046F.AVI");
    const QString other = QStringLiteral("Normal/Front/A___-220820-153112-000046F.AVI");
    const std::vector<Case> cases = {
        {"front path",
         "Normal/Front/" + kFront,
         {"Normal/Front/" + kFront, "Normal/Rear/" + kRear, other},
         {"Normal/Front/" + kFrontPlaceholder, other, "Normal/Rear/" + kRearPlaceholder}},
        {"rear path",
         "Normal/Rear/" + kRear,
         {"Normal/Front/" + kFront, "Normal/Rear/" + kRear},
         {"Normal/Front/" + kFrontPlaceholder, "Normal/Rear/" + kRearPlaceholder}},
        {"parking group",
         "Parking/Front/" + parkingFront,
         {"Parking/Front/" + parkingFront, "Parking/Rear/PG__-220820-153012-000046R.AVI"},
         {"Parking/Front/PG__-220820-153012-000046F.DMY",
          "Parking/Rear/PG__-220820-153012-000046R.DMY"}},
        {"no rear file",
         "Normal/Front/" + kFront,
         {"Normal/Front/" + kFront, "Normal/Rear/.keep"},
         {"Normal/Front/" + kFrontPlaceholder, "Normal/Rear/.keep"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir card;
        for (const QString& f : c.files) {
            Put(card.path(), f, f.toUtf8());
        }
        EXPECT_TRUE(MarkDeletedOnCard(card.path() + u'/' + c.path));
        EXPECT_EQ(Tree(card.path()), c.afterwards);
        // The placeholder is the recording itself, renamed.
        const QString placeholder = c.afterwards.front();
        EXPECT_EQ(ReadAll(card.path() + u'/' + placeholder),
                  placeholder.chopped(3).toUtf8() + "AVI");
    }
}

TEST(MarkDeletedOnCard, ARefusedDeleteRenamesNothing) {
    struct Case {
        const char* what;
        QString path;
        QStringList files;
    };
    const std::vector<Case> cases = {
        {"the front placeholder exists",
         "Normal/Front/" + kFront,
         {"Normal/Front/" + kFront, "Normal/Front/" + kFrontPlaceholder, "Normal/Rear/" + kRear}},
        {"the rear placeholder exists",
         "Normal/Front/" + kFront,
         {"Normal/Front/" + kFront, "Normal/Rear/" + kRear, "Normal/Rear/" + kRearPlaceholder}},
        {"outside the card folders", "Other/" + kFront, {"Other/" + kFront, "Other/Rear/" + kRear}},
        {"below a card folder",
         "Normal/Front/old/" + kFront,
         {"Normal/Front/old/" + kFront, "Normal/Front/Front/" + kFront}},
        {"at the card root", kFront, {kFront, "Front/" + kFront}},
        {"not a recording name", "Normal/Front/notes.AVI", {"Normal/Front/notes.AVI"}},
        {"a name that only contains a recording name",
         "Normal/Front/" + kFront + ".bak",
         {"Normal/Front/" + kFront + ".bak", "Normal/Front/" + kFront}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir card;
        for (const QString& f : c.files) {
            Put(card.path(), f);
        }
        const QStringList before = Tree(card.path());
        EXPECT_FALSE(MarkDeletedOnCard(card.path() + u'/' + c.path));
        EXPECT_EQ(Tree(card.path()), before);
    }
}

// While it lives, path (a file or folder) is immutable: no entry of a folder
// so marked, and no file so marked, can be renamed, also not by root.
class Immutable {
public:
    explicit Immutable(const QString& path) : path_(path) {
        marked_ = Run(QStringLiteral("chattr"), {QStringLiteral("+i"), path_}) == 0;
    }
    ~Immutable() {
        if (marked_) {
            Run(QStringLiteral("chattr"), {QStringLiteral("-i"), path_});
        }
    }
    Immutable(const Immutable&) = delete;
    Immutable& operator=(const Immutable&) = delete;
    bool marked() const { return marked_; }

private:
    QString path_;
    bool marked_ = false;
};

TEST(MarkDeletedOnCard, AFileThatCannotBeMarkedLeavesTheWholePair) {
    struct Case {
        const char* what;
        QString path;     // the path given, relative to the card
        QString refusing; // the folder or file that refuses a rename
    };
    const std::vector<Case> cases = {
        // Found before anything is renamed.
        {"rear folder read-only", "Normal/Front/" + kFront, "Normal/Rear"},
        {"front folder read-only", "Normal/Rear/" + kRear, "Normal/Front"},
        // Found only by the rename: the front placeholder is renamed back.
        {"rear file refuses the rename", "Normal/Front/" + kFront, "Normal/Rear/" + kRear},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir card;
        for (const QString& f : {"Normal/Front/" + kFront, "Normal/Rear/" + kRear}) {
            Put(card.path(), f, f.toUtf8());
        }
        const QStringList before = Tree(card.path());
        QString error;
        bool marked = true;
        {
            Immutable refusing(card.path() + u'/' + c.refusing);
            if (!refusing.marked()) {
                GTEST_SKIP() << "chattr +i is not available here (it needs root)";
            }
            marked = MarkDeletedOnCard(card.path() + u'/' + c.path, &error);
        }
        EXPECT_FALSE(marked);
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(Tree(card.path()), before) << error.toStdString();
        EXPECT_EQ(ReadAll(card.path() + "/Normal/Front/" + kFront), "Normal/Front/" + kFront);
    }
}

// Deletes a recording on a card volume of the given type.
void DeleteOnCardVolume(const char* type, bool hiddenAttribute) {
    Volume volume(type);
    if (!volume.mounted()) {
        GTEST_SKIP() << volume.reason();
    }
    const QString card = volume.root();
    const QString front = Put(card, "Normal/Front/" + kFront);
    const QString rear = Put(card, "Normal/Rear/" + kRear);
    const QString stray = Put(card, "Copies/" + kFront);
    ASSERT_TRUE(CardLayoutPresent(front));
    ASSERT_EQ(IsFatVolume(card), hiddenAttribute);

    EXPECT_TRUE(DeleteRecording(front, rear));
    EXPECT_FALSE(QFileInfo::exists(front));
    EXPECT_FALSE(QFileInfo::exists(rear));
    for (const QString& placeholder :
         {"Normal/Front/" + kFrontPlaceholder, "Normal/Rear/" + kRearPlaceholder}) {
        EXPECT_TRUE(Exists(card, placeholder)) << placeholder.toStdString();
        EXPECT_EQ(HasHiddenAttribute(card + u'/' + placeholder), hiddenAttribute);
    }
    // On a card, a recording outside the card folders is refused, not
    // reported as deleted, and never goes to the trash.
    EXPECT_FALSE(DeleteRecording(stray, {}));
    EXPECT_EQ(Tree(card), (QStringList{"Copies/" + kFront, "Normal/Front/" + kFrontPlaceholder,
                                       "Normal/Rear/" + kRearPlaceholder}));
}

TEST(DeleteRecording, OnACardTheRecordingBecomesPlaceholders) {
    DeleteOnCardVolume("tmpfs", false);
}

TEST(DeleteRecording, OnAFatCardThePlaceholdersAreHidden) {
    DeleteOnCardVolume("vfat", true);
}

// A trash of its own: HOME and XDG_DATA_HOME point into a temporary folder on
// the same volume as the files, so the user's trash is never touched.
class TrashTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedHome_ = qgetenv("HOME");
        savedData_ = qgetenv("XDG_DATA_HOME");
        hadData_ = qEnvironmentVariableIsSet("XDG_DATA_HOME");
        qputenv("HOME", dir_.path().toLocal8Bit());
        qputenv("XDG_DATA_HOME", (dir_.path() + "/share").toLocal8Bit());
        files_ = dir_.path() + "/files";
    }
    void TearDown() override {
        qputenv("HOME", savedHome_);
        if (hadData_) {
            qputenv("XDG_DATA_HOME", savedData_);
        } else {
            qunsetenv("XDG_DATA_HOME");
        }
    }
    QStringList Trashed() const { return Tree(dir_.path() + "/share/Trash/files"); }

    QTemporaryDir dir_;
    QString files_;
    QByteArray savedHome_, savedData_;
    bool hadData_ = false;
};

TEST_F(TrashTest, AwayFromACardRecordingsGoToTheTrash) {
    const QString name = QStringLiteral("A___-220820-153112-000046");
    struct Case {
        const char* what;
        QString front; // relative to files_, or empty
        QString rear;
        QStringList create;
        bool result;
        QStringList trashed;
        QStringList left;
    };
    const std::vector<Case> cases = {
        {"front and rear",
         "Front/" + kFront,
         "Rear/" + kRear,
         {"Front/" + kFront, "Rear/" + kRear},
         true,
         {kFront, kRear},
         {}},
        {"a front file that is no recording keeps its rear",
         "Front/drive.AVI",
         "Rear/" + kRear,
         {"Front/drive.AVI", "Rear/" + kRear},
         true,
         {"drive.AVI"},
         {"Rear/" + kRear}},
        {"only a rear file", {}, "Rear/" + kRear, {"Rear/" + kRear}, true, {kRear}, {}},
        {"files already gone", "Front/" + kFront, "Rear/" + kRear, {}, true, {}, {}},
        {"no paths", {}, {}, {"Rear/" + kRear}, false, {}, {"Rear/" + kRear}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(files_).removeRecursively();
        QDir(dir_.path() + "/share").removeRecursively();
        for (const QString& f : c.create) {
            Put(files_, f);
        }
        const QString front = c.front.isEmpty() ? QString() : files_ + u'/' + c.front;
        const QString rear = c.rear.isEmpty() ? QString() : files_ + u'/' + c.rear;
        EXPECT_EQ(DeleteRecording(front, rear), c.result);
        QStringList trashed = Trashed();
        trashed.sort();
        EXPECT_EQ(trashed, c.trashed);
        EXPECT_EQ(Tree(files_).filter(QStringLiteral(".AVI")), c.left);
    }
}

TEST_F(TrashTest, ARecordThatCannotBeWrittenKeepsTheFileWhereItWas) {
    // The trash's record of a file is written before the file moves; without
    // it the file could not be restored.
    struct Case {
        const char* what;
        bool diskFull;
    };
    for (const Case& c :
         {Case{"the disk is full", true}, Case{"the record folder is read-only", false}}) {
        SCOPED_TRACE(c.what);
        QDir(files_).removeRecursively();
        QDir(dir_.path() + "/share").removeRecursively();
        const QString front = Put(files_, "Front/" + kFront, "front");
        const QString rear = Put(files_, "Rear/" + kRear, "rear");
        const QString info = dir_.path() + "/share/Trash/info";
        ASSERT_TRUE(QDir().mkpath(info));
        ASSERT_TRUE(QDir().mkpath(dir_.path() + "/share/Trash/files"));
        DeleteOutcome outcome;
        bool deleted = true;
        if (c.diskFull) {
            faults::DiskFull full(0);
            ASSERT_TRUE(full.active());
            deleted = DeleteRecording(front, rear, {}, &outcome);
        } else {
            Immutable readOnly(info);
            if (!readOnly.marked()) {
                GTEST_SKIP() << "chattr +i is not available here (it needs root)";
            }
            deleted = DeleteRecording(front, rear, {}, &outcome);
        }
        EXPECT_FALSE(deleted);
        EXPECT_EQ(outcome.kind, DeleteKind::None);
        EXPECT_TRUE(
            outcome.error.contains(c.diskFull ? "File too large" : "Operation not permitted"))
            << outcome.error.toStdString();
        EXPECT_EQ(ReadAll(front), "front");
        EXPECT_EQ(ReadAll(rear), "rear");
        EXPECT_EQ(Trashed(), QStringList());
        EXPECT_EQ(Tree(info), QStringList());
    }
}

TEST_F(TrashTest, EveryTrashedFileHasItsRecord) {
    const QString front = Put(files_, "Front/" + kFront);
    const QString rear = Put(files_, "Rear/" + kRear);
    // A file of the same name is in the trash already: the second gets a name of its own.
    ASSERT_TRUE(DeleteRecording(front, {}));
    Put(files_, "Front/" + kFront);
    DeleteOutcome outcome;
    ASSERT_TRUE(DeleteRecording(front, rear, {}, &outcome)) << outcome.error.toStdString();
    EXPECT_EQ(outcome.kind, DeleteKind::Trash);
    const QString trash = dir_.path() + "/share/Trash";
    const QStringList trashed = Trashed();
    ASSERT_EQ(trashed.size(), 3) << trashed.join(' ').toStdString();
    for (const QString& name : trashed) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray record = ReadAll(trash + "/info/" + name + ".trashinfo");
        const QString original = name.startsWith(kRear) ? rear : front;
        EXPECT_TRUE(record.startsWith("[Trash Info]\nPath=" + QFile::encodeName(original) +
                                      "\nDeletionDate="))
            << record.toStdString();
    }
}

TEST_F(TrashTest, AnOpenedCardDecidesWhereItsVolumeRootDoesNot) {
    // A card folder that is not the root of its volume: opened as a card its
    // recordings become placeholders; the same files given without the card
    // (or from outside it) go to the trash.
    const QString card = files_ + "/CARD";
    struct Case {
        const char* what;
        QString cardRoot;
        bool placeholders;
    };
    const std::vector<Case> cases = {
        {"opened as the card", card, true},
        {"opened with a trailing separator", card + u'/', true},
        {"no card given", {}, false},
        {"another card", files_ + "/OTHER", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(files_).removeRecursively();
        QDir(dir_.path() + "/share").removeRecursively();
        Put(card, "Normal/Front/" + kFront);
        Put(card, "Normal/Rear/" + kRear);
        QDir().mkpath(files_ + "/OTHER/Normal/Front");
        EXPECT_TRUE(DeleteRecording(card + "/Normal/Front/" + kFront,
                                    card + "/Normal/Rear/" + kRear, c.cardRoot));
        EXPECT_EQ(Exists(card, "Normal/Front/" + kFrontPlaceholder), c.placeholders);
        EXPECT_EQ(Exists(card, "Normal/Rear/" + kRearPlaceholder), c.placeholders);
        EXPECT_EQ(Trashed().size(), c.placeholders ? 0 : 2);
    }
}

// Ten recordings in a folder; the worker deletes rows 3, 5 and 9.
class DeleteWorkerTest : public TrashTest {
protected:
    void SetUp() override {
        TrashTest::SetUp();
        for (int row = 0; row < 10; ++row) {
            RecordingEntry e;
            const QString stem = QStringLiteral("A___-220820-1530%1-0000%2")
                                     .arg(row, 2, 10, QLatin1Char('0'))
                                     .arg(row + 40, 2, 10, QLatin1Char('0'));
            e.frontPath = Put(files_, "Front/" + stem + "F.AVI");
            e.frontName = QFileInfo(e.frontPath).fileName();
            e.rearPath = Put(files_, "Rear/" + stem + "R.AVI");
            e.rearName = QFileInfo(e.rearPath).fileName();
            e.sequence = row;
            rows_.push_back(e);
        }
        jobs_ = {rows_[3], rows_[5], rows_[9]};
    }

    // The worker's calls, in order: "stop", "release <row>", "remove <row>",
    // "progress <done>/<total>".
    DeleteHooks LoggingHooks() {
        DeleteHooks hooks;
        hooks.releaseWait = std::chrono::milliseconds(0);
        hooks.stopPlayback = [this] { log_.push_back("stop"); };
        hooks.releasePlayer = [this] {
            // The player lets go before its recording's files are touched.
            const bool present = QFileInfo::exists(rows_[5].frontPath);
            log_.push_back(present ? "release 5" : "release after the files went");
        };
        hooks.removeRow = [this](const RecordingEntry& e) {
            log_.push_back("remove " + std::to_string(e.sequence));
        };
        return hooks;
    }
    OperationControl LoggingControl(std::atomic<bool>* running = nullptr) {
        OperationControl control;
        control.running = running;
        control.progress = [this](std::int64_t done, std::int64_t total) {
            progress_.emplace_back(done, total);
        };
        return control;
    }
    bool Deleted(int row) const {
        return !QFileInfo::exists(rows_[static_cast<std::size_t>(row)].frontPath) &&
               !QFileInfo::exists(rows_[static_cast<std::size_t>(row)].rearPath);
    }
    bool Intact(int row) const {
        return QFileInfo::exists(rows_[static_cast<std::size_t>(row)].frontPath) &&
               QFileInfo::exists(rows_[static_cast<std::size_t>(row)].rearPath);
    }

    RecordingList rows_;
    RecordingList jobs_;
    std::vector<std::string> log_;
    test::ProgressLog progress_;
};

TEST_F(DeleteWorkerTest, TheLastTickedRecordingGoesFirst) {
    DeleteHooks hooks = LoggingHooks();
    hooks.playerRowPath = rows_[5].frontPath;
    EXPECT_EQ(DeleteRecordings(jobs_, LoggingControl(), hooks), kOperationDone);
    EXPECT_EQ(log_,
              (std::vector<std::string>{"stop", "remove 9", "release 5", "remove 5", "remove 3"}));
    test::ExpectProgressRisesToFull(progress_, 3);
    for (int row = 0; row < 10; ++row) {
        EXPECT_EQ(Deleted(row), row == 3 || row == 5 || row == 9) << "row " << row;
    }
    EXPECT_EQ(Trashed().size(), 6);
}

TEST_F(DeleteWorkerTest, AFailureLeavesTheEntriesBeforeItAlone) {
    // Row 5's front file lies in a folder that refuses to give it up: one
    // marked immutable (for root, whom modes do not stop) or read-only.
    const QString locked = files_ + QStringLiteral("/locked");
    QDir().mkpath(locked);
    const QString moved = locked + u'/' + rows_[5].frontName;
    ASSERT_TRUE(QFile::rename(rows_[5].frontPath, moved));
    rows_[5].frontPath = moved;
    jobs_[1] = rows_[5];
    const auto open = QFile::permissions(locked);
    std::optional<Immutable> immutable;
    if (::geteuid() == 0) {
        immutable.emplace(locked);
        if (!immutable->marked()) {
            GTEST_SKIP() << "chattr +i is not available here";
        }
    } else {
        ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    }

    EXPECT_EQ(DeleteRecordings(jobs_, LoggingControl(), LoggingHooks()), kOperationFailed);
    immutable.reset();
    QFile::setPermissions(locked, open);
    EXPECT_EQ(log_, (std::vector<std::string>{"stop", "remove 9"}));
    EXPECT_LT(progress_.empty() ? 0 : progress_.back().first, 3) << "reported as all done";
    EXPECT_TRUE(Deleted(9));
    EXPECT_TRUE(Intact(5));
    EXPECT_TRUE(Intact(3));
}

TEST_F(DeleteWorkerTest, CancelStopsBeforeTheNextRecording) {
    std::atomic<bool> running{true};
    DeleteHooks hooks = LoggingHooks();
    hooks.removeRow = [this, &running](const RecordingEntry& e) {
        log_.push_back("remove " + std::to_string(e.sequence));
        running = false;
    };
    EXPECT_EQ(DeleteRecordings(jobs_, LoggingControl(&running), hooks), kOperationCancelled);
    EXPECT_EQ(log_, (std::vector<std::string>{"stop", "remove 9"}));
    EXPECT_LT(progress_.empty() ? 0 : progress_.back().first, 3) << "reported as all done";
    EXPECT_TRUE(Deleted(9));
    EXPECT_TRUE(Intact(5));
    EXPECT_TRUE(Intact(3));
}

TEST_F(DeleteWorkerTest, NothingTickedIsCancelled) {
    EXPECT_EQ(DeleteRecordings({}, LoggingControl(), LoggingHooks()), kOperationCancelled);
    EXPECT_TRUE(log_.empty());
}

} // namespace
} // namespace kv
