// The selection rules: the 1500-entry cap, the rows a join lists, totals and
// limits, and how ticks in join mode stay one run.

#include "message_box.h"
#include "selection_rules.h"
#include "ui_texts.h"

#include <gtest/gtest.h>

#include <string>

namespace kv::browser {
namespace {

constexpr std::int64_t kMb = kBytesPerMegabyte;

RecordingEntry Entry(int n, std::int64_t front = 10 * kMb, std::int64_t rear = 8 * kMb,
                     bool damaged = false) {
    RecordingEntry e;
    e.frontName = QStringLiteral("AG__-220820-153012-%1F.AVI").arg(n, 6, 10, QChar(u'0'));
    e.frontPath = QStringLiteral("/card/Normal/Front/") + e.frontName;
    e.rearName = QStringLiteral("AG__-220820-153012-%1R.AVI").arg(n, 6, 10, QChar(u'0'));
    e.rearPath = QStringLiteral("/card/Normal/Rear/") + e.rearName;
    e.frontExpectedLength = front;
    e.rearExpectedLength = rear;
    e.frontDamaged = damaged ? 1 : 0;
    return e;
}

// Ticks as a string, "x" ticked and "." not, for readable expectations.
std::string Show(const std::vector<bool>& ticks) {
    std::string s;
    for (bool t : ticks) {
        s += t ? 'x' : '.';
    }
    return s;
}

std::vector<bool> Parse(const std::string& s) {
    std::vector<bool> ticks;
    for (char c : s) {
        ticks.push_back(c == 'x');
    }
    return ticks;
}

// Rows named by a pattern: "d" damaged (repaired), "u" damaged and unrepaired,
// anything else sound.
RecordingList Rows(const std::string& pattern) {
    RecordingList rows;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        RecordingEntry e =
            Entry(static_cast<int>(i), 10 * kMb, 10 * kMb, pattern[i] == 'd' || pattern[i] == 'u');
        e.frontUnrepaired = pattern[i] == 'u' ? 1 : 0;
        rows.push_back(e);
    }
    return rows;
}

struct TickCase {
    const char* what;
    std::string rows;   // see Rows
    std::string before; // ticks before the user's change
    int row;            // the row the user toggles
    std::string after;  // ticks after the rules
};

class JoinTickRules : public ::testing::TestWithParam<TickCase> {};

TEST_P(JoinTickRules, KeepTheTicksOneRun) {
    const TickCase& c = GetParam();
    const RecordingList rows = Rows(c.rows);
    std::vector<bool> ticks = Parse(c.before);
    const JoinRun before = FindJoinRun(rows, ticks);
    ticks[static_cast<std::size_t>(c.row)] = !ticks[static_cast<std::size_t>(c.row)];
    ApplyJoinTick(rows, ticks, before, c.row);
    EXPECT_EQ(Show(ticks), c.after) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JoinTickRules,
    ::testing::Values(
        TickCase{"first tick", "........", "........", 2, "..x....."},
        TickCase{"ticking a later row fills the gap", "........", "..x.....", 5, "..xxxx.."},
        TickCase{"unticking inside the run cuts it there", "........", "..xxxx..", 4, "..xx...."},
        TickCase{"ticking an earlier row grows the run backwards", "........", "....xx..", 1,
                 ".xxxxx.."},
        TickCase{"a damaged row cannot be ticked alone", "..d.....", "........", 2, "........"},
        TickCase{"a damaged row inside a growing run stays unticked", "...d....", "..x.....", 5,
                 "..x.xx.."},
        TickCase{"a damaged row before a backward growth stays unticked", ".d......", "....x...", 0,
                 "x.xxx..."},
        TickCase{"unticking the run's first row keeps the rest", "........", "..xxx...", 2,
                 "...xx..."},
        TickCase{"ticking a row after the run grows it", "........", "xx......", 6, "xxxxxxx."},
        TickCase{"unticking a row after the run unticks everything from it", "..d.....", "xx.xx...",
                 3, "xx......"},
        TickCase{"growing to the last row", "........", "x.......", 7, "xxxxxxxx"}),
    [](const ::testing::TestParamInfo<TickCase>& info) {
        return "Case" + std::to_string(info.index);
    });

TEST(JoinRun, StartsAtTheFirstTickedRepairedRowAndEndsAtAGapOrUnrepairedRow) {
    EXPECT_EQ(FindJoinRun(Rows("......"), Parse("......")), (JoinRun{-1, -1}));
    EXPECT_EQ(FindJoinRun(Rows("......"), Parse(".xxx..")), (JoinRun{1, 4}));
    EXPECT_EQ(FindJoinRun(Rows("..u..."), Parse(".xx...")), (JoinRun{1, 2}));
    // Ticked to the end: one past the last row that is not unrepaired.
    EXPECT_EQ(FindJoinRun(Rows("....u"), Parse("...xx")), (JoinRun{3, 4}));
    EXPECT_EQ(FindJoinRun(Rows("u...."), Parse("xxxxx")), (JoinRun{1, 5}));
}

TEST(JoinRows, ListOnlyAviRecordingsByTheirRowPath) {
    RecordingList source{Entry(1), Entry(2), Entry(3), Entry(4)};
    source[1].frontPath = QStringLiteral("/x/a.mp4");
    source[2].frontPath.clear();
    source[2].frontName.clear();
    source[2].rearPath = QStringLiteral("/x/b.avi"); // rear only, lower case
    source[3].frontPath = QStringLiteral("/x.AVI/c");
    const RecordingList join = SelectionRows(source, SelectMode::Join);
    ASSERT_EQ(join.size(), 2u);
    EXPECT_EQ(join[0].frontPath, source[0].frontPath);
    EXPECT_EQ(join[1].rearPath, source[2].rearPath);
    EXPECT_EQ(SelectionRows(source, SelectMode::Delete).size(), 4u);
}

struct LimitCase {
    const char* what;
    int files;
    std::int64_t frontEach;
    std::int64_t rearEach;
    bool okEnabled;
    bool frontTooBig, rearTooBig, frontTooMany, rearTooMany;
    UiText message; // ErrorCaption stands for no message
};

class JoinLimits : public ::testing::TestWithParam<LimitCase> {};

TEST_P(JoinLimits, FollowTheCountsAndSizesPerCamera) {
    const LimitCase& c = GetParam();
    RecordingList rows;
    for (int i = 0; i < c.files; ++i) {
        rows.push_back(Entry(i, c.frontEach, c.rearEach));
    }
    const SelectionVerdict v =
        JudgeTotals(TotalsOf(rows, std::vector<bool>(rows.size(), true)), SelectMode::Join);
    EXPECT_EQ(v.okEnabled, c.okEnabled) << c.what;
    EXPECT_EQ(v.frontTooBig, c.frontTooBig) << c.what;
    EXPECT_EQ(v.rearTooBig, c.rearTooBig) << c.what;
    EXPECT_EQ(v.frontTooMany, c.frontTooMany) << c.what;
    EXPECT_EQ(v.rearTooMany, c.rearTooMany) << c.what;
    const QString expected = c.message == UiText::ErrorCaption ? QString() : Text(c.message);
    EXPECT_EQ(JoinLimitMessage(v), expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JoinLimits,
    ::testing::Values(LimitCase{"one recording", 1, kMb, kMb, false, false, false, false, false,
                                UiText::ErrorCaption},
                      LimitCase{"two recordings", 2, kMb, kMb, true, false, false, false, false,
                                UiText::ErrorCaption},
                      LimitCase{"two rear files only", 2, 0, kMb, true, false, false, false, false,
                                UiText::ErrorCaption},
                      LimitCase{"100 files", 100, kMb, kMb, true, false, false, false, false,
                                UiText::ErrorCaption},
                      LimitCase{"101 front files", 101, kMb, 0, true, false, false, true, false,
                                UiText::TooManyFiles},
                      LimitCase{"1024 MB", 2, 512 * kMb, 0, true, false, false, false, false,
                                UiText::ErrorCaption},
                      LimitCase{"1024 MB and a part", 2, 512 * kMb + kMb / 4, 0, true, false, false,
                                false, false, UiText::ErrorCaption},
                      LimitCase{"1025 MB front", 5, 205 * kMb, 0, true, true, false, false, false,
                                UiText::SizeOver},
                      LimitCase{"1025 MB rear", 5, kMb, 205 * kMb, true, false, true, false, false,
                                UiText::SizeOver},
                      LimitCase{"size over wins over count", 101, 11 * kMb, 0, true, true, false,
                                true, false, UiText::SizeOver}),
    [](const ::testing::TestParamInfo<LimitCase>& info) {
        return "Case" + std::to_string(info.index);
    });

TEST(SelectAll, TicksEveryRowOfADeleteAndTheFirstSoundRunOfAJoin) {
    struct Case {
        const char* what;
        std::string rows; // see Rows
        SelectMode mode;
        bool on;
        std::string ticks;
    };
    for (const Case& c : {
             Case{"join: a damaged row ends the run", ".d..u.", SelectMode::Join, true, "x....."},
             Case{"join: leading damage is skipped", "d..u.", SelectMode::Join, true, ".xx.."},
             Case{"join: unrepaired damage ends it too", "..u.", SelectMode::Join, true, "xx.."},
             Case{"join: nothing sound", "du", SelectMode::Join, true, ".."},
             Case{"join: all sound", "...", SelectMode::Join, true, "xxx"},
             Case{"join: off unticks all", ".d.", SelectMode::Join, false, "..."},
             Case{"delete: damaged rows are ticked too", ".d.u", SelectMode::Delete, true, "xxxx"},
             Case{"delete: off", ".d", SelectMode::Delete, false, ".."},
         }) {
        EXPECT_EQ(Show(SelectAllTicks(Rows(c.rows), c.mode, c.on)), c.ticks) << c.what;
    }
    // A damaged rear camera counts as well.
    RecordingList rows = Rows("...");
    rows[1].rearDamaged = 1;
    EXPECT_EQ(Show(SelectAllTicks(rows, SelectMode::Join, true)), "x..");
}

TEST(DeleteTotals, SumBothCamerasOfTheTickedRows) {
    const RecordingList rows{Entry(1, 3 * kMb, 2 * kMb), Entry(2, 0, 0), Entry(3, 7 * kMb, kMb / 2),
                             Entry(4, 100 * kMb, 100 * kMb)};
    const SelectionVerdict v =
        JudgeTotals(TotalsOf(rows, {true, true, true, false}), SelectMode::Delete);
    EXPECT_EQ(v.frontMegabytes, 12); // (3 + 2 + 7 + 0.5) MB, cut to whole MB
    EXPECT_TRUE(v.okEnabled);
    EXPECT_FALSE(v.frontTooBig);
    // Only a recording whose lengths are both 0: nothing to delete.
    EXPECT_FALSE(
        JudgeTotals(TotalsOf(rows, {false, true, false, false}), SelectMode::Delete).okEnabled);
    const RecordingList picked = TickedEntries(rows, {false, true, false, true});
    ASSERT_EQ(picked.size(), 2u);
    EXPECT_EQ(picked[0].frontName, rows[1].frontName);
    EXPECT_EQ(picked[1].frontName, rows[3].frontName);
}

TEST(SelectionCap, KeepsTheFirst1500AndSaysSo) {
    ScriptedMessageSink messages;
    RecordingList list;
    for (int i = 0; i < kMaxSelectionEntries; ++i) {
        list.push_back(Entry(i));
    }
    EXPECT_EQ(CapSelectionSource(list, messages).size(), 1500u);
    EXPECT_TRUE(messages.messages.empty());

    list.push_back(Entry(9999));
    const RecordingList capped = CapSelectionSource(list, messages);
    ASSERT_EQ(capped.size(), 1500u);
    EXPECT_EQ(capped.back().frontName, list[1499].frontName);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text,
              QStringLiteral("表示数が1500を超えています。1500項目表示します。"));
    EXPECT_EQ(messages.messages[0].caption, QStringLiteral("ERROR"));
    EXPECT_EQ(messages.messages[0].style, 0);
}

} // namespace
} // namespace kv::browser
