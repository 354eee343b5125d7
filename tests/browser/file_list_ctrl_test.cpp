// The recording list: kind filters, row texts, row colours and the existence
// test for repaired copies, the selection hand-off, a list of 1000 rows, and a
// picture of the list over a whole tiny card (screenshots/ beside the tests).

#include "avi_bytes.h"
#include "cardmaker.h"
#include "catalogue.h"
#include "file_list_ctrl.h"
#include "recording_name.h"
#include "repair.h"
#include "screenshot_folder.h"
#include "ui_fonts.h"
#include "ui_texts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace kv::browser {
namespace {

// Switch bits of a filter, in button order.
constexpr int kC = 1 << kFilterContinuous;
constexpr int kI = 1 << kFilterImpact;
constexpr int kM = 1 << kFilterManual;
constexpr int kP = 1 << kFilterParking;
constexpr int kPI = 1 << kFilterParkingImpact;
constexpr int kD = 1 << kFilterApproaching;
constexpr int kAll = kC | kI | kM | kP | kPI | kD;

KindFilter FilterOf(int bits) {
    KindFilter filter{};
    for (int i = 0; i < kKindFilterCount; ++i) {
        filter[static_cast<std::size_t>(i)] = (bits >> i) & 1;
    }
    return filter;
}

QString Name(const char* kind, int number = 101, char camera = 'F') {
    return QStringLiteral("%1-261205-093000-%2%3.AVI")
        .arg(QLatin1String(kind))
        .arg(number, 6, 10, QLatin1Char('0'))
        .arg(QLatin1Char(camera));
}

RecordingEntry FrontEntry(const QString& name, const QString& folder = QStringLiteral("/card")) {
    RecordingEntry entry;
    entry.frontName = name;
    entry.frontPath = folder + QLatin1Char('/') + name;
    return entry;
}

RecordingEntry RearOnlyEntry(const QString& name) {
    RecordingEntry entry;
    entry.rearName = name;
    entry.rearPath = QStringLiteral("/card/Rear/") + name;
    return entry;
}

// ---------------------------------------------------------------------------
// Kind filters.

struct FilterCase {
    const char* kind; // the four leading characters of the row name
    int switches;
    bool shown;
};

class KindFilterTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(KindFilterTest, MostSpecificKindDecides) {
    const FilterCase& c = GetParam();
    EXPECT_EQ(PassesKindFilter(Name(c.kind), FilterOf(c.switches)), c.shown)
        << c.kind << " switches " << c.switches;
}

INSTANTIATE_TEST_SUITE_P(
    Names, KindFilterTest,
    ::testing::Values(
        // Continuous.
        FilterCase{"A___", kC, true}, FilterCase{"A___", kAll & ~kC, false},
        FilterCase{"T___", kC, true}, FilterCase{"A__S", kC, true},
        // Impact: not shown by the continuous switch although its letter is 'A'.
        FilterCase{"AG__", kC, false}, FilterCase{"AG__", kI, true}, FilterCase{"AG__", kP, false},
        FilterCase{"AG__", kPI, false}, FilterCase{"TG__", kI, true},
        // A time-lapse mark lets the parking switch show any A/T name.
        FilterCase{"AGT_", kP, true}, FilterCase{"A_T_", kP, true}, FilterCase{"A_T_", kC, true},
        FilterCase{"AMT_", kP, true}, FilterCase{"ADT_", kP, true},
        // Manual.
        FilterCase{"AM__", kM, true}, FilterCase{"AM__", kC, false},
        FilterCase{"AM__", kAll & ~kM, false},
        // Approaching vehicle.
        FilterCase{"AD__", kD, true}, FilterCase{"AD__", kC, false},
        FilterCase{"AD__", kAll & ~kD, false},
        // Parking.
        FilterCase{"P___", kP, true}, FilterCase{"P___", kPI, false},
        FilterCase{"P___", kAll & ~kP, false}, FilterCase{"P_T_", kP, true},
        // Parking impact: the parking switch does not show it.
        FilterCase{"PG__", kPI, true}, FilterCase{"PG__", kP, false}, FilterCase{"PG__", kI, false},
        FilterCase{"PGT_", kP, false}, FilterCase{"PGT_", kPI, true},
        // Parking manual: either switch.
        FilterCase{"PM__", kM, true}, FilterCase{"PM__", kP, true},
        FilterCase{"PM__", kAll & ~(kM | kP), false},
        // A parking name with 'D' is governed by parking alone.
        FilterCase{"PD__", kD, false}, FilterCase{"PD__", kP, true},
        // No mode letter.
        FilterCase{"__T_", kP, true}, FilterCase{"__T_", kAll & ~kP, false},
        FilterCase{"_M__", kM, true}, FilterCase{"_MT_", kP, true}, FilterCase{"_G__", kAll, false},
        // Everything off.
        FilterCase{"A___", 0, false}, FilterCase{"PG__", 0, false}, FilterCase{"AM__", 0, false}));

TEST(FilterEntries, KeepsOrderAndClassifiesRearOnlyEntriesByTheRearName) {
    const RecordingList all = {
        FrontEntry(Name("A___", 1)),         FrontEntry(Name("AG__", 2)),
        RearOnlyEntry(Name("PG__", 3, 'R')), FrontEntry(Name("P___", 4)),
        FrontEntry(Name("AM__", 5)),         RearOnlyEntry(Name("A___", 6, 'R')),
    };
    struct Case {
        int switches;
        std::vector<int> numbers;
    };
    const Case cases[] = {
        {kAll, {1, 2, 3, 4, 5, 6}}, {0, {}}, {kC, {1, 6}}, {kPI, {3}}, {kP | kM, {4, 5}},
        {kI | kPI, {2, 3}},
    };
    for (const Case& c : cases) {
        std::vector<int> numbers;
        for (const RecordingEntry& e : FilterEntries(all, FilterOf(c.switches))) {
            numbers.push_back(FileNumber(e.rowName()));
        }
        EXPECT_EQ(numbers, c.numbers) << "switches " << c.switches;
    }
}

// ---------------------------------------------------------------------------
// Row texts.

TEST(RowDisplayText, RecordingNamesAndOtherNames) {
    struct Case {
        const char* name;
        const char* text;
    };
    const Case cases[] = {
        {"AG_S-261205-093000-000101F.AVI", "AG_S-093000-000101"},
        {"P_T_-220820-235959-123456R.AVI", "P_T_-235959-123456"},
        // Not recording names: everything before the first '.'.
        {"holiday.trip.AVI", "holiday"},
        {"no_extension", "no_extension"},
        {".hidden", ""},
        // 'O' in the third place fails the name test.
        {"A_O_-261205-093000-000101F.AVI", "A_O_-261205-093000-000101F"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RowDisplayText(QString::fromUtf8(c.name)), QString::fromUtf8(c.text)) << c.name;
    }
}

// ---------------------------------------------------------------------------
// Row colours.

TEST(ColoursOfRow, PlayingImpactDamagedAndUnrepairedRows) {
    const QColor dark(35, 24, 21), white(255, 255, 255), black(0, 0, 0);
    const QColor yellow(255, 255, 0), green(0, 255, 0);
    struct Case {
        bool playing, impact, unrepaired, damaged;
        QColor background, text;
    };
    const Case cases[] = {
        {true, true, false, false, QColor(178, 178, 142), black},
        {true, false, false, false, QColor(178, 178, 178), black},
        {true, false, true, true, QColor(178, 178, 178), yellow},
        {true, true, false, true, QColor(178, 178, 142), green},
        {false, true, false, false, QColor(255, 255, 204), black},
        {false, true, true, true, QColor(191, 191, 153), yellow},
        {false, true, false, true, QColor(255, 255, 204), green},
        {false, false, false, false, dark, white},
        {false, false, false, true, dark, green},
        {false, false, true, true, dark, yellow},
    };
    for (const Case& c : cases) {
        const RowColours colours = ColoursOfRow(c.playing, c.impact, c.unrepaired, c.damaged);
        EXPECT_EQ(colours.background, c.background)
            << c.playing << c.impact << c.unrepaired << c.damaged;
        EXPECT_EQ(colours.text, c.text) << c.playing << c.impact << c.unrepaired << c.damaged;
    }
}

TEST(FileNoColumnWidth, FillsTheRowAndNeverGoesNegative) {
    EXPECT_EQ(FileNoColumnWidth(300, UiScale(1.0, 1.0)), 249);
    EXPECT_EQ(FileNoColumnWidth(300, UiScale(1.5, 1.0)), 224); // 51 × 1.5 = 76
    EXPECT_EQ(FileNoColumnWidth(40, UiScale(1.0, 1.0)), 0);
    EXPECT_EQ(FileNoColumnWidth(0, UiScale(1.0, 1.0)), 0);
}

// The repair folder lives in the temporary folder (there is no runtime
// folder); each test gets its own.
class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.isValid());
        saved_ = qgetenv("TMPDIR");
        savedRuntime_ = qgetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", temp_.path().toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", QByteArray());
        ASSERT_EQ(QDir(QDir::tempPath()).canonicalPath(), QDir(temp_.path()).canonicalPath());
    }
    void TearDown() override {
        qputenv("TMPDIR", saved_);
        qputenv("XDG_RUNTIME_DIR", savedRuntime_);
    }

    // A recording whose recorder lost power, in a card folder of this test.
    QString WriteDamaged(const QString& name) {
        test::AviSpec recipe;
        recipe.chunks = test::SimpleChunks(10, true);
        recipe.riffSize = 0;
        recipe.moviSize = 0;
        recipe.writeIndex = false;
        QDir().mkpath(temp_.path() + "/card");
        return test::WriteFile(temp_.path() + "/card", name, test::MakeAvi(recipe) + "00dc");
    }

    static void CreateRepairedCopy(const QString& path) {
        ASSERT_EQ(RepairFile(path, RepairedPath(path)), kOperationDone);
    }

    QTemporaryDir temp_;
    QByteArray saved_;
    QByteArray savedRuntime_;
};

using UnrepairedTest = TempFolderTest;

TEST_F(UnrepairedTest, DamagedFilesWithoutRepairedCopy) {
    RecordingEntry entry = FrontEntry(Name("A___"), QStringLiteral("/card/Normal/Front"));
    entry.rearName = Name("A___", 101, 'R');
    entry.rearPath = WriteDamaged(entry.rearName);
    entry.frontUnrepaired = 1; // stale values are recomputed
    entry.rearUnrepaired = 1;
    UpdateUnrepaired(entry);
    EXPECT_EQ(entry.frontUnrepaired, 0);
    EXPECT_EQ(entry.rearUnrepaired, 0);

    entry.frontDamaged = 1;
    entry.rearDamaged = 1;
    UpdateUnrepaired(entry);
    EXPECT_EQ(entry.frontUnrepaired, 1);
    EXPECT_EQ(entry.rearUnrepaired, 1);

    // A file under the copy's name that the repair did not make is no copy.
    ASSERT_EQ(CheckRepairFolder(true), QString());
    test::WriteFile(RepairFolder(), entry.rearName, "planted");
    UpdateUnrepaired(entry);
    EXPECT_EQ(entry.rearUnrepaired, 1);

    CreateRepairedCopy(entry.rearPath);
    UpdateUnrepaired(entry);
    EXPECT_EQ(entry.frontUnrepaired, 1);
    EXPECT_EQ(entry.rearUnrepaired, 0);

    // An undamaged file is never unrepaired, whatever the repair folder holds.
    entry.frontDamaged = 0;
    UpdateUnrepaired(entry);
    EXPECT_EQ(entry.frontUnrepaired, 0);
}

// ---------------------------------------------------------------------------
// The widget.

class ListFixture : public TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        fonts_ = UiFonts(QStringLiteral("Noto Sans CJK JP"), UiScale(1.0, 1.0), 96.0);
        list_.setFont(fonts_.pt13());
        list_.InitColumns();
        list_.resize(300, 200);
        list_.show();
        QApplication::processEvents();
    }

    void Fill(RecordingList entries, int switches = kAll) {
        list_.SetAllEntries(std::move(entries));
        list_.SetKindFilter(FilterOf(switches));
        list_.Refill();
        QApplication::processEvents();
    }

    QImage Picture() { return list_.viewport()->grab().toImage(); }

    // Whether a pixel of the row's text area has exactly this colour.
    bool RowHasColour(const QImage& picture, int row, const QColor& colour) {
        const int top = list_.rowViewportPosition(row);
        for (int y = top + 1; y < top + list_.rowHeight(row) - 1; ++y) {
            for (int x = 6; x < list_.columnWidth(0); ++x) {
                if (picture.pixelColor(x, y) == colour) {
                    return true;
                }
            }
        }
        return false;
    }

    UiFonts fonts_;
    CFileListCtrl list_;
};

using FileListCtrlTest = ListFixture;

TEST_F(FileListCtrlTest, ColumnsAndTexts) {
    EXPECT_EQ(list_.kindFilter(), KindFilter{}) << "all kinds off at creation";
    EXPECT_EQ(list_.currentIndex(), -1);
    Fill({FrontEntry(Name("AG_S", 7)), RearOnlyEntry(Name("P___", 8, 'R')),
          FrontEntry(QStringLiteral("AM__clip.avi"))});
    const QAbstractItemModel* model = list_.model();
    ASSERT_EQ(model->columnCount(), 2);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("ファイルNo."));
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("録画トリガー"));
    EXPECT_FALSE(list_.horizontalHeader()->isVisible());

    ASSERT_EQ(model->rowCount(), 3);
    EXPECT_EQ(model->data(model->index(0, 0)).toString(), QStringLiteral("AG_S-093000-000007"));
    EXPECT_EQ(model->data(model->index(1, 0)).toString(), QStringLiteral("P___-093000-000008"));
    EXPECT_EQ(model->data(model->index(2, 0)).toString(), QStringLiteral("AM__clip"));
    EXPECT_FALSE(model->data(model->index(0, 1)).isValid()) << "the trigger column stays empty";
    EXPECT_FALSE(model->data(model->index(3, 0)).isValid());

    // The file-number column fills the row; the other keeps a margin of 50.
    EXPECT_EQ(list_.columnWidth(0), list_.viewport()->width() - 51);
    EXPECT_EQ(list_.columnWidth(1), 50);
    EXPECT_EQ(list_.rowHeight(0), 20);
}

TEST_F(FileListCtrlTest, RefillFollowsTheSwitchesAndCountsRows) {
    RecordingList all;
    for (int i = 0; i < 12; ++i) {
        static const char* const kinds[] = {"A___", "AG__", "AM__", "P___", "PG__", "AD__"};
        all.push_back(FrontEntry(Name(kinds[i % 6], i + 1)));
    }
    list_.SetAllEntries(all);
    list_.Refill();
    EXPECT_EQ(list_.shownEntries().size(), 0u) << "nothing is shown before a switch is on";
    struct Case {
        int index;
        bool on;
        std::size_t count;
    };
    const Case steps[] = {{kFilterContinuous, true, 2},    {kFilterImpact, true, 4},
                          {kFilterParkingImpact, true, 6}, {kFilterApproaching, true, 8},
                          {kFilterManual, true, 10},       {kFilterParking, true, 12},
                          {kFilterContinuous, false, 10},  {kFilterImpact, false, 8}};
    for (const Case& s : steps) {
        list_.SetKindFilter(s.index, s.on);
        list_.Refill();
        EXPECT_EQ(list_.shownEntries().size(), s.count) << s.index << " " << s.on;
        EXPECT_EQ(list_.model()->rowCount(), static_cast<int>(s.count));
    }
    EXPECT_EQ(list_.allEntries().size(), 12u);
    list_.Clear();
    EXPECT_TRUE(list_.allEntries().empty());
    EXPECT_TRUE(list_.shownEntries().empty());
}

TEST_F(FileListCtrlTest, EmptyListKeepsADisabledScrollBar) {
    Fill({FrontEntry(Name("AG__"))}, 0);
    EXPECT_EQ(list_.model()->rowCount(), 0);
    EXPECT_TRUE(list_.verticalScrollBar()->isVisible());
    EXPECT_FALSE(list_.verticalScrollBar()->isEnabled());
    const QImage picture = Picture();
    EXPECT_EQ(picture.pixelColor(10, 10), kListBackground);
}

TEST_F(FileListCtrlTest, RowColoursOnScreen) {
    RecordingEntry damagedImpact = FrontEntry(Name("AG__", 3));
    damagedImpact.frontPath = WriteDamaged(damagedImpact.frontName);
    damagedImpact.frontDamaged = 1;
    Fill({FrontEntry(Name("A___", 1)), FrontEntry(Name("AG__", 2)), damagedImpact,
          FrontEntry(Name("A___", 4))});
    list_.SetCurrentIndex(3);
    QApplication::processEvents();
    QImage picture = Picture();
    const auto background = [&](int row) {
        return picture.pixelColor(list_.columnWidth(0) + 20, list_.rowViewportPosition(row) + 10);
    };
    EXPECT_EQ(background(0), kListBackground);
    EXPECT_EQ(background(1), QColor(255, 255, 204));
    EXPECT_EQ(background(2), QColor(191, 191, 153));
    EXPECT_EQ(background(3), QColor(178, 178, 178));
    EXPECT_TRUE(RowHasColour(picture, 0, QColor(255, 255, 255)));
    EXPECT_TRUE(RowHasColour(picture, 1, QColor(0, 0, 0)));
    EXPECT_TRUE(RowHasColour(picture, 2, QColor(255, 255, 0)));
    EXPECT_TRUE(RowHasColour(picture, 3, QColor(0, 0, 0)));
    EXPECT_EQ(list_.shownEntries()[2].frontUnrepaired, 1);

    // Rows share their grey border lines; the frame spans both columns.
    const int border = list_.rowViewportPosition(1);
    EXPECT_EQ(picture.pixelColor(30, border), kRowFrame);
    EXPECT_EQ(picture.pixelColor(0, border + 10), kRowFrame);
    EXPECT_EQ(picture.pixelColor(list_.columnWidth(0) + list_.columnWidth(1), border + 10),
              kRowFrame);

    // The repaired copy appears: green text at the next repaint, no reload.
    CreateRepairedCopy(damagedImpact.frontPath);
    list_.viewport()->repaint();
    picture = Picture();
    EXPECT_EQ(background(2), QColor(255, 255, 204));
    EXPECT_TRUE(RowHasColour(picture, 2, QColor(0, 255, 0)));
    EXPECT_FALSE(RowHasColour(picture, 2, QColor(255, 255, 0)));
    EXPECT_EQ(list_.shownEntries()[2].frontUnrepaired, 0);

    // The playing row of an impact recording.
    list_.SetCurrentIndex(1);
    list_.viewport()->repaint();
    picture = Picture();
    EXPECT_EQ(background(1), QColor(178, 178, 142));
    EXPECT_EQ(background(3), kListBackground);
}

TEST_F(FileListCtrlTest, SelectionIsHandedOver) {
    Fill({FrontEntry(Name("A___", 1)), FrontEntry(Name("A___", 2)), FrontEntry(Name("A___", 3))});
    std::vector<int> handed;
    QObject::connect(&list_, &CFileListCtrl::recordingSelected,
                     [&handed](int row) { handed.push_back(row); });

    list_.selectRow(1);
    EXPECT_EQ(handed, std::vector<int>{1});

    // A click on a row.
    const QPoint at(20, list_.rowViewportPosition(2) + 10);
    QMouseEvent press(QEvent::MouseButtonPress, at, list_.viewport()->mapToGlobal(at),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, list_.viewport()->mapToGlobal(at),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(list_.viewport(), &press);
    QApplication::sendEvent(list_.viewport(), &release);
    EXPECT_EQ(handed, (std::vector<int>{1, 2}));
    EXPECT_EQ(list_.selectionModel()->selectedRows().size(), 1) << "single selection";

    // Selecting the selected row again is no change; after a refill (a
    // switched filter) it is a new selection again.
    list_.selectRow(2);
    EXPECT_EQ(handed, (std::vector<int>{1, 2}));
    list_.Refill();
    list_.selectRow(2);
    EXPECT_EQ(handed, (std::vector<int>{1, 2, 2}));
}

TEST_F(FileListCtrlTest, ThousandRowsRefilledAndScrolled) {
    RecordingList all;
    for (int i = 0; i < 1000; ++i) {
        RecordingEntry entry = FrontEntry(Name(i % 2 == 0 ? "A___" : "AG__", i + 1));
        entry.frontDamaged = i % 7 == 0 ? 1 : 0;
        all.push_back(entry);
    }
    Fill(all);
    ASSERT_EQ(list_.model()->rowCount(), 1000);
    EXPECT_TRUE(list_.verticalScrollBar()->isEnabled());

    list_.scrollToBottom();
    QApplication::processEvents();
    const QImage picture = Picture();
    EXPECT_EQ(list_.rowAt(list_.viewport()->height() - 2), 999);
    // The last row (an impact recording, not damaged) is drawn.
    EXPECT_EQ(picture.pixelColor(list_.columnWidth(0) + 20, list_.rowViewportPosition(999) + 10),
              QColor(255, 255, 204));

    list_.SetKindFilter(kFilterImpact, false);
    list_.Refill();
    QApplication::processEvents();
    EXPECT_EQ(list_.model()->rowCount(), 500);
    EXPECT_EQ(list_.model()->data(list_.model()->index(499, 0)).toString(),
              QStringLiteral("A___-093000-000999"));
    list_.SetKindFilter(kFilterImpact, true);
    list_.Refill();
    EXPECT_EQ(list_.model()->rowCount(), 1000);
}

TEST_F(FileListCtrlTest, NarrowerThanTheMarginPaintsWithoutAColumn) {
    Fill({FrontEntry(Name("A___", 1))});
    list_.resize(40, 100);
    QApplication::processEvents();
    EXPECT_EQ(list_.columnWidth(0), 0);
    EXPECT_FALSE(Picture().isNull());
}

// ---------------------------------------------------------------------------
// A picture of the list over a whole tiny card, damaged recordings included.

using FileListScreenshot = ListFixture;

TEST_F(FileListScreenshot, TinyCard) {
    QTemporaryDir card;
    ASSERT_TRUE(card.isValid());
    cardmaker::CardOptions options = cardmaker::TinyCardOptions();
    options.damaged = true;
    options.jobs = 1;
    QString error;
    ASSERT_TRUE(cardmaker::WriteCard(options, card.path(), &error)) << error.toStdString();

    Catalogue catalogue;
    RecordingList entries;
    int files = 0;
    CollectAll(catalogue, card.path(), entries, files, 0);
    ASSERT_GT(entries.size(), 20u);
    Fill(entries);
    ASSERT_EQ(list_.shownEntries().size(), entries.size());

    // Play an impact recording; give one damaged recording its repaired copy.
    int damagedRows = 0;
    for (std::size_t i = 0; i < list_.shownEntries().size(); ++i) {
        const RecordingEntry& e = list_.shownEntries()[i];
        if (IsImpactRecording(e.rowName()) && list_.currentIndex() < 0) {
            list_.SetCurrentIndex(static_cast<int>(i));
        }
        if (e.frontDamaged == 1 && damagedRows++ == 0) {
            CreateRepairedCopy(e.frontPath);
            if (e.rearDamaged == 1) {
                CreateRepairedCopy(e.rearPath);
            }
        }
    }
    EXPECT_GE(list_.currentIndex(), 0);
    EXPECT_GE(damagedRows, 2);

    list_.resize(280, 20 * static_cast<int>(entries.size()) + 4);
    QApplication::processEvents();
    const QImage picture = list_.grab().toImage();
    const QString path =
        QDir(ScreenshotFolder()).filePath(QStringLiteral("file_list_tiny_card.png"));
    EXPECT_TRUE(picture.save(path)) << path.toStdString();
}

} // namespace
} // namespace kv::browser
