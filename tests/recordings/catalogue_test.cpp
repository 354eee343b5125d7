#include "avi_bytes.h"
#include "catalogue.h"
#include "memory_tree.h"
#include "recording_name.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kv {
namespace {

// A small sound recording; the catalogue reads only a few header bytes.
const QByteArray& SoundBytes() {
    static const QByteArray bytes = [] {
        test::AviSpec s;
        s.chunks = test::SimpleChunks(3, true);
        return test::MakeAvi(s);
    }();
    return bytes;
}

QString Name(const char* head, const char* date, int number, char camera) {
    return QStringLiteral("%1-%2-120000-%3%4.AVI")
        .arg(QLatin1String(head), QLatin1String(date))
        .arg(number, 6, 10, QChar(u'0'))
        .arg(QChar(camera));
}

class CatalogueTest : public ::testing::Test {
protected:
    QString Root() const { return dir.path(); }
    // Writes front and rear file of a recording into <root>/<group>/Front and Rear.
    void Add(const QString& group, const char* head, const char* date, int number,
             bool front = true, bool rear = true, const QByteArray& bytes = SoundBytes()) {
        for (char camera : {'F', 'R'}) {
            if ((camera == 'F' && !front) || (camera == 'R' && !rear)) {
                continue;
            }
            const QString folder =
                Root() + u'/' + group +
                (camera == 'F' ? QStringLiteral("/Front") : QStringLiteral("/Rear"));
            QDir().mkpath(folder);
            test::WriteFile(folder, Name(head, date, number, camera), bytes);
        }
    }
    ScanResult Scan(const QString& path, TreeItem parent = kTreeRoot, int depth = 0) {
        ScanContext c{catalogue, tree, entries};
        c.folderEntries = collectFolders ? &folders : nullptr;
        c.cardLayout = cardLayout;
        c.counter = &counter;
        return ScanSource(path, parent, depth, c);
    }
    QStringList RowNames() const {
        QStringList names;
        for (const auto& e : entries) {
            names << e.rowName();
        }
        return names;
    }

    QTemporaryDir dir;
    Catalogue catalogue;
    MemoryTree tree;
    RecordingList entries;
    RecordingList folders;
    bool collectFolders = false;
    bool cardLayout = false;
    int counter = 0;
};

TEST_F(CatalogueTest, GroupsByStartMarkGapSizeAndDate) {
    catalogue.groupSize = 3;
    Add("Normal", "A___", "261205", 1); // numbered 1 without 'S': the unlabelled first group
    Add("Normal", "A___", "261205", 2);
    Add("Normal", "A__S", "261205", 3); // 'S' starts a group
    Add("Normal", "A___", "261205", 4);
    Add("Normal", "AG__", "261205", 5);
    Add("Normal", "A___", "261205", 6); // fourth consecutive file with group size 3
    Add("Normal", "AM__", "261206", 8); // gap, another date
    Add("Normal", "A___", "261206", 9);
    Add("Normal", "A___", "261205", 11); // gap: the first date continues with _0003
    const ScanResult r = Scan(Root() + "/Normal");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.outputFolder, Root() + "/Normal/Front");
    EXPECT_EQ(tree.Dump(), (QStringList{"261205_0001[5]", "261205_0002[1]", "261206_0001[3]",
                                        "261205_0003[1]"}));

    // A group item's path lists that group's recordings.
    Scan(Root() + "/Normal/261205_0001");
    EXPECT_EQ(RowNames(),
              (QStringList{Name("A__S", "261205", 3, 'F'), Name("A___", "261205", 4, 'F'),
                           Name("AG__", "261205", 5, 'F')}));
    EXPECT_EQ(entries[0].rearPath, Root() + "/Normal/Rear/" + Name("A__S", "261205", 3, 'R'));
    EXPECT_EQ(entries[2].sequence, 2);
    EXPECT_EQ(counter, 3);

    // The first files have the empty label: no item, and no list shows them.
    entries.clear();
    Scan(Root() + "/Normal/261206_0001");
    EXPECT_EQ(RowNames(),
              (QStringList{Name("AM__", "261206", 8, 'F'), Name("A___", "261206", 9, 'F')}));
}

TEST_F(CatalogueTest, TwoHundredAndFirstFileStartsAGroup) {
    for (int n = 1; n <= 201; ++n) {
        Add("Normal", n == 1 ? "A__S" : "A___", "261205", n, true, false);
    }
    Scan(Root() + "/Normal");
    EXPECT_EQ(tree.Dump(), (QStringList{"261205_0001[1]", "261205_0002[1]"}));
    Scan(Root() + "/Normal/261205_0002");
    EXPECT_EQ(RowNames(), QStringList{Name("A___", "261205", 201, 'F')});
}

TEST_F(CatalogueTest, RearOnlyAndDamagedRecordings) {
    Add("Normal", "A__S", "261205", 1, false, true); // front file missing
    QByteArray broken = SoundBytes();
    broken[4] = broken[5] = broken[6] = broken[7] = 0; // never closed
    Add("Normal", "A___", "261205", 2, true, true, broken);
    Scan(Root() + "/Normal");
    Scan(Root() + "/Normal/261205_0001");
    ASSERT_EQ(entries.size(), 2u);
    const RecordingEntry& rearOnly = entries[0];
    EXPECT_TRUE(rearOnly.frontPath.isEmpty());
    EXPECT_TRUE(rearOnly.frontName.isEmpty());
    EXPECT_EQ(rearOnly.rearName, Name("A__S", "261205", 1, 'R'));
    EXPECT_EQ(rearOnly.rowName(), rearOnly.rearName);
    EXPECT_EQ(rearOnly.modeLetter, 'A'); // taken from the front path, whether or not it exists
    EXPECT_EQ(rearOnly.rearExpectedLength, SoundBytes().size());
    EXPECT_EQ(entries[1].frontDamaged, 1);
    EXPECT_EQ(entries[1].rearDamaged, 1);
    EXPECT_EQ(entries[1].frontUnrepaired, 0);
}

TEST_F(CatalogueTest, PairsFoldersWhoseNamesEndInFront) {
    QDir().mkpath(Root() + "/CamFront");
    QDir().mkpath(Root() + "/CamRear");
    test::WriteFile(Root() + "/CamFront", Name("A___", "261205", 7, 'F'), SoundBytes());
    test::WriteFile(Root() + "/CamRear", Name("A___", "261205", 7, 'R'), SoundBytes());
    int files = 0;
    CollectAll(catalogue, Root(), entries, files, 0);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].frontPath, Root() + "/CamFront/" + Name("A___", "261205", 7, 'F'));
    EXPECT_EQ(entries[0].rearPath, Root() + "/CamRear/" + Name("A___", "261205", 7, 'R'));
    EXPECT_EQ(files, 2);
    EXPECT_EQ(RearCounterpart("/a/FrontX/A___-261205-120000-000007F.AVI"),
              "/a/FrontX/A___-261205-120000-000007R.AVI"); // "Front" must end the folder name
}

TEST_F(CatalogueTest, ListAndTreeLimits) {
    catalogue.groupSize = 5000;
    for (int n = 1; n <= 1005; ++n) {
        Add("Normal", n == 1 ? "A__S" : "A___", "261205", n, true, false);
    }
    Scan(Root() + "/Normal/261205_0001");
    EXPECT_EQ(entries.size(), 1000u);
    EXPECT_EQ(counter, 1005);

    QTemporaryDir many;
    QDir().mkpath(many.path() + "/Front");
    for (int n = 1; n <= 1510; ++n) {
        test::WriteFile(many.path() + "/Front", Name("A__S", "261205", n, 'F'), SoundBytes());
    }
    MemoryTree full;
    ScanContext c{catalogue, full, entries};
    ScanSource(many.path(), kTreeRoot, 0, c);
    EXPECT_EQ(full.ItemCount(), 1500);
}

TEST_F(CatalogueTest, CardScanBuildsTreeFolderEntriesAndMasks) {
    Add("Normal", "A__S", "261205", 1);
    Add("Normal", "AG__", "261205", 2);
    Add("Normal", "AM__", "261205", 3);
    Add("Parking", "P__S", "261205", 10);
    Add("Parking", "PG__", "261205", 11);
    test::WriteFile(Root(), "DRFormatConfig.dfc", QByteArray(68, ' '));
    test::WriteFile(Root() + "/Normal/Front", ".hidden-" + Name("AD__", "261205", 4, 'F'),
                    SoundBytes());
    collectFolders = true;
    cardLayout = true;
    const ScanResult r = Scan(Root());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.outputFolder, Root());
    EXPECT_TRUE(catalogue.cardLayout);
    EXPECT_EQ(tree.Dump(),
              (QStringList{"Normal[7]", "  261205_0001[7]", "Parking[18]", "  261205_0001[18]"}));
    QStringList folderPaths;
    for (const auto& f : folders) {
        if (f.sequence == -1 && f.frontExpectedLength == -1) {
            folderPaths << f.frontPath.mid(Root().size());
        }
    }
    EXPECT_TRUE(folderPaths.contains("/Normal/Front"));
    EXPECT_TRUE(folderPaths.contains("/Normal/Rear"));
    EXPECT_TRUE(folderPaths.contains("/Parking/Front"));
    EXPECT_TRUE(folderPaths.contains("/Parking/Rear"));
    EXPECT_TRUE(entries.empty()); // recordings live in the subfolders, not the card root

    // Without the card layout, folders only get items; nothing is scanned.
    MemoryTree plain;
    RecordingList none;
    ScanContext c{catalogue, plain, none};
    ScanSource(Root(), kTreeRoot, 0, c);
    EXPECT_EQ(plain.Dump(), (QStringList{"Normal[0]", "Parking[0]"}));
}

TEST_F(CatalogueTest, CollectAllFindsEveryRecordingInCatalogueOrder) {
    Add("Parking", "P__S", "261205", 10);
    Add("Normal", "A___", "261205", 3);
    Add("Normal", "A__S", "261205", 2);
    Add("Normal", "AG__", "261205", 12, false, true);
    QDir().mkpath(Root() + "/Other");
    test::WriteFile(Root() + "/Other", "notes.txt", "x");
    test::WriteFile(Root() + "/Other", Name("A___", "261205", 1, 'F'),
                    QByteArray()); // empty: no probe
    int files = 0;
    CollectAll(catalogue, Root(), entries, files, 0);
    EXPECT_EQ(RowNames(),
              (QStringList{Name("A__S", "261205", 2, 'F'), Name("A___", "261205", 3, 'F'),
                           Name("AG__", "261205", 12, 'R'), Name("P__S", "261205", 10, 'F')}));
    EXPECT_EQ(files, 9);
}

TEST_F(CatalogueTest, SortEntriesPartsThenNumbers) {
    RecordingList list;
    const QStringList names = {Name("P__S", "261205", 5, 'F'), "notes-000001F.AVI",
                               Name("A___", "261205", 9, 'F'), Name("P___", "261205", 2, 'F'),
                               Name("A__S", "261205", 10, 'F')};
    for (const QString& n : names) {
        RecordingEntry e;
        e.frontName = n;
        list.push_back(e);
    }
    SortEntries(list);
    QStringList sorted;
    for (const auto& e : list) {
        sorted << e.frontName;
    }
    EXPECT_EQ(sorted, (QStringList{names[2], names[4], names[3], names[0], names[1]}));
}

TEST_F(CatalogueTest, ListingSkipsHiddenFilesButEntersHiddenFolders) {
    QDir().mkpath(Root() + "/.hidden/sub");
    test::WriteFile(Root() + "/.hidden/sub", "inside.AVI", "x");
    test::WriteFile(Root(), ".dot.AVI", "x");
    test::WriteFile(Root(), "b.AVI", "x");
    QDir().mkpath(Root() + "/a");
    std::vector<FileRecord> listing = ListFolder(Root());
    SortListing(listing);
    ASSERT_EQ(listing.size(), 2u);
    EXPECT_TRUE(listing[0].directory);
    EXPECT_EQ(listing[1].name, "b.AVI");
    QStringList tree;
    for (const auto& r : ListTree(Root())) {
        tree << r.name;
    }
    tree.sort();
    EXPECT_EQ(tree, (QStringList{"b.AVI", "inside.AVI"}));

    // A link back up the tree is listed but never descended into.
    ASSERT_TRUE(QFile::link(Root(), Root() + "/a/loop"));
    EXPECT_EQ(ListTree(Root()).size(), 2u);
    const auto inA = ListFolder(Root() + "/a");
    ASSERT_EQ(inA.size(), 1u);
    EXPECT_TRUE(inA[0].directory);
    EXPECT_TRUE(inA[0].symlink);
}

TEST_F(CatalogueTest, AddFileMakesOneEntryPerRecording) {
    Add("Normal", "AM__", "261205", 4);
    const QString front = Root() + "/Normal/Front/" + Name("AM__", "261205", 4, 'F');
    const QString rear = Root() + "/Normal/Rear/" + Name("AM__", "261205", 4, 'R');
    AddFile(catalogue, rear, entries);
    AddFile(catalogue, front, entries); // the same recording again
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].frontPath, front);
    EXPECT_EQ(entries[0].modeLetter, 'A');
    EXPECT_EQ(entries[0].parkingGroup, 0);
    EXPECT_EQ(entries[0].frontExpectedLength, SoundBytes().size());
    AddFile(catalogue, Root() + "/notes.txt", entries);
    EXPECT_EQ(entries.size(), 1u);
}

} // namespace
} // namespace kv
