// Arbitrary bytes as a card or folder on disk: the input describes a small
// tree (folders, recording-like names, file sizes, links, nesting) that is
// written to a temporary folder, and the catalogue scans it as the file
// browser does: the card or folder scan, the list of each group it found, and
// the collection of every recording. Nothing may crash, loop or leave the
// tree, and the scans must keep their limits.

#include "catalogue.h"
#include "memory_tree.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using namespace Qt::StringLiterals;

constexpr int kMaxNodes = 24;
constexpr int kMaxDepth = 5;

// Reads the input a byte at a time; zero once it is used up.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    unsigned Byte() { return at_ < size_ ? data_[at_++] : 0u; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

const QString kFolders[] = {u"Normal"_s, u"Parking"_s, u"Front"_s,  u"Rear"_s,
                            u"Event"_s,  u"DCIM"_s,    u".hidden"_s};
const char* const kHeads[] = {"A___", "A__S", "AG__", "AM__", "AD__", "T___",
                              "PG__", "P___", "P_T_", "M___", "AOT_", "x___"};
const char* const kExtensions[] = {"AVI", "DMY", "avi", "MP4"};

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// A recorder-like file name: head, date, time, number and camera from the
// input, sometimes cut short or without a camera letter.
QString FileName(Input& in) {
    const unsigned head = in.Byte();
    const unsigned day = in.Byte();
    const unsigned number = in.Byte();
    const unsigned shape = in.Byte();
    QString name = QString::asprintf(
        "%s-26%02u%02u-%02u%02u00-%06uF.%s", kHeads[head % std::size(kHeads)], 1 + day % 12,
        1 + day / 12 % 28, shape % 24, day % 60, number % 8 + (head / 16) * 1000,
        kExtensions[shape / 24 % std::size(kExtensions)]);
    if ((shape & 0x40) != 0) {
        name[25] = u'R';
    }
    if ((shape & 0x80) != 0) {
        name.truncate(static_cast<qsizetype>(number % 30));
    }
    return name.isEmpty() ? u"x"_s : name;
}

// Contents: empty, a few bytes, or the start of a RIFF file of some length.
QByteArray Contents(Input& in) {
    const unsigned kind = in.Byte();
    switch (kind % 4) {
    case 0:
        return {};
    case 1:
        return QByteArray(static_cast<qsizetype>(kind / 4 % 16), 'x');
    default: {
        QByteArray bytes(static_cast<qsizetype>(kind * 8 % 1024), '\0');
        const char riff[] = "RIFF\0\0\0\0AVI LIST";
        for (qsizetype i = 0; i < bytes.size() && i < qsizetype{sizeof riff - 1}; ++i) {
            bytes[i] = riff[i];
        }
        return bytes;
    }
    }
}

void WriteTree(Input& in, const QString& root) {
    QStringList stack{root};
    for (int node = 0; node < kMaxNodes && !in.empty(); ++node) {
        const unsigned op = in.Byte();
        const QString& here = stack.last();
        switch (op % 8) {
        case 0: // a folder, entered
            if (stack.size() < kMaxDepth) {
                const QString folder = here + u'/' + kFolders[op / 8 % std::size(kFolders)];
                QDir().mkpath(folder);
                stack << folder;
            }
            break;
        case 1: // back up
            if (stack.size() > 1) {
                stack.removeLast();
            }
            break;
        case 2: // a link to a folder above (a loop) or to a missing file
            QFile::link((op & 0x10) != 0 ? root : root + u"/missing"_s, here + u'/' + FileName(in));
            break;
        default: { // a file
            QFile file(here + u'/' + FileName(in));
            if (file.open(QIODevice::WriteOnly)) {
                file.write(Contents(in));
            }
            break;
        }
        }
    }
}

bool Inside(const QString& root, const QString& path) {
    return path.isEmpty() || path.startsWith(root + u'/');
}

void CheckEntries(const QString& root, const kv::RecordingList& entries) {
    for (const kv::RecordingEntry& e : entries) {
        Require(Inside(root, e.frontPath) && Inside(root, e.rearPath));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const unsigned settings = in.Byte();
    QTemporaryDir dir;
    if (!dir.isValid()) {
        return 0;
    }
    const QString root = dir.path();
    WriteTree(in, root);

    kv::Catalogue catalogue;
    catalogue.groupSize = 1 + static_cast<int>(settings % 8);

    // The browser's scan of the source, then of each group item it made.
    kv::MemoryTree tree;
    kv::RecordingList entries;
    kv::RecordingList folders;
    int counter = 0;
    kv::ScanContext card(catalogue, tree, entries);
    card.folderEntries = (settings & 0x10) != 0 ? &folders : nullptr;
    card.cardLayout = (settings & 0x20) != 0;
    card.maskFlag = (settings & 0x40) != 0;
    card.counter = &counter;
    const kv::ScanResult result = kv::ScanSource(root, kv::kTreeRoot, 0, card);
    Require(tree.ItemCount() <= kv::kMaxTreeItems);
    Require(entries.size() <= std::size_t{kv::kMaxListEntries});
    Require(Inside(root, result.outputFolder) || result.outputFolder == root);
    CheckEntries(root, entries);
    CheckEntries(root, folders);
    for (kv::TreeItem group : tree.Children(kv::kTreeRoot)) {
        for (kv::TreeItem label : tree.Children(group)) {
            kv::MemoryTree scratch;
            kv::RecordingList list;
            kv::ScanContext groupScan(catalogue, scratch, list);
            kv::ScanSource(root + u'/' + tree.At(group).text + u'/' + tree.At(label).text,
                           kv::kTreeRoot, 1, groupScan);
            Require(list.size() <= std::size_t{kv::kMaxListEntries});
            CheckEntries(root, list);
        }
    }

    // Everything under the source, as the CSV export and the join collect it.
    kv::RecordingList all;
    int files = 0;
    kv::CollectAll(catalogue, root, all, files, 0);
    Require(files >= 0);
    CheckEntries(root, all);
    return 0;
}
