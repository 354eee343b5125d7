// The file browser pane: which source opens at start, the recorder's
// configuration file, a card scanned into folders and groups, the kind
// filters and the count, and the watcher noticing a source that went away.

#include "cardmaker.h"
#include "file_list_ctrl.h"
#include "filer_container_dlg.h"
#include "folder_tree_ctrl.h"
#include "movie_resource.h"
#include "recorder_config.h"
#include "recording_name.h"
#include "screenshot_folder.h"
#include "settings_keys.h"
#include "settings_store.h"
#include "skin_button.h"
#include "source_choice.h"
#include "source_volumes.h"
#include "wait_for.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace kv::browser {
namespace {

// Counts the emissions of a signal.
struct Spy {
    template <typename Object, typename Signal> Spy(Object* object, Signal signal) {
        QObject::connect(object, signal, &context, [this] { ++n; });
    }
    int count() const { return n; }
    void clear() { n = 0; }
    QObject context;
    int n = 0;
};

// ---------------------------------------------------------------------------
// The source at start.

TEST(DefaultSourceTest, ACardComesFirstThenTheFolderThenTheFile) {
    const QString file = QStringLiteral("/saved/A__S-220820-153012-000045F.AVI");
    const std::set<QString> existing{QStringLiteral("/media/u/CARD1"),
                                     QStringLiteral("/media/u/CARD2"), QStringLiteral("/saved"),
                                     file, QStringLiteral("/saved/notes.avi")};
    const auto exists = [&](const QString& p) { return existing.count(p) > 0; };
    struct Case {
        const char* what;
        std::vector<QString> roots;
        QString folder;
        QString file;
        SourceChoice expected;
    };
    const std::vector<Case> cases = {
        {"two cards: the later one",
         {QStringLiteral("/media/u/CARD1"), QStringLiteral("/media/u/CARD2")},
         QStringLiteral("/saved"),
         file,
         {SourceKind::Card, QStringLiteral("/media/u/CARD2")}},
        {"a reader without a card is passed over",
         {QStringLiteral("/media/u/CARD1"), QStringLiteral("/media/u/EMPTY")},
         {},
         {},
         {SourceKind::Card, QStringLiteral("/media/u/CARD1")}},
        {"no card: the folder", {}, QStringLiteral("/saved"), file, {SourceKind::Folder, "/saved"}},
        {"the folder is gone: the file",
         {},
         QStringLiteral("/gone"),
         file,
         {SourceKind::File, file}},
        {"a file not named like a recording is ignored",
         {},
         {},
         QStringLiteral("/saved/notes.avi"),
         {}},
        {"nothing saved and no card", {QStringLiteral("/media/u/EMPTY")}, {}, {}, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChooseDefaultSource(c.roots, c.folder, c.file, exists), c.expected) << c.what;
    }
}

TEST(DefaultSourceTest, CardCapacityChoosesTheGroupSize) {
    const std::pair<std::int64_t, int> cases[] = {
        {8'000'000'000LL, 200},   {36'000'000'000LL, 200}, {36'000'000'001LL, 100},
        {108'000'000'000LL, 100}, {108'000'000'001LL, 50}, {512'000'000'000LL, 50},
    };
    for (const auto& [bytes, size] : cases) {
        EXPECT_EQ(GroupSizeForCapacity(bytes), size) << bytes;
    }
}

TEST(DefaultSourceTest, GroupFolderAndLabelTextsAreFoundAnywhereInTheText) {
    EXPECT_TRUE(IsGroupParentText(u"Normal"));
    EXPECT_TRUE(IsGroupParentText(u"my Parking copy"));
    EXPECT_FALSE(IsGroupParentText(u"normal"));
    EXPECT_TRUE(IsGroupLabelText(u"220820_0001"));
    EXPECT_TRUE(IsGroupLabelText(u"x2208201_00012"));
    EXPECT_FALSE(IsGroupLabelText(u"22082_0001"));
    EXPECT_EQ(WithoutTrailingSeparator(QStringLiteral("/media/card/")), "/media/card");
    EXPECT_EQ(WithoutTrailingSeparator(QStringLiteral("/")), "/");
}

// ---------------------------------------------------------------------------
// The recorder's configuration file.

QByteArray ConfigBytes(int size, const QByteArray& model, const QByteArray& version,
                       const QByteArray& number) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < model.size() && 48 + i < size; ++i) {
        bytes[48 + i] = model[i];
    }
    for (int i = 0; i < 6 && 56 + i < size; ++i) {
        bytes[56 + i] = version[i];
    }
    for (int i = 0; i < 6 && 62 + i < size; ++i) {
        bytes[62 + i] = number[i];
    }
    return bytes;
}

TEST(RecorderConfigTest, FieldsAreReadFromTheirOffsets) {
    struct Case {
        QByteArray bytes;
        std::optional<RecorderConfig> expected;
    };
    const std::vector<Case> cases = {
        {ConfigBytes(67, "4620-KTR", "010203", "211015"), std::nullopt},
        {ConfigBytes(68, "4620-KTR", "010203", "211015"),
         RecorderConfig{"1.2.3", "211015", {}, "4620-KTR"}},
        {ConfigBytes(128, "KV", "120009", "      "), RecorderConfig{"12.0.9", {}, {}, "KV"}},
        {ConfigBytes(68, "KV-DR01", "0x0203", "000123"),
         RecorderConfig{"0.2.3", "000123", {}, "KV-DR01"}},
        {ConfigBytes(68, "KV-DR01", "010203", "  4567"),
         RecorderConfig{"1.2.3", "004567", {}, "KV-DR01"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseRecorderConfig(c.bytes), c.expected) << c.bytes.toHex().toStdString();
    }
}

// ---------------------------------------------------------------------------
// A small card: two drives and a parking session.

QString WriteTiny(const QString& folder, const QString& name) {
    QDir().mkpath(folder);
    cardmaker::RecordingSpec recipe;
    recipe.fileName = name;
    recipe.width = 160;
    recipe.height = 96;
    recipe.seconds = 0.5;
    const QString path = folder + "/" + name;
    QString error;
    EXPECT_TRUE(cardmaker::WriteRecording(recipe, path, &error)) << error.toStdString();
    return path;
}

void WritePair(const QString& card, const QString& group, const QString& stem) {
    WriteTiny(card + "/" + group + "/Front", stem + "F.AVI");
    WriteTiny(card + "/" + group + "/Rear", stem + "R.AVI");
}

class StubVolumes final : public VolumeLister {
public:
    std::vector<QString> RemovableRoots() const override { return roots; }
    std::vector<QString> roots;
};

class FilerContainerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        cardDir = new QTemporaryDir();
        const QString card = cardDir->path() + "/CARD";
        // Drive one: a start, a continuation and an impact in the same drive.
        WritePair(card, "Normal", "A__S-220820-090000-000001");
        WritePair(card, "Normal", "A___-220820-090100-000002");
        WritePair(card, "Normal", "AG__-220820-090200-000003");
        // Drive two starts after a gap in the numbers.
        WritePair(card, "Normal", "A__S-220820-120000-000005");
        // Parking: a recording and a parking impact.
        WritePair(card, "Parking", "P__S-220820-200000-000006");
        WritePair(card, "Parking", "PG__-220820-200100-000007");
        QFile config(card + "/DRFormatConfig.dfc");
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write(ConfigBytes(128, "4620-KTR", "010203", "211015"));
    }
    static void TearDownTestSuite() {
        delete cardDir;
        cardDir = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(settingsDir.isValid());
        store = LocateSettings(settingsDir.path(), QString());
        browser = std::make_unique<CFilerContainerDlg>(UiScale(), fonts, store);
        browser->SetVolumeLister(&volumes);
        browser->resize(452, 620);
    }
    QString Card() const { return cardDir->path() + "/CARD"; }
    QStringList RowNames() const {
        QStringList names;
        for (const RecordingEntry& e : browser->list()->shownEntries()) {
            names << e.frontName.left(4);
        }
        return names;
    }

    static QTemporaryDir* cardDir;
    QTemporaryDir settingsDir;
    SettingsStore store;
    UiFonts fonts = UiFonts::ForWidget(nullptr, UiScale());
    StubVolumes volumes;
    std::unique_ptr<CFilerContainerDlg> browser;
};

QTemporaryDir* FilerContainerTest::cardDir = nullptr;

TEST_F(FilerContainerTest, ACardOpensWithItsGroupsAndTheFirstGroupListed) {
    Spy selections(browser.get(), &CFilerContainerDlg::folderSelected);
    browser->OpenSource(Card(), SourceKind::Card);
    CFolderTreeCtrl* tree = browser->tree();
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    QTreeWidgetItem* normal = tree->topLevelItem(0);
    QTreeWidgetItem* parking = tree->topLevelItem(1);
    EXPECT_EQ(normal->text(0), "Normal");
    EXPECT_EQ(parking->text(0), "Parking");
    ASSERT_EQ(normal->childCount(), 2);
    EXPECT_EQ(normal->child(0)->text(0), "220820_0001");
    EXPECT_EQ(normal->child(1)->text(0), "220820_0002");
    // The kind marks of a group: the impact shows in the first drive only.
    EXPECT_EQ(CFolderTreeCtrl::KindMaskOf(normal->child(0)), kKindContinuous | kKindImpact);
    EXPECT_EQ(CFolderTreeCtrl::KindMaskOf(normal->child(1)), kKindContinuous);
    ASSERT_EQ(parking->childCount(), 1);
    EXPECT_EQ(CFolderTreeCtrl::KindMaskOf(parking->child(0)), kKindParking | kKindParkingImpact);
    // Every top-level folder was selected once, ending on the first.
    EXPECT_GE(selections.count(), 2);
    EXPECT_EQ(tree->currentItem(), normal);
    EXPECT_EQ(browser->recorder(), (RecorderConfig{"1.2.3", "211015", {}, "4620-KTR"}));

    ASSERT_TRUE(browser->SelectDefaultFolder());
    EXPECT_EQ(tree->currentItem(), normal->child(0));
    EXPECT_EQ(browser->pathEdit()->text(), Card() + "/Normal/220820_0001");
    EXPECT_EQ(browser->LoadFolder(normal->child(0)), 3);
    EXPECT_EQ(RowNames(), (QStringList{"A__S", "A___", "AG__"}));
    EXPECT_EQ(browser->CountText(), QStringLiteral("3個"));
    EXPECT_EQ(browser->LoadFolder(parking->child(0)), 2);
    EXPECT_EQ(browser->SourceFolder(), Card());

    // Every recording of the card, whatever the tree shows.
    EXPECT_EQ(browser->CollectAllRecordings().size(), 6u);
}

TEST_F(FilerContainerTest, KindFiltersRefillTheListAndSelectRowZeroAgain) {
    browser->OpenSource(Card(), SourceKind::Card);
    browser->SelectDefaultFolder();
    browser->LoadFolder(browser->tree()->currentItem());
    Spy selected(browser->list(), &CFileListCtrl::recordingSelected);
    Spy refilled(browser.get(), &CFilerContainerDlg::listRefilled);
    browser->SelectRow(0);
    ASSERT_EQ(selected.count(), 1);
    EXPECT_FALSE(browser->TakeFilterChanged());

    struct Step {
        int filter;
        bool on;
        QStringList rows;
    };
    const std::vector<Step> steps = {
        {kFilterImpact, false, {"A__S", "A___"}},
        {kFilterContinuous, false, {}},
        {kFilterImpact, true, {"AG__"}},
        {kFilterContinuous, true, {"A__S", "A___", "AG__"}},
    };
    for (const Step& s : steps) {
        selected.clear();
        browser->SetKindFilter(s.filter, s.on);
        EXPECT_EQ(RowNames(), s.rows) << s.filter << " " << s.on;
        EXPECT_EQ(browser->filterButton(s.filter)->switchedOn(), s.on);
        EXPECT_EQ(browser->CountText(), QStringLiteral("%1個").arg(s.rows.size()));
        EXPECT_TRUE(browser->TakeFilterChanged());
        EXPECT_FALSE(browser->TakeFilterChanged()); // reading clears it
        // Row 0 is selected again even when it was selected before.
        EXPECT_EQ(selected.count(), s.rows.isEmpty() ? 0 : 1);
    }
    EXPECT_EQ(refilled.count(), static_cast<int>(steps.size()));

    // A click on a filter button switches it.
    browser->filterButton(kFilterManual)->click();
    EXPECT_FALSE(browser->filterButton(kFilterManual)->switchedOn());
    EXPECT_EQ(browser->list()->kindFilter()[kFilterManual], 0);
}

TEST_F(FilerContainerTest, AFolderAndAFileAreSourcesToo) {
    // A folder given with a trailing separator: the folder is the one top item.
    browser->OpenSource(Card() + "/Normal/", SourceKind::Folder);
    CFolderTreeCtrl* tree = browser->tree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "Normal");
    EXPECT_EQ(tree->rootPath(), Card());
    EXPECT_EQ(browser->sourcePath(), Card() + "/Normal");
    browser->SelectDefaultFolder();
    EXPECT_EQ(tree->currentItem(), tree->topLevelItem(0)->child(0));
    EXPECT_EQ(browser->CollectAllRecordings().size(), 4u);

    // A file: listed alone and selected, no tree.
    Spy selected(browser->list(), &CFileListCtrl::recordingSelected);
    const QString file = Card() + "/Normal/Front/AG__-220820-090200-000003F.AVI";
    browser->OpenSource(file, SourceKind::File);
    EXPECT_EQ(tree->topLevelItemCount(), 0);
    EXPECT_EQ(RowNames(), QStringList{"AG__"});
    EXPECT_FALSE(browser->list()->shownEntries()[0].rearPath.isEmpty());
    EXPECT_EQ(selected.count(), 1);
    EXPECT_EQ(browser->SourceFolder(), Card() + "/Normal/Front");
    EXPECT_EQ(browser->CollectAllRecordings().size(), 1u);

    // A path that is no recording opens nothing.
    browser->OpenSource(cardDir->path() + "/missing.AVI", SourceKind::File);
    EXPECT_TRUE(browser->list()->shownEntries().empty());
}

TEST_F(FilerContainerTest, OpenDefaultSourceTakesTheCardThenTheSavedFolder) {
    EXPECT_FALSE(browser->OpenDefaultSource()); // nothing saved, no card
    volumes.roots = {cardDir->path() + "/NOCARD", Card()};
    ASSERT_TRUE(browser->OpenDefaultSource());
    EXPECT_EQ(browser->sourceKind(), SourceKind::Card);
    EXPECT_EQ(browser->tree()->currentItem()->text(0), "220820_0001");

    volumes.roots.clear();
    ASSERT_TRUE(WriteSetting(store, settings::kSource, settings::kFolder, Card() + "/Parking"));
    ASSERT_TRUE(browser->OpenDefaultSource());
    EXPECT_EQ(browser->sourceKind(), SourceKind::Folder);
    EXPECT_EQ(browser->tree()->topLevelItem(0)->text(0), "Parking");
}

TEST_F(FilerContainerTest, ClearEmptiesTreeListAndPath) {
    browser->OpenSource(Card(), SourceKind::Card);
    browser->SelectDefaultFolder();
    browser->LoadFolder(browser->tree()->currentItem());
    bool clearingSeen = false;
    QObject::connect(browser.get(), &CFilerContainerDlg::folderSelected, browser.get(),
                     [&] { clearingSeen = clearingSeen || browser->clearing(); });
    browser->Clear();
    EXPECT_EQ(browser->tree()->topLevelItemCount(), 0);
    EXPECT_TRUE(browser->list()->shownEntries().empty());
    EXPECT_TRUE(browser->list()->allEntries().empty());
    EXPECT_TRUE(browser->pathEdit()->text().isEmpty());
    EXPECT_TRUE(clearingSeen); // the tree's last selection change came while clearing
    EXPECT_FALSE(browser->clearing());
}

TEST_F(FilerContainerTest, Screenshots) {
    browser->OpenSource(Card(), SourceKind::Card);
    browser->SelectDefaultFolder();
    browser->LoadFolder(browser->tree()->currentItem());
    browser->SelectRow(1);
    browser->list()->SetCurrentIndex(1);
    const struct {
        BrowserLayout layout;
        QSize size;
        const char* name;
    } shots[] = {{BrowserLayout::Side, {452, 620}, "browser_side.png"},
                 {BrowserLayout::Stacked, {452, 700}, "browser_stacked.png"}};
    for (const auto& shot : shots) {
        browser->SetLayoutMode(shot.layout);
        browser->resize(shot.size);
        browser->show();
        QApplication::processEvents();
        const QImage picture = browser->grab().toImage();
        ASSERT_FALSE(picture.isNull());
        // The tree's selected group is drawn in its highlight colour.
        const QRect tree = browser->tree()->geometry();
        bool highlight = false;
        for (int y = tree.top(); y < tree.bottom() && !highlight; ++y) {
            highlight = picture.pixelColor(tree.left() + 4, y) == QColor(255, 204, 0);
        }
        EXPECT_TRUE(highlight) << shot.name;
        EXPECT_TRUE(picture.save(QDir(ScreenshotFolder()).filePath(shot.name)));
    }
}

// ---------------------------------------------------------------------------
// The watcher.

TEST(SourceWatcherTest, AVanishedSourceIsReportedOnceUntilWatchedAgain) {
    QTemporaryDir dir;
    const QString source = dir.path() + "/source";
    ASSERT_TRUE(QDir().mkpath(source));
    CMovieResource watcher(std::chrono::milliseconds(20));
    Spy lost(&watcher, &CMovieResource::sourceVanished);
    watcher.Watch(source);
    RunEventsFor(100);
    EXPECT_EQ(lost.count(), 0);
    EXPECT_FALSE(watcher.sourceLost());

    ASSERT_TRUE(QDir(source).removeRecursively());
    ASSERT_TRUE(WaitFor([&] { return lost.count() > 0; }));
    RunEventsFor(150);
    EXPECT_EQ(lost.count(), 1);
    EXPECT_TRUE(watcher.sourceLost());
    EXPECT_TRUE(watcher.watchedPath().isEmpty());

    // Put back and watched again: armed once more.
    ASSERT_TRUE(QDir().mkpath(source));
    watcher.Watch(source);
    EXPECT_FALSE(watcher.sourceLost());
    ASSERT_TRUE(QDir(source).removeRecursively());
    ASSERT_TRUE(WaitFor([&] { return lost.count() == 2; }));

    // A presence test of the caller's (a card's volume unmounted).
    bool mounted = true;
    ASSERT_TRUE(QDir().mkpath(source));
    watcher.Watch(source, [&](const QString&) { return mounted; });
    RunEventsFor(60);
    EXPECT_EQ(lost.count(), 2);
    mounted = false;
    ASSERT_TRUE(WaitFor([&] { return lost.count() == 3; }));
}

TEST_F(FilerContainerTest, RemovingTheOpenedFolderIsReported) {
    QTemporaryDir copy;
    const QString folder = copy.path() + "/drive";
    WriteTiny(folder, "A__S-220820-090000-000001F.AVI");
    Spy lost(browser.get(), &CFilerContainerDlg::sourceLost);
    browser->OpenSource(folder, SourceKind::Folder);
    RunEventsFor(250);
    EXPECT_EQ(lost.count(), 0);
    ASSERT_TRUE(QDir(folder).removeRecursively());
    ASSERT_TRUE(WaitFor([&] { return lost.count() == 1; }));
}

} // namespace
} // namespace kv::browser
