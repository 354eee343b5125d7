// Arbitrary bytes as a damaged recording: the chunk scan, the index and the
// whole repair must neither read outside the file nor allocate without
// bound, and what they produce must hold together: small scan windows find
// the same chunks as the recorder's, a finished copy is a sound recording of
// the expected length, and a failed one leaves no file.

#include "avi_verify.h"
#include "repair.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <unistd.h>

namespace {

// The first byte picks the name: both header layouts.
const char* const kNames[] = {
    "A___-261205-093000-000101F.AVI",
    "T___-261205-093000-000101F.AVI",
    "A___-261205-093000-000101R.AVI",
};

QString FuzzDir() {
    static const QString dir = [] {
        QString d = QDir::tempPath() + QStringLiteral("/kolvista-repair-fuzz-%1").arg(getpid());
        QDir().mkpath(d);
        return d;
    }();
    return dir;
}

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool SameEntries(const std::vector<kv::avi::IndexEntry>& a,
                 const std::vector<kv::avi::IndexEntry>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].tag != b[i].tag || a[i].flags != b[i].flags || a[i].offset != b[i].offset ||
            a[i].size != b[i].size) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const QString name = QLatin1String(kNames[data[0] % (sizeof kNames / sizeof kNames[0])]);
    const bool timeLapse = name.startsWith(u'T');
    const QString path = FuzzDir() + QLatin1Char('/') + name;
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            return 0;
        }
        file.write(reinterpret_cast<const char*>(data + 1), static_cast<qint64>(size - 1));
    }

    kv::MappedFile file;
    if (kv::OpenMapped(path, file)) {
        std::vector<kv::avi::IndexEntry> entries;
        std::vector<kv::avi::IndexEntry> small;
        Check(kv::ScanChunks(file, timeLapse, entries) == kv::kOperationDone);
        Check(kv::ScanChunks(file, timeLapse, small, nullptr, {37, 29}) == kv::kOperationDone);
        Check(SameEntries(entries, small));
        // Chunks follow each other and end before the end of the file.
        const std::uint64_t moviTag = kv::avi::MoviTagOffset(timeLapse);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const auto& e = entries[i];
            const std::uint64_t end = std::uint64_t{e.offset} + 8 + e.size + (e.size & 1);
            Check(e.size > 16 && moviTag + end < file.size);
            Check(i + 1 == entries.size() || entries[i + 1].offset == end);
        }
        kv::RepairContext context;
        context.timeLapse = timeLapse;
        context.entries = entries;
        QByteArray header(static_cast<qsizetype>(kv::avi::PayloadStart(timeLapse)), '\0');
        if (kv::ReadMapped(file, 0, header.data(), static_cast<std::uint32_t>(header.size()))) {
            context.header = header;
            Check(kv::BuildIndex(context) == !entries.empty());
        }
    }
    kv::CloseMapped(file);

    // The copy keeps the recording's name: its layout is read from the name.
    const QString outDir = FuzzDir() + QStringLiteral("/out");
    QDir().mkpath(outDir);
    const QString target = outDir + QLatin1Char('/') + name;
    kv::RepairReport report;
    const kv::OperationResult result = kv::RepairFile(path, target, nullptr, &report);
    if (result == kv::kOperationDone) {
        const std::int64_t entries = report.videoChunks + report.audioChunks;
        // Header, chunks, index, the 8-byte filler and an empty telemetry
        // block (40-byte head and 28-byte trailer).
        Check(QFileInfo(target).size() == kv::avi::PayloadStart(timeLapse) + report.moviSize - 4 +
                                              8 + 16 * entries + 8 + 40 + 28);
        Check(kv::VerifyRecording(target) == kv::kRecordingSound);
        QFile::remove(target);
    } else {
        Check(result == kv::kOperationFailed && !QFileInfo::exists(target));
    }
    Check(QDir(outDir).entryList(QDir::Files | QDir::Hidden).isEmpty());
    return 0;
}
