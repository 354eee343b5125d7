// kolvista-cli scan and list: the catalogue of a card or folder.

#include "catalogue.h"
#include "commands.h"
#include "entry_printing.h"
#include "memory_tree.h"

#include <QDir>
#include <QFileInfo>

namespace kv::cli {

namespace {

int Scan(const QString& argument, QTextStream& out, QTextStream& err) {
    const QString path = QDir::cleanPath(argument);
    const QFileInfo info(path);
    if (!info.isDir() && !QFileInfo(info.path()).isDir()) {
        err << "kolvista-cli: no such folder: " << argument << "\n";
        return kExitBadInput;
    }
    Catalogue catalogue;
    MemoryTree tree;
    RecordingList entries;
    RecordingList folders;
    int pairs = 0;
    ScanContext context(catalogue, tree, entries);
    context.folderEntries = &folders;
    context.cardLayout = QFileInfo::exists(path + QStringLiteral("/Normal/Front")) ||
                         QFileInfo::exists(path + QStringLiteral("/Parking/Front"));
    context.counter = &pairs;
    const ScanResult result = ScanSource(path, kTreeRoot, 0, context);
    if (!result.ok) {
        err << "kolvista-cli: the scan of " << argument << " failed\n";
        return kExitBadInput;
    }
    SortEntries(entries);
    out << "output folder: " << result.outputFolder << "\n";
    out << "tree (" << tree.ItemCount() << " items, kind masks in hex):\n";
    for (const QString& line : tree.Dump(kTreeRoot, 1)) {
        out << line << "\n";
    }
    out << "entries (" << entries.size() << " of " << pairs << " recordings):\n";
    PrintEntries(entries, out);
    return kExitOk;
}

int List(const QString& folder, QTextStream& out, QTextStream& err) {
    if (!QFileInfo(folder).isDir()) {
        err << "kolvista-cli: no such folder: " << folder << "\n";
        return kExitBadInput;
    }
    Catalogue catalogue;
    RecordingList entries;
    int files = 0;
    CollectAll(catalogue, QDir::cleanPath(folder), entries, files, 0);
    out << entries.size() << " recordings in " << files << " files\n";
    PrintEntries(entries, out);
    return kExitOk;
}

const CommandRegistrar scan({"scan", "PATH      (a card, a folder or a group path)",
                             [](const QStringList& a) { return a.size() == 1; },
                             [](const QStringList& a, QTextStream& out, QTextStream& err) {
                                 return Scan(a[0], out, err);
                             }});

const CommandRegistrar list({"list", "FOLDER", [](const QStringList& a) { return a.size() == 1; },
                             [](const QStringList& a, QTextStream& out, QTextStream& err) {
                                 return List(a[0], out, err);
                             }});

} // namespace

} // namespace kv::cli
