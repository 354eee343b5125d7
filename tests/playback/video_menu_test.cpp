#include "engine_context.h"
#include "movie_menu.h"
#include "tool_bar.h"
#include "ui_texts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>

#include <gtest/gtest.h>

#include <string>

namespace kv::playback {
namespace {

using engine::kClosed;
using engine::kPaused;
using engine::kPlaying;
using engine::kStopped;

// "38002 再生|38000|-|..." : ids, '-' for a separator, '!' after a greyed id,
// '*' after a checked one.
std::string Describe(const std::vector<VideoMenuItem>& items) {
    std::string out;
    for (const VideoMenuItem& item : items) {
        if (!out.empty()) {
            out += ' ';
        }
        if (item.separator()) {
            out += '-';
            continue;
        }
        out += std::to_string(item.id);
        if (!item.enabled) {
            out += '!';
        }
        if (item.checked) {
            out += '*';
        }
    }
    return out;
}

TEST(VideoMenu, ItemsOfEveryVariant) {
    struct Case {
        const char* what;
        VideoMenuInputs in;
        const char* items;
    };
    const Case cases[] = {
        {"closed: no menu", {kClosed}, ""},
        {"stopped, rear panel",
         {kStopped, false, 1, false, false, 0},
         "38002 - 38006 38013 - 38009 38015 - 38011"},
        {"stopped, front panel: mirror greyed",
         {kStopped, false, 1, false, true, 0},
         "38002 - 38006 38013 - 38009! 38015 - 38011"},
        {"playing at x1",
         {kPlaying, false, 1, false, false, 1},
         "38002 38000 38004 38003 - 38006 38013 - 38009 38015 - 38011"},
        {"playing at x2: fast forward greyed",
         {kPlaying, false, 1, false, false, 2},
         "38002 38000 38004! 38003 - 38006 38013 - 38009 38015 - 38011"},
        {"playing at -1: slow greyed",
         {kPlaying, false, 1, false, false, -1},
         "38002 38000 38004 38003! - 38006 38013 - 38009 38015 - 38011"},
        {"playing at -2",
         {kPlaying, false, 1, false, false, -2},
         "38002 38000 38004 38003! - 38006 38013 - 38009 38015 - 38011"},
        {"paused, mirrored rear",
         {kPaused, false, 1, true, false, 1},
         "38002 38000 - 38006 38013 - 38009* 38015 - 38011"},
        {"full screen stopped", {kStopped, true, 0, false, false, 1}, "38002 38200 - 38009 38015"},
        {"full screen playing",
         {kPlaying, true, 1, false, false, 1},
         "38002 38000 38004 38003 38200 - 38009 38015"},
        {"full screen paused, other aspect mode: no picture mode item",
         {kPaused, true, 2, false, false, 1},
         "38002 38000 - 38009 38015"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Describe(VideoMenuItems(c.in)), c.items) << c.what;
    }
}

TEST(VideoMenu, TextsFollowTheStateAndTheAspectMode) {
    auto text = [](const VideoMenuInputs& in, std::size_t position) {
        return VideoMenuItems(in).at(position).text;
    };
    EXPECT_EQ(text({kPlaying, false, 1, false, false, 1}, 0), QStringLiteral("一時停止"));
    EXPECT_EQ(text({kPaused, false, 1, false, false, 1}, 0), QStringLiteral("再生"));
    EXPECT_EQ(text({kPaused, false, 1, false, false, 1}, 1), QStringLiteral("停止"));
    // The picture mode item names the mode it switches to.
    EXPECT_EQ(text({kPlaying, true, 1, false, false, 1}, 4),
              QStringLiteral("フルスクリーン（ストレッチ）"));
    EXPECT_EQ(text({kStopped, true, 0, false, false, 1}, 1),
              QStringLiteral("フルスクリーン（縦横比を維持）"));
}

TEST(VideoMenu, OwnerDrawnSizes) {
    const std::vector<VideoMenuItem> items = VideoMenuItems({kPlaying, true, 1, true, false, 2});
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(13);
    CMovieMenu wide(items, true, UiScale(1.0, 1.0), font);
    EXPECT_EQ(wide.ItemSize(), QSize(220, 20));
    CMovieMenu narrow(items, false, UiScale(1.5, 1.0), font);
    EXPECT_EQ(narrow.ItemSize(), QSize(105, 30));
    // Every item is as high as measured; greyed and checked items keep their state.
    const QList<QAction*> actions = wide.actions();
    ASSERT_EQ(actions.size(), static_cast<qsizetype>(items.size()));
    wide.ensurePolished();
    wide.adjustSize();
    EXPECT_EQ(wide.actionGeometry(actions[0]).height(), 20);
    EXPECT_GE(wide.actionGeometry(actions[4]).width(), 220); // the long picture-mode text
    EXPECT_FALSE(actions[2]->isEnabled());                   // fast forward at x2
    EXPECT_TRUE(actions[6]->isChecked());                    // mirror
    EXPECT_EQ(actions[4]->data().toInt(), kPictureModeCommand);

    // A picture to look at.
    QDir dir(QCoreApplication::applicationDirPath());
    dir.cdUp();
    dir.mkpath(QStringLiteral("screenshots"));
    wide.popup(QPoint(10, 10));
    wide.setActiveAction(actions[3]);
    QApplication::processEvents();
    EXPECT_TRUE(wide.grab().save(dir.filePath(QStringLiteral("screenshots/video_menu_full.png"))));
    wide.hide();
    CMovieMenu normal(VideoMenuItems({kStopped, false, 1, false, true, 0}), false,
                      UiScale(1.0, 1.0), font);
    normal.popup(QPoint(10, 10));
    normal.setActiveAction(normal.actions()[0]);
    QApplication::processEvents();
    EXPECT_TRUE(normal.grab().save(dir.filePath(QStringLiteral("screenshots/video_menu.png"))));
    normal.hide();
}

// "0 1 2 ..." : indexes of the enabled buttons.
std::string Enabled(const ToolbarState& s) {
    std::string out;
    for (int i = 0; i < kToolButtons; ++i) {
        if (s.enabled[static_cast<std::size_t>(i)]) {
            out += (out.empty() ? "" : " ") + std::to_string(i);
        }
    }
    return out;
}

TEST(ToolBar, ButtonsByState) {
    struct Case {
        const char* what;
        ToolbarInputs in;
        const char* enabled;
    };
    const Case cases[] = {
        {"empty list: only browse",
         {true, 0, -1, kClosed, 1, false, false, SourceKind::Card, false},
         "11"},
        {"stopped, first of three, card",
         {true, 3, 0, kStopped, 1, true, true, SourceKind::Card, true},
         "2 5 6 7 8 9 10 11 12 13 14 15"},
        {"playing at x1, middle",
         {true, 3, 1, kPlaying, 1, true, true, SourceKind::Card, true},
         "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15"},
        {"playing at x4: no faster",
         {true, 3, 2, kPlaying, 4, true, false, SourceKind::Folder, false},
         "0 1 2 3 6 8 10 11 12 13 15"},
        {"playing at -2: no slower",
         {true, 1, 0, kPlaying, -2, true, true, SourceKind::File, false},
         "0 2 4 6 8 9 10 11 13 15"},
        {"paused, no telemetry",
         {true, 2, 1, kPaused, 1, false, false, SourceKind::Card, true},
         "0 1 7 10 11 12 13 14 15"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Enabled(RefreshToolbar(c.in, {})), c.enabled) << c.what;
    }
    // Before the browser's list exists nothing changes.
    ToolbarState before = DisableAll();
    before.enabled[3] = true;
    EXPECT_EQ(Enabled(RefreshToolbar({}, before)), "3");
    EXPECT_EQ(Enabled(DisableAll()), "");
    EXPECT_FALSE(DisableAll().captionsEnabled);
    EXPECT_EQ(Enabled(EnableAfterOpen(true)), "11 12");
    EXPECT_EQ(Enabled(EnableAfterOpen(false)), "11");
}

TEST(ToolBar, ImagesTooltipsAndIds) {
    const auto& buttons = ToolBarButtons();
    for (int i = 0; i < kToolButtons; ++i) {
        EXPECT_EQ(buttons[static_cast<std::size_t>(i)].id, kToolBarFirstId + i);
    }
    EXPECT_EQ(buttons[2].image, 148);
    EXPECT_EQ(Text(buttons[9].tooltip), QStringLiteral("正像/鏡像"));
    EXPECT_EQ(Text(buttons[10].tooltip), QStringLiteral("マップ表示切替"));
    EXPECT_EQ(buttons[15].image, 356);
}

} // namespace
} // namespace kv::playback
