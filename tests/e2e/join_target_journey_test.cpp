// A join aimed at the card itself: the user picks the card's own Normal/Front
// as the folder for the joined file. The viewer says why it cannot write
// there, asks nothing about replacing files, and every recording on the card
// stays byte for byte as it was.

#include "file_commands.h"
#include "journey.h"
#include "qt_printers.h"
#include "tool_bar.h"
#include "wait_for.h"

#include <QCryptographicHash>
#include <QDir>
#include <QMap>

namespace kv::e2e {
namespace {

QMap<QString, QByteArray> Digests(const QString& folder) {
    QMap<QString, QByteArray> out;
    for (const QString& relative : Journey::FilesUnder(folder)) {
        out.insert(relative, QCryptographicHash::hash(Journey::Contents(folder + u'/' + relative),
                                                      QCryptographicHash::Sha256));
    }
    return out;
}

class JoinTarget : public Journey {};

TEST_F(JoinTarget, TheCardsOwnFrontFolderIsRefusedAndTheCardStaysAsItWas) {
    const QString card = MakeCard(QStringLiteral("CARD"));
    ASSERT_FALSE(card.isEmpty());
    slot.roots = {card};
    ASSERT_NO_FATAL_FAILURE(StartViewer());
    ASSERT_TRUE(OpenAtStart());
    ASSERT_TRUE(WaitFor([&] { return C().Ready(); }));
    ASSERT_GE(host->List().size(), 3u);
    const QMap<QString, QByteArray> before = Digests(card);
    ASSERT_FALSE(before.isEmpty());

    out = card + QStringLiteral("/Normal/Front");
    dialogs->rowsToTick = {0, 1, 2};
    const std::size_t seen = dialogs->messages.size();
    ASSERT_NO_FATAL_FAILURE(Click(playback::kJoinButton));
    ASSERT_TRUE(WaitFor([&] { return dialogs->messages.size() > seen; }))
        << "the join never answered";
    ASSERT_TRUE(WaitFor([&] { return !host->Commands().OperationRunning() && C().Ready(); }));
    Shot(QStringLiteral("join-into-card-refused"));

    EXPECT_EQ(dialogs->selectionDialogs, 1);
    ASSERT_EQ(dialogs->messages.size(), seen + 1) << dialogs->Texts().join(u" | ").toStdString();
    const SeenMessage& refusal = dialogs->messages.back();
    EXPECT_EQ(refusal.caption, QStringLiteral("ERROR"));
    EXPECT_TRUE(refusal.text.contains(QStringLiteral("別のフォルダーを選択してください。")))
        << refusal.text.toStdString();
    EXPECT_TRUE(dialogs->Texts().filter(QStringLiteral("同名のファイル")).isEmpty())
        << "asked about replacing files";
    EXPECT_FALSE(dialogs->Saw(QStringLiteral("完了しました。")));
    EXPECT_EQ(Digests(card), before);
}

} // namespace
} // namespace kv::e2e
