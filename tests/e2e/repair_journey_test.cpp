// A recording whose index was lost when the power failed: the viewer asks
// before repairing, plays the repaired copy, leaves the card's file as it was,
// and offers the repaired copies for saving when it closes.

#include "file_list_ctrl.h"
#include "folder_tree_ctrl.h"
#include "journey.h"
#include "qt_printers.h"
#include "repair.h"
#include "skin_slider.h"
#include "tool_bar.h"
#include "wait_for.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace kv::e2e {
namespace {

// The card maker's last drive ends with a recording cut by a power loss.
const QString kPowerLoss = QStringLiteral("A___-261205-200008-000126F.AVI");
const QString kPowerLossRear = QStringLiteral("A___-261205-200008-000126R.AVI");

class DamagedRecording : public Journey {
protected:
    // Starts the viewer on card, chooses the group of the last drive in the
    // tree and clicks the damaged row, answering "はい" to the repair
    // question; the repaired copy is then open.
    void RepairInTheViewer(const QString& card) {
        slot.roots = {card};
        ASSERT_NO_FATAL_FAILURE(StartViewer());
        ASSERT_TRUE(OpenAtStart());

        browser::CFolderTreeCtrl* tree = window->Browser()->tree();
        QTreeWidgetItem* normal = tree->currentItem() ? tree->currentItem()->parent() : nullptr;
        ASSERT_NE(normal, nullptr);
        int row = -1;
        for (int i = 0; i < normal->childCount() && row < 0; ++i) {
            tree->SelectItem(normal->child(i));
            row = static_cast<int>(ListedNames().indexOf(kPowerLoss));
        }
        ASSERT_GE(row, 0) << "no group lists " << kPowerLoss.toStdString();
        ASSERT_TRUE(WaitFor([&] { return C().Ready() || !dialogs->messages.empty(); }));
        const std::size_t before = dialogs->messages.size();
        Shot(QStringLiteral("damaged-group"));

        // The user clicks the damaged row and answers "はい".
        dialogs->answers = {1};
        browser::CFileListCtrl* list = window->RecordingListCtrl();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(row, 0)).center());
        ASSERT_TRUE(WaitFor([&] { return dialogs->messages.size() > before; }))
            << "no repair question";
        EXPECT_EQ(dialogs->messages[before].text,
                  QStringLiteral("ファイルが破損しています。修復して再生しますか？"));
        ASSERT_TRUE(WaitFor([&] { return C().Ready() && C().currentRecording == row; }))
            << "the repaired copy never opened";
    }
};

TEST_F(DamagedRecording, IsRepairedOnYesPlayedFromTheCopyAndOfferedForSavingAtTheEnd) {
    const QString card = MakeCard(QStringLiteral("CARD"), {QStringLiteral("--damaged")});
    ASSERT_FALSE(card.isEmpty());
    const QString front = card + QStringLiteral("/Normal/Front/") + kPowerLoss;
    const QString rear = card + QStringLiteral("/Normal/Rear/") + kPowerLossRear;
    const QByteArray frontBefore = Contents(front);
    const QByteArray rearBefore = Contents(rear);
    ASSERT_FALSE(frontBefore.isEmpty());
    ASSERT_NO_FATAL_FAILURE(RepairInTheViewer(card));
    EXPECT_EQ(window->Engine(0).lastLoadedPath, RepairedPath(front));
    EXPECT_TRUE(QFileInfo::exists(RepairedPath(front)));
    ASSERT_NO_FATAL_FAILURE(Click(playback::kPlayButton));
    ASSERT_TRUE(WaitFor([&] { return Frame(0) > 15; })) << "the repaired copy does not play";
    Shot(QStringLiteral("repaired-playing"));
    EXPECT_EQ(Contents(front), frontBefore) << "the card's recording was changed";
    EXPECT_EQ(Contents(rear), rearBefore) << "the card's recording was changed";

    // Closing: the repaired copies are offered; "はい" moves them to the folder chosen.
    dialogs->answers = {1};
    const std::size_t atClose = dialogs->messages.size();
    CloseViewer();
    ASSERT_TRUE(WaitFor([&] { return dialogs->messages.size() > atClose; }));
    EXPECT_EQ(
        dialogs->messages[atClose].text,
        QStringLiteral("破損が修復された一時ファイルがあります。消去の前に整理して保存しますか？"));
    for (const QString& name : {kPowerLoss, kPowerLossRear}) {
        EXPECT_TRUE(QFileInfo::exists(out + QLatin1Char('/') + name))
            << name.toStdString() << " not among " << FilesUnder(out).join(' ').toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(RepairFolder()));
    EXPECT_EQ(Contents(front), frontBefore);
}

TEST_F(DamagedRecording, ASavedCopyWhoseNameIsTakenGetsAFreeNameAndNothingIsLost) {
    const QString card = MakeCard(QStringLiteral("CARD"), {QStringLiteral("--damaged")});
    ASSERT_FALSE(card.isEmpty());
    const QString front = card + QStringLiteral("/Normal/Front/") + kPowerLoss;
    // The folder the user saves into holds a file of the front copy's name.
    const QString taken = out + QLatin1Char('/') + kPowerLoss;
    {
        QFile earlier(taken);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("saved before");
    }
    ASSERT_NO_FATAL_FAILURE(RepairInTheViewer(card));
    const QByteArray copy = Contents(RepairedPath(front));
    ASSERT_FALSE(copy.isEmpty());

    // Closing: "はい" to the offer, the folder chosen is out; the new name is reported.
    dialogs->answers = {1, 1};
    const std::size_t atClose = dialogs->messages.size();
    CloseViewer();
    const QString freeName =
        QString(kPowerLoss).replace(QStringLiteral(".AVI"), QStringLiteral(" (2).AVI"));
    ASSERT_TRUE(WaitFor([&] {
        for (std::size_t i = atClose; i < dialogs->messages.size(); ++i) {
            if (dialogs->messages[i].text.contains(freeName)) {
                return true;
            }
        }
        return false;
    })) << "no word of the new name; seen: "
        << dialogs->Texts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_EQ(Contents(taken), "saved before");
    EXPECT_EQ(Contents(out + QLatin1Char('/') + freeName), copy);
    EXPECT_TRUE(QFileInfo::exists(out + QLatin1Char('/') + kPowerLossRear))
        << FilesUnder(out).join(' ').toStdString();
    EXPECT_FALSE(QFileInfo::exists(RepairFolder()));
}

} // namespace
} // namespace kv::e2e
