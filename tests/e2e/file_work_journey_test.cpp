// The work around playback, one command after the other on the same card:
// the list exported as CSV, a still of both cameras, three recordings joined,
// one recording deleted on the card and one in a folder copied off it; then
// the card opened again shows the results.

#include "file_commands.h"
#include "file_list_ctrl.h"
#include "filer_container_dlg.h"
#include "folder_tree_ctrl.h"
#include "journey.h"
#include "outside_tool.h"
#include "qt_printers.h"
#include "tool_bar.h"
#include "wait_for.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

namespace kv::e2e {
namespace {

const QString kDone = QStringLiteral("完了しました。");
constexpr std::int64_t kStaysOpen = -1;
constexpr std::int64_t kNothingShown = -2;

int VideoFrames(const QString& path) {
    return RunOutsideTool(QStringLiteral("ffprobe"),
                          {"-v", "error", "-count_frames", "-select_streams", "v:0",
                           "-show_entries", "stream=nb_read_frames", "-of", "csv=p=0", path})
        .value_or(QStringLiteral("-1"))
        .toInt();
}

class FileWork : public Journey {
protected:
    // Clicks a tool button and waits for the end of its work: the completion
    // notice, or any other message.
    // comesBackAt: the frame the recording shown is opened at again after the
    // work (the engines close for it and open it again); kStaysOpen when they
    // stay open, kNothingShown when no row is shown after it.
    void RunCommand(int button, std::int64_t comesBackAt) {
        const std::size_t before = dialogs->messages.size();
        const std::int64_t at = comesBackAt == kStaysOpen ? Frame(0) : comesBackAt;
        const std::uint64_t opensBefore = window->Engine(0).opens.load();
        ASSERT_NO_FATAL_FAILURE(Click(button));
        ASSERT_TRUE(WaitFor([&] { return dialogs->messages.size() > before; }))
            << "tool button " << button << " never finished";
        EXPECT_EQ(dialogs->messages.back().text, kDone);
        EXPECT_EQ(dialogs->messages.back().caption, QStringLiteral("終了"));
        if (comesBackAt == kNothingShown) {
            ASSERT_TRUE(WaitFor([&] { return !host->Commands().OperationRunning(); }));
            return;
        }
        // The recording is open again once the engines were asked to open it
        // (for a command that closed them) and that open has completed.
        const bool reopens = comesBackAt != kStaysOpen;
        ASSERT_TRUE(WaitFor([&] {
            return (!reopens || window->Engine(0).opens.load() > opensBefore) && C().Ready() &&
                   !C().OpenBusy() && Frame(0) == at && !host->Commands().OperationRunning();
        })) << "the recording did not come back at frame "
            << at << " (at " << Frame(0) << ", opens " << opensBefore << " -> "
            << window->Engine(0).opens.load() << ")";
        if (!reopens) {
            EXPECT_EQ(window->Engine(0).opens.load(), opensBefore) << "the engines were reopened";
        }
    }
};

TEST_F(FileWork, CsvStillJoinAndDeletesShowOnTheCardOpenedAgain) {
    const QString card = MakeCard(QStringLiteral("CARD"));
    ASSERT_FALSE(card.isEmpty());
    const int recordings =
        static_cast<int>(QDir(card + "/Normal/Front").entryList({"*.AVI"}).size() +
                         QDir(card + "/Parking/Front").entryList({"*.AVI"}).size());
    slot.roots = {card};
    ASSERT_NO_FATAL_FAILURE(StartViewer());
    ASSERT_TRUE(OpenAtStart());
    ASSERT_TRUE(WaitFor([&] { return C().Ready(); }));
    const RecordingList first = host->List();
    ASSERT_GE(first.size(), 4u);

    // CSV of the whole card: a header and one row per recording, in Shift_JIS.
    ASSERT_NO_FATAL_FAILURE(RunCommand(playback::kCsvButton, Frame(0)));
    const QStringList csvFiles = QDir(out).entryList({"Dv_*.csv"}, QDir::Files);
    ASSERT_EQ(csvFiles.size(), 1) << FilesUnder(out).join(' ').toStdString();
    const std::optional<QString> csv = RunOutsideTool(
        "python3", {"-c",
                    "import csv,sys\n"
                    "rows=list(csv.reader(open(sys.argv[1],encoding='shift_jis',newline='')))\n"
                    "print(len(rows)-1)\n"
                    "print(rows[0][0])\n",
                    out + "/" + csvFiles[0]});
    ASSERT_TRUE(csv);
    const QStringList lines = csv->split('\n');
    ASSERT_EQ(lines.size(), 2) << csv->toStdString();
    EXPECT_EQ(lines[0].toInt(), recordings);
    EXPECT_EQ(lines[1], QStringLiteral("ファイル名"));
    Shot(QStringLiteral("csv-written"));

    // A still of both cameras at the frame shown.
    C().SeekTo(30);
    ASSERT_TRUE(WaitFor([&] { return Frame(0) == 30 && Frame(1) == 30; }))
        << "the still's frame was not reached";
    ASSERT_NO_FATAL_FAILURE(RunCommand(playback::kSnapshotButton, kStaysOpen));
    const QStringList stills = QDir(out).entryList({"*.jpg"}, QDir::Files, QDir::Name);
    ASSERT_EQ(stills.size(), 2) << stills.join(' ').toStdString();
    for (const QString& name : stills) {
        EXPECT_TRUE(name.endsWith(QStringLiteral("-000030.jpg"))) << name.toStdString();
        EXPECT_FALSE(QImage(out + "/" + name).isNull()) << name.toStdString();
    }

    // The first three recordings joined: one file per camera, every frame kept.
    dialogs->rowsToTick = {0, 1, 2};
    ASSERT_NO_FATAL_FAILURE(RunCommand(playback::kJoinButton, 0));
    EXPECT_EQ(dialogs->selectionDialogs, 1);
    const QString joinedFront = out + "/" + first[0].frontName;
    const QString joinedRear = out + "/" + first[0].rearName;
    ASSERT_TRUE(QFileInfo::exists(joinedFront)) << FilesUnder(out).join(' ').toStdString();
    ASSERT_TRUE(QFileInfo::exists(joinedRear));
    int sum = 0;
    for (int i = 0; i < 3; ++i) {
        sum += VideoFrames(first[static_cast<std::size_t>(i)].frontPath);
    }
    EXPECT_EQ(VideoFrames(joinedFront), sum);
    EXPECT_EQ(VideoFrames(joinedRear), sum);
    Shot(QStringLiteral("joined"));

    // The second recording deleted on the card: placeholders, nothing else touched.
    const QStringList cardBefore = FilesUnder(card);
    const RecordingEntry gone = first[1];
    dialogs->rowsToTick = {1};
    ASSERT_NO_FATAL_FAILURE(RunCommand(playback::kDeleteButton, 0));
    QStringList expected = cardBefore;
    for (const QString& path : {gone.frontPath, gone.rearPath}) {
        const QString relative = QDir(card).relativeFilePath(path);
        expected.removeAll(relative);
        expected << relative.left(relative.size() - 3) + QStringLiteral("DMY");
    }
    expected.sort();
    EXPECT_EQ(FilesUnder(card), expected);
    Shot(QStringLiteral("deleted-on-card"));

    // A folder copied off the card: its first recording goes to the trash.
    const QString copy = root.path() + QStringLiteral("/copy");
    QDir().mkpath(copy);
    for (const RecordingEntry& e : {first[2], first[3]}) {
        ASSERT_TRUE(QFile::copy(e.frontPath, copy + "/" + e.frontName));
        ASSERT_TRUE(QFile::copy(e.rearPath, copy + "/" + e.rearName));
    }
    host->OpenSource(copy, SourceKind::Folder);
    browser::CFolderTreeCtrl* tree = window->Browser()->tree();
    ASSERT_GT(tree->topLevelItemCount(), 0);
    ASSERT_GT(tree->topLevelItem(0)->childCount(), 0);
    tree->SelectItem(tree->topLevelItem(0)->child(0));
    ASSERT_TRUE(WaitFor([&] { return C().Ready(); }));
    ASSERT_EQ(ListedNames(), QStringList({first[2].frontName, first[3].frontName}));
    dialogs->rowsToTick = {0};
    ASSERT_NO_FATAL_FAILURE(RunCommand(playback::kDeleteButton, kNothingShown));
    EXPECT_EQ(FilesUnder(copy), QStringList({first[3].frontName, first[3].rearName}));
    // The folder read again: its group lists what is left.
    ASSERT_GT(tree->topLevelItemCount(), 0);
    ASSERT_GT(tree->topLevelItem(0)->childCount(), 0);
    tree->SelectItem(tree->topLevelItem(0)->child(0));
    const QString trash = root.path() + QStringLiteral("/share/Trash/files/");
    EXPECT_TRUE(QFileInfo::exists(trash + first[2].frontName));
    EXPECT_TRUE(QFileInfo::exists(trash + first[2].rearName));
    EXPECT_EQ(ListedNames(), QStringList({first[3].frontName}));

    // The card opened again: the deleted recording is gone from its list, the
    // one before it ends its group, and the work done is still in the folder.
    ASSERT_TRUE(OpenAtStart());
    ASSERT_TRUE(WaitFor([&] { return C().Ready(); }));
    EXPECT_EQ(ListedNames(), QStringList({first[0].frontName}));
    QStringList all;
    for (const RecordingEntry& e : window->Browser()->CollectAllRecordings()) {
        all << e.frontName;
    }
    EXPECT_EQ(all.size(), recordings - 1);
    EXPECT_FALSE(all.contains(gone.frontName));
    EXPECT_TRUE(all.contains(first[2].frontName)); // the copy's delete left the card alone
    EXPECT_EQ(QDir(out).entryList(QDir::Files).size(), 1 + 2 + 2);
    Shot(QStringLiteral("card-again"));
    EXPECT_EQ(dialogs->selectionDialogs, 3);
}

} // namespace
} // namespace kv::e2e
