// Sources that change under the readers: a recording cut short after it was
// opened (a card pulled out, a copy truncated while it is read) and files
// that are no regular files under a recording's name. Each reader runs in a
// child process: a fault or a wait of the child fails the test, not the
// program.

#include "avi_bytes.h"
#include "avi_verify.h"
#include "catalogue.h"
#include "child_run.h"
#include "repair.h"
#include "telemetry_decode.h"
#include "telemetry_reader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <functional>
#include <mutex>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace kv {
namespace {

const char* const kFront = "A___-261205-093000-000101F.AVI";

// A recording the recorder never closed (no index, sizes 0) whose telemetry
// block sits at the full-length position after the chunks.
QByteArray PowerLossWithBlock(int frames, int videoBytes) {
    test::AviSpec recipe;
    for (int f = 0; f < frames; ++f) {
        recipe.chunks.push_back(
            {"00dc", test::VideoPayload(videoBytes, f % 10 == 0 ? 0x65 : 0x41), 0});
        if (f % 3 == 0) {
            recipe.chunks.push_back({"01wb", QByteArray(4000, '\x11'), 0x10});
        }
    }
    recipe.riffSize = 0;
    recipe.moviSize = 0;
    recipe.writeIndex = false;
    std::vector<QByteArray> records;
    for (int i = 0; i < 40; ++i) {
        records.push_back(test::TypicalRecord("2612050930" + QByteArray::number(10 + i)));
    }
    recipe.telemetry = test::FullLengthBlock(records);
    return test::MakeAvi(recipe);
}

bool Shrink(const QString& path, qint64 size) {
    return ::truncate(QFile::encodeName(path).constData(), static_cast<off_t>(size)) == 0;
}

// Each reader over a source opened at full length and then cut to its first
// 1000 bytes: a clean failure (0), never a fault.
struct ShrunkCase {
    const char* what;
    std::function<bool(MappedFile& source, const QString& folder)> failsCleanly;
};

TEST(ChangingSource, ReadersFailCleanlyWhenTheSourceShrankAfterOpening) {
    const QByteArray bytes = PowerLossWithBlock(60, 3000);
    const std::vector<ShrunkCase> cases = {
        {"a view past the new end is empty and says why",
         [&](MappedFile& f, const QString&) {
             MappedView view = MapWindow(f, 2000, 4096);
             return !view && !f.lastError.isEmpty();
         }},
        {"a read past the new end fails",
         [&](MappedFile& f, const QString&) {
             unsigned char buffer[64];
             return !ReadMapped(f, static_cast<std::uint64_t>(bytes.size()) - 64, buffer, 64);
         }},
        {"the repair's chunk walk fails",
         [&](MappedFile& f, const QString&) {
             std::vector<avi::IndexEntry> entries;
             return ScanChunks(f, false, entries) == kOperationFailed;
         }},
        {"the telemetry block is not found and the refusal is reported",
         [&](MappedFile& f, const QString&) {
             std::recursive_mutex lock;
             int reported = 0;
             bool handled = false;
             const bool found = LocateTelemetryBlock(
                 f, lock, [&](const QString&, const QString&) { ++reported; },
                 [&](const unsigned char*, std::uint32_t) { return handled = true; });
             return !found && reported == 1 && !handled;
         }},
    };
    QTemporaryDir dir;
    for (const ShrunkCase& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = test::WriteFile(dir.path(), kFront, bytes);
        const test::ChildEnd end = test::RunInChild([&] {
            MappedFile source;
            if (!OpenMapped(path, source) || !Shrink(path, 1000)) {
                return 2;
            }
            return c.failsCleanly(source, dir.path()) ? 0 : 1;
        });
        EXPECT_TRUE(end.ExitedWith(0)) << end.Describe();
    }
}

TEST(ChangingSource, TheRepairCopyFailsCleanlyWhenTheSourceShrinksBeforeTheCopy) {
    const QByteArray bytes = PowerLossWithBlock(60, 3000);
    QTemporaryDir dir;
    const QString path = test::WriteFile(dir.path(), kFront, bytes);
    const QString target = dir.path() + "/copy/" + kFront;
    ASSERT_TRUE(QDir().mkpath(dir.path() + "/copy"));
    const test::ChildEnd end = test::RunInChild([&] {
        MappedFile source;
        RepairContext context;
        context.source = path;
        context.header = bytes.left(396);
        if (!OpenMapped(path, source) ||
            ScanChunks(source, false, context.entries) != kOperationDone || !BuildIndex(context) ||
            !Shrink(path, 1000)) {
            return 2;
        }
        QString error;
        const OperationResult result = WriteRepaired(source, context, target, nullptr, &error);
        return result == kOperationFailed && !error.isEmpty() && !QFileInfo::exists(target) ? 0 : 1;
    });
    EXPECT_TRUE(end.ExitedWith(0)) << end.Describe();
    EXPECT_EQ(QDir(dir.path() + "/copy").entryList(QDir::Files | QDir::Hidden), QStringList());
}

// The parent cuts the source while the child is in the middle of reading it:
// the child asks through one pipe and waits (bounded) for the answer on the
// other, so the cut falls between two reads every time.
class CutWhileRead : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::pipe(ask), 0);
        ASSERT_EQ(::pipe(answer), 0);
        ASSERT_EQ(::fcntl(ask[0], F_SETFL, O_NONBLOCK), 0);
    }
    void TearDown() override {
        for (int fd : {ask[0], ask[1], answer[0], answer[1]}) {
            ::close(fd);
        }
    }
    // In the child: asks for the cut and waits until it is done.
    bool AskForTheCut() const {
        if (::write(ask[1], "c", 1) != 1) {
            return false;
        }
        pollfd p{answer[0], POLLIN, 0};
        char c = 0;
        return ::poll(&p, 1, 60000) == 1 && ::read(answer[0], &c, 1) == 1;
    }
    // In the parent, at each turn of the wait: cuts path when asked.
    std::function<void()> CutWhenAsked(const QString& path, qint64 size) {
        return [this, path, size] {
            char c = 0;
            if (::read(ask[0], &c, 1) == 1) {
                cuts += Shrink(path, size) ? 1 : 0;
                (void)!::write(answer[1], "d", 1);
            }
        };
    }
    int ask[2] = {-1, -1};
    int answer[2] = {-1, -1};
    int cuts = 0;
};

TEST_F(CutWhileRead, ARepairEndsWithAnErrorNotASignal) {
    // More than one step of the walk (16 MB), so that the cut falls inside it.
    const QByteArray bytes = PowerLossWithBlock(400, 60000);
    ASSERT_GT(bytes.size(), 20 << 20);
    QTemporaryDir dir;
    const QString path = test::WriteFile(dir.path(), kFront, bytes);
    const QString target = dir.path() + "/copy/" + kFront;
    const test::ChildEnd end = test::RunInChild(
        [&] {
            bool asked = false;
            OperationControl control;
            control.progress = [&](std::int64_t, std::int64_t) {
                if (!asked) {
                    asked = true;
                    AskForTheCut();
                }
            };
            RepairReport report;
            const OperationResult result = RepairFile(path, target, &control, &report);
            return asked && result == kOperationFailed && !report.error.isEmpty() &&
                           !QFileInfo::exists(target)
                       ? 0
                       : 1;
        },
        CutWhenAsked(path, 1 << 20));
    EXPECT_TRUE(end.ExitedWith(0)) << end.Describe();
    EXPECT_EQ(cuts, 1);
}

TEST_F(CutWhileRead, DecodingABlockFoundBeforeTheCutDoesNotFault) {
    const QByteArray bytes = PowerLossWithBlock(60, 3000);
    QTemporaryDir dir;
    const QString path = test::WriteFile(dir.path(), kFront, bytes);
    const test::ChildEnd end = test::RunInChild(
        [&] {
            MappedFile file;
            if (!OpenMapped(path, file)) {
                return 2;
            }
            std::recursive_mutex lock;
            int sensors = 0;
            TelemetryHeader header;
            const bool found = LocateTelemetryBlock(
                file, lock, {}, [&](const unsigned char* block, std::uint32_t available) {
                    // The block was read; the file is cut before it is decoded.
                    if (!AskForTheCut() || !telemetry::DecodeHeader(block, available, header)) {
                        return false;
                    }
                    return telemetry::ForEachRecord(
                        block, available, [&](const unsigned char* record, std::uint32_t n) {
                            SensorSample s;
                            telemetry::DecodeSensor(record, static_cast<std::int32_t>(n), 100.0f,
                                                    s);
                            ++sensors;
                        });
                });
            return found && sensors == 40 ? 0 : 1;
        },
        CutWhenAsked(path, 1000));
    EXPECT_TRUE(end.ExitedWith(0)) << end.Describe();
    EXPECT_EQ(cuts, 1);
}

// ---------------------------------------------------------------------------

TEST(NoRegularFile, AFifoNamedLikeARecordingIsRefusedWithoutWaiting) {
    QTemporaryDir dir;
    const QString folder = dir.path() + "/Normal/Front";
    ASSERT_TRUE(QDir().mkpath(folder));
    test::AviSpec recipe;
    recipe.chunks = test::SimpleChunks(3, true);
    test::WriteFile(folder, "A___-261205-093000-000101F.AVI", test::MakeAvi(recipe));
    const QString fifo = folder + "/A___-261205-093100-000102F.AVI";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    const test::ChildEnd end = test::RunInChild([&] {
        MappedFile file;
        if (OpenMapped(fifo, file) || file.lastError.isEmpty() || ProbeRecording(fifo) ||
            VerifyRecording(fifo) != kRecordingUnreadable) {
            return 1;
        }
        // The listing leaves it out; the scans list the one recording.
        for (const FileRecord& r : ListFolder(folder)) {
            if (r.path == fifo) {
                return 3;
            }
        }
        Catalogue catalogue;
        RecordingList entries;
        int files = 0;
        CollectAll(catalogue, dir.path(), entries, files, 0);
        if (entries.size() != 1 || files != 1) {
            return 4;
        }
        return 0;
    });
    EXPECT_TRUE(end.ExitedWith(0)) << end.Describe();
}

} // namespace
} // namespace kv
