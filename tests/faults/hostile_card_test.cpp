// The catalogue and the library's readers on a card with misleading files:
// nothing crashes or hangs, the sound recordings are listed, folders, links
// and names that only look like recordings are not; and a folder of 10,000
// recordings is scanned within the list's limits.

#include "avi_clip.h"
#include "avi_verify.h"
#include "catalogue.h"
#include "hostile_card.h"
#include "memory_tree.h"
#include "telemetry_reader.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kv::faults {
namespace {

QStringList RowNames(const RecordingList& entries) {
    QStringList names;
    for (const auto& e : entries) {
        if (e.sequence != -1) {
            names << e.rowName();
        }
    }
    return names;
}

void ExpectListsWhatIsSound(const HostileCard& card, const QStringList& rows) {
    for (const QString& name : card.sound) {
        EXPECT_TRUE(rows.contains(name)) << "missing " << name.toStdString();
    }
    for (const QString& name : card.notFiles) {
        EXPECT_FALSE(rows.contains(name)) << "listed " << name.toStdString();
    }
}

TEST(HostileCardTest, TheCatalogueListsTheSoundRecordingsAndNothingThatIsNoFile) {
    QTemporaryDir dir;
    const HostileCard card = WriteHostileCard(dir.path());

    // Everything under the card.
    Catalogue all;
    RecordingList collected;
    int files = 0;
    CollectAll(all, dir.path(), collected, files, 0);
    ExpectListsWhatIsSound(card, RowNames(collected));

    // The browser's way: the card fills the tree, each group item fills the list.
    Catalogue catalogue;
    MemoryTree tree;
    RecordingList entries;
    RecordingList folders;
    ScanContext c{catalogue, tree, entries};
    c.folderEntries = &folders;
    c.cardLayout = true;
    ASSERT_TRUE(ScanSource(dir.path(), kTreeRoot, 0, c).ok);
    QStringList listed;
    for (TreeItem top : tree.Children(kTreeRoot)) {
        for (TreeItem group : tree.Children(top)) {
            RecordingList groupEntries;
            ScanContext g{catalogue, tree, groupEntries};
            ScanSource(dir.path() + u'/' + tree.At(top).text + u'/' + tree.At(group).text, group, 1,
                       g);
            listed << RowNames(groupEntries);
        }
    }
    ExpectListsWhatIsSound(card, listed);

    // What opening a listed recording reads, on every file of the folder.
    const QDir front(dir.path() + QStringLiteral("/Normal/Front"));
    for (const QString& name : front.entryList(QDir::Files | QDir::System)) {
        SCOPED_TRACE(name.toStdString());
        const QString path = front.filePath(name);
        const int verdict = VerifyRecording(path);
        EXPECT_GE(verdict, 0);
        EXPECT_LE(verdict, 2);
        if (card.sound.contains(name)) {
            EXPECT_EQ(verdict, 0);
        }
        const auto timing = ReadTiming(path);
        std::unique_ptr<AviClip> clip = LoadClip(path);
        FreeClip(clip);
        TelemetryReader reader;
        if (reader.Open(path)) {
            reader.frameDurationMs =
                timing && timing->frameDurationMs > 0.0f ? timing->frameDurationMs : 33.3f;
            reader.BuildFrameIndex(timing ? static_cast<std::int64_t>(timing->totalFrames) : 6);
            SampleAtFrame(reader, 0);
        }
    }
}

TEST(HostileCardTest, TenThousandRecordingsInOneFolderStayWithinTheLimits) {
    QTemporaryDir dir;
    const QString front = dir.path() + QStringLiteral("/Normal/Front");
    QDir().mkpath(front);
    const QByteArray sound = SoundAvi(3);
    for (int n = 1; n <= 10000; ++n) {
        test::WriteFile(front, HostileName(n, 'F', n == 1 ? "A__S" : "A___"), sound);
    }
    Catalogue catalogue;
    catalogue.groupSize = 20000;
    MemoryTree tree;
    RecordingList entries;
    int counter = 0;
    ScanContext c{catalogue, tree, entries};
    RecordingList folders;
    c.counter = &counter;
    c.folderEntries = &folders;
    c.cardLayout = true;
    ASSERT_TRUE(ScanSource(dir.path(), kTreeRoot, 0, c).ok);
    EXPECT_LE(tree.ItemCount(), 1500);
    ASSERT_FALSE(tree.Children(kTreeRoot).empty());

    RecordingList listed;
    int listedCounter = 0;
    ScanContext g{catalogue, tree, listed};
    g.counter = &listedCounter;
    const TreeItem top = tree.Children(kTreeRoot).front();
    const std::vector<TreeItem> groups = tree.Children(top);
    ASSERT_FALSE(groups.empty()) << tree.Dump().join(u'\n').toStdString();
    ScanSource(dir.path() + u'/' + tree.At(top).text + u'/' + tree.At(groups.front()).text,
               groups.front(), 1, g);
    EXPECT_EQ(listed.size(), 1000u); // the list's limit
    EXPECT_EQ(listedCounter, 10000); // every recording counted all the same
}

} // namespace
} // namespace kv::faults
