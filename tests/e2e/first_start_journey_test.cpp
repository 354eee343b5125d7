// First start: no settings file anywhere and a card in the slot. The card
// opens at its first group, Play plays the first recording with the panel and
// the graph following the picture, and the end of a recording carries on into
// the next one and from the last one of the group into the next group.

#include "cardmaker.h"
#include "file_list_ctrl.h"
#include "folder_tree_ctrl.h"
#include "gsensor_dlg.h"
#include "info_dlg.h"
#include "journey.h"
#include "qt_printers.h"
#include "skin_button.h"
#include "skin_slider.h"
#include "tool_bar.h"
#include "wait_for.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include <cmath>

namespace kv::e2e {
namespace {

// The front files of the card's Normal folder in file-number order, cut into
// runs of consecutive numbers that start a drive ('S'): the groups a driver
// expects to see.
std::vector<QStringList> DriveGroups(const QString& card) {
    QStringList names = QDir(card + QStringLiteral("/Normal/Front")).entryList({"*.AVI"});
    const QRegularExpression number(QStringLiteral("-(\\d{6})F\\.AVI$"));
    std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
        return number.match(a).captured(1) < number.match(b).captured(1);
    });
    std::vector<QStringList> groups;
    int last = -2;
    for (const QString& name : names) {
        const int n = number.match(name).captured(1).toInt();
        if (groups.empty() || n != last + 1 || name.at(3) == QLatin1Char('S')) {
            groups.emplace_back();
        }
        groups.back() << name;
        last = n;
    }
    return groups;
}

// The telemetry the card maker wrote for the front file of that name.
std::vector<cardmaker::TelemetryScriptRecord> ScriptOf(const QString& frontName) {
    for (const cardmaker::CardRecording& r : cardmaker::PlanCard(cardmaker::TinyCardOptions())) {
        if (QFileInfo(r.FrontPath()).fileName() == frontName) {
            return cardmaker::TelemetryScript(r.front);
        }
    }
    return {};
}

class FirstStart : public Journey {};

TEST_F(FirstStart, TheCardOpensAtItsFirstGroupAndPlaysOnIntoTheNextGroup) {
    const QString card = MakeCard(QStringLiteral("CARD"));
    ASSERT_FALSE(card.isEmpty());
    const std::vector<QStringList> groups = DriveGroups(card);
    ASSERT_GE(groups.size(), 2u);
    ASSERT_GE(groups[0].size(), 2);
    slot.roots = {card};

    ASSERT_NO_FATAL_FAILURE(StartViewer());
    ASSERT_TRUE(OpenAtStart()) << "the card in the slot was not opened";
    browser::CFolderTreeCtrl* tree = window->Browser()->tree();
    QTreeWidgetItem* group = tree->currentItem();
    ASSERT_NE(group, nullptr);
    ASSERT_NE(group->parent(), nullptr);
    EXPECT_EQ(group->parent()->text(0), QStringLiteral("Normal"));
    EXPECT_EQ(ListedNames(), groups[0]);
    EXPECT_EQ(window->Browser()->CountText(), QStringLiteral("%1個").arg(groups[0].size()));
    ASSERT_TRUE(WaitFor([&] { return C().Ready(); })) << "the first recording never opened";
    EXPECT_EQ(window->RecordingListCtrl()->currentIndex(), 0);
    EXPECT_FALSE(Playing());
    Shot(QStringLiteral("card-opened"));

    // Play.
    ASSERT_NO_FATAL_FAILURE(Click(playback::kPlayButton));
    ASSERT_TRUE(WaitFor([&] { return Playing(); }));
    EXPECT_EQ(window->ToolButton(playback::kPlayButton)->toolTip(), QStringLiteral("一時停止"));
    ASSERT_TRUE(WaitFor([&] { return Frame(0) > 20 && Frame(1) > 20; }))
        << "the pictures do not move";
    Shot(QStringLiteral("playing"));

    // Paused, the panel and the graph show the frame of the picture, with the
    // accelerations the recorder wrote for that moment: one record per 100 ms
    // (three frames), the record of the frame's time or, on the frame where a
    // record starts, the one before (the index moves one record per frame).
    // The picture of the frame the clock stopped at may still be on its way
    // when the pause takes effect: the frame is the one they all settle on.
    ASSERT_NO_FATAL_FAILURE(Click(playback::kPlayButton));
    ASSERT_TRUE(WaitFor([&] { return !Playing(); }));
    ASSERT_TRUE(WaitFor([&] {
        const std::int64_t picture = Frame(0);
        return window->Info()->state().frameIndex == picture &&
               window->Graph()->framePosition() == picture &&
               window->PositionSlider()->position() == picture;
    })) << "panel at "
        << window->Info()->state().frameIndex << ", graph at " << window->Graph()->framePosition()
        << ", picture at " << Frame(0) << ", clock at "
        << window->Ops().CurrentFrame(window->Engine(0));
    const std::int64_t frame = Frame(0);
    const auto script = ScriptOf(groups[0][0]);
    const auto showsRecordOf = [&](std::int64_t f) {
        const views::InfoState& shown = window->Info()->state();
        for (std::int64_t k = std::max<std::int64_t>(0, f / 3 - 1); k <= f / 3; ++k) {
            if (k >= static_cast<std::int64_t>(script.size())) {
                break;
            }
            const cardmaker::TelemetryScriptRecord& r = script[static_cast<std::size_t>(k)];
            if (std::fabs(shown.accelX - r.accelX / 1000.0) < 1e-6 &&
                std::fabs(shown.accelY - r.accelY / 1000.0) < 1e-6 &&
                std::fabs(shown.accelZ - r.accelZ / 1000.0) < 1e-6) {
                return true;
            }
        }
        return false;
    };
    ASSERT_FALSE(script.empty());
    EXPECT_TRUE(showsRecordOf(frame)) << "paused at frame " << frame;
    // The same rule at frames sought to while paused, around record boundaries.
    for (const std::int64_t f : {1, 2, 3, 4, 29, 30, 31, 59, 60, 61}) {
        C().SeekTo(static_cast<int>(f));
        ASSERT_TRUE(WaitFor([&] {
            return Frame(0) == f && window->Info()->state().frameIndex == f &&
                   window->Graph()->framePosition() == f;
        })) << "seek to "
            << f;
        EXPECT_TRUE(showsRecordOf(f))
            << "frame " << f << " shows " << window->Info()->state().accelX;
    }
    const int cursor = window->Graph()->CursorColumn();
    Shot(QStringLiteral("paused"));

    // Near the end: the next recording follows by itself, and the list and the
    // graph go with it.
    ASSERT_NO_FATAL_FAILURE(Click(playback::kPlayButton));
    ASSERT_TRUE(WaitFor([&] { return Playing(); }));
    C().SeekTo(window->PositionSlider()->maximum() - 10);
    ASSERT_TRUE(WaitFor([&] { return C().currentRecording == 1 && C().Ready() && Playing(); }))
        << "the next recording did not follow";
    EXPECT_EQ(window->RecordingListCtrl()->currentIndex(), 1);
    EXPECT_EQ(QFileInfo(window->Engine(0).lastLoadedPath).fileName(), groups[0][1]);
    ASSERT_TRUE(WaitFor([&] { return window->Graph()->CursorColumn() != cursor; }));
    Shot(QStringLiteral("next-recording"));

    // The last row of the group, clicked in the list, then played to its end:
    // the next group is selected, listed and played.
    const int last = static_cast<int>(groups[0].size()) - 1;
    browser::CFileListCtrl* list = window->RecordingListCtrl();
    const QRect row = list->visualRect(list->model()->index(last, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
    ASSERT_TRUE(WaitFor([&] { return C().currentRecording == last && C().Ready(); }))
        << "clicking the last row did not open it";
    if (!Playing()) {
        ASSERT_NO_FATAL_FAILURE(Click(playback::kPlayButton));
    }
    ASSERT_TRUE(WaitFor([&] { return Playing(); }));
    C().SeekTo(window->PositionSlider()->maximum() - 10);
    ASSERT_TRUE(WaitFor([&] {
        return tree->currentItem() != group && C().currentRecording == 0 && C().Ready();
    })) << "the next group did not follow";
    EXPECT_EQ(tree->currentItem()->parent(), group->parent());
    EXPECT_EQ(ListedNames(), groups[1]);
    EXPECT_EQ(window->Browser()->CountText(), QStringLiteral("%1個").arg(groups[1].size()));
    ASSERT_TRUE(WaitFor([&] { return Playing(); })) << "the next group did not play on";
    Shot(QStringLiteral("next-group"));

    // Closing writes the settings into the configuration folder only.
    CloseViewer();
    EXPECT_TRUE(QFileInfo::exists(configFolder + QStringLiteral("/Default_Folder.ini")));
    EXPECT_TRUE(FilesUnder(startFolder).isEmpty());
    EXPECT_TRUE(dialogs->messages.empty()) << dialogs->Texts().join(" | ").toStdString();
}

} // namespace
} // namespace kv::e2e
