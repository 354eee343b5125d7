// The card is pulled out while a recording plays: the viewer goes back to its
// empty state without a message or a crash, writes nothing, and opens the card
// again when it is put back.

#include "file_list_ctrl.h"
#include "folder_tree_ctrl.h"
#include "journey.h"
#include "qt_printers.h"
#include "skin_button.h"
#include "tool_bar.h"
#include "wait_for.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace kv::e2e {
namespace {

// Every file under folder with its size and modification time, but those
// under the folders left out.
QStringList Snapshot(const QString& folder, const QStringList& leftOut = {}) {
    QStringList lines;
    for (const QString& file : Journey::FilesUnder(folder)) {
        if (std::any_of(leftOut.begin(), leftOut.end(),
                        [&](const QString& f) { return file.startsWith(f + QLatin1Char('/')); })) {
            continue;
        }
        const QFileInfo info(QDir(folder).filePath(file));
        lines << QStringLiteral("%1 %2 %3")
                     .arg(file)
                     .arg(info.size())
                     .arg(info.lastModified().toMSecsSinceEpoch());
    }
    return lines;
}

class CardPulled : public Journey {};

TEST_F(CardPulled, WhilePlayingResetsTheViewerAndWritesNothing) {
    const QString card = MakeCard(QStringLiteral("CARD"));
    ASSERT_FALSE(card.isEmpty());
    slot.roots = {card};
    ASSERT_NO_FATAL_FAILURE(StartViewer());
    ASSERT_TRUE(OpenAtStart());
    ASSERT_TRUE(WaitFor([&] { return C().Ready(); }));
    ASSERT_NO_FATAL_FAILURE(Click(playback::kPlayButton));
    ASSERT_TRUE(WaitFor([&] { return Playing() && Frame(0) > 10; }));
    Shot(QStringLiteral("playing"));

    // What is on disk apart from the card, and the card itself, as they were.
    const QStringList cardFolders = {QStringLiteral("CARD"), QStringLiteral("pulled")};
    const QStringList outside = Snapshot(root.path(), cardFolders);
    const QStringList onCard = Snapshot(card);
    const QString pulled = root.path() + QStringLiteral("/pulled");
    ASSERT_TRUE(QDir().rename(card, pulled));
    slot.roots.clear();

    browser::CFolderTreeCtrl* tree = window->Browser()->tree();
    ASSERT_TRUE(WaitFor([&] { return tree->topLevelItemCount() == 0; }))
        << "the pulled card was not noticed";
    EXPECT_EQ(window->Engine(0).playState, engine::kClosed);
    EXPECT_EQ(window->Engine(1).playState, engine::kClosed);
    EXPECT_TRUE(host->List().empty());
    EXPECT_TRUE(ListedNames().isEmpty());
    EXPECT_FALSE(C().Ready());
    EXPECT_EQ(C().currentRecording, -1);
    for (int i = 0; i < playback::kToolButtons; ++i) {
        EXPECT_EQ(window->ToolButton(i)->isEnabled(), i == playback::kBrowseButton)
            << "tool button " << i;
    }
    // A while later: still alive, still empty, nothing asked, nothing written.
    RunEventsFor(1500);
    Shot(QStringLiteral("card-pulled"));
    EXPECT_TRUE(host->List().empty());
    EXPECT_TRUE(dialogs->messages.empty()) << dialogs->Texts().join(" | ").toStdString();
    EXPECT_EQ(Snapshot(root.path(), cardFolders), outside);
    EXPECT_EQ(Snapshot(pulled), onCard);

    // The card put back opens again.
    ASSERT_TRUE(QDir().rename(pulled, card));
    slot.roots = {card};
    ASSERT_TRUE(OpenAtStart());
    ASSERT_TRUE(WaitFor([&] { return C().Ready() && !host->List().empty(); }))
        << "the card put back did not open";
    ASSERT_NO_FATAL_FAILURE(Click(playback::kPlayButton));
    ASSERT_TRUE(WaitFor([&] { return Playing() && Frame(0) > 10; }));
    Shot(QStringLiteral("card-back"));
}

} // namespace
} // namespace kv::e2e
