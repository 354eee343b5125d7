// Links to folders inside a card or folder are not followed by any listing:
// a link back up the tree ("Normal/self -> .") must not list a recording twice.

#include "avi_bytes.h"
#include "catalogue.h"
#include "memory_tree.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

#include <gtest/gtest.h>

namespace kv {
namespace {

// What the catalogue makes of a folder: the scan's tree, list and folder
// entries, and everything CollectAll gathers with its file count.
struct Catalogued {
    QStringList tree;
    QStringList scanned;
    QStringList folders;
    QStringList collected;
    int files = 0;

    bool operator==(const Catalogued&) const = default;
};

QStringList Paths(const RecordingList& entries) {
    QStringList paths;
    for (const RecordingEntry& e : entries) {
        paths << e.frontPath + u'|' + e.rearPath;
    }
    return paths;
}

Catalogued CatalogueOf(const QString& root) {
    Catalogued c;
    kv::Catalogue catalogue;
    MemoryTree tree;
    RecordingList entries;
    RecordingList folders;
    int pairs = 0;
    ScanContext context(catalogue, tree, entries);
    context.folderEntries = &folders;
    context.cardLayout = QDir(root + "/Normal/Front").exists();
    context.counter = &pairs;
    EXPECT_TRUE(ScanSource(root, kTreeRoot, 0, context).ok);
    c.tree = tree.Dump();
    c.scanned = Paths(entries);
    c.folders = Paths(folders);
    RecordingList all;
    CollectAll(catalogue, root, all, c.files, 0);
    c.collected = Paths(all);
    return c;
}

void Write(const QString& folder, const QString& name) {
    static const QByteArray bytes = [] {
        test::AviSpec s;
        s.chunks = test::SimpleChunks(3, true);
        return test::MakeAvi(s);
    }();
    QDir().mkpath(folder);
    test::WriteFile(folder, name, bytes);
}

TEST(FolderLinks, ALinkInsideTheTreeChangesNothing) {
    struct Layout {
        const char* link;   // made relative to the root
        const char* target; // what it points to, as written in the link
    };
    const std::vector<Layout> layouts = {
        {"Normal/self", "."},       // a card folder pointing at itself
        {"Normal/Front/up", ".."},  // a camera folder pointing at its card folder
        {"Box/self", "."},          // a plain folder (no card layout) pointing at itself
        {"Box/Day1/root", "../.."}, // a recording folder pointing at the root
    };
    for (const Layout& l : layouts) {
        SCOPED_TRACE(l.link);
        QTemporaryDir dir;
        const QString root = dir.path();
        Write(root + "/Normal/Front", "A___-261205-093000-000101F.AVI");
        Write(root + "/Normal/Rear", "A___-261205-093000-000101R.AVI");
        Write(root + "/Box/Day1", "A___-261206-093000-000201F.AVI");
        const Catalogued before = CatalogueOf(root);
        ASSERT_EQ(before.collected.size(), 2);

        const QString link = root + u'/' + QLatin1String(l.link);
        ASSERT_EQ(::symlink(l.target, QFile::encodeName(link).constData()), 0);
        ASSERT_TRUE(QDir(link).exists());
        const Catalogued after = CatalogueOf(root);
        EXPECT_EQ(after.tree, before.tree);
        EXPECT_EQ(after.scanned, before.scanned);
        EXPECT_EQ(after.folders, before.folders);
        EXPECT_EQ(after.collected, before.collected);
        EXPECT_EQ(after.files, before.files);
    }
}

} // namespace
} // namespace kv
