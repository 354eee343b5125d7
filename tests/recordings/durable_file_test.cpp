// The writers that rename a finished file into place flush its data first:
// a flush the disk fails (a card that reports an I/O error only then) fails
// the write and leaves nothing under the final name, and a flush always
// happens while the final name still holds what it held before.

#include "avi_bytes.h"
#include "catalogue.h"
#include "durable_file.h"
#include "join.h"
#include "repair.h"
#include "saved_output.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

namespace kv {
namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What the exchanged flush saw: how often it ran and whether the final name
// still held the older file at the first flush.
struct FlushLog {
    int calls = 0;
    bool renamedBeforeFlush = false;
    QString finalPath;
    QByteArray older;
};
FlushLog gLog;

int FailingFlush(int) {
    ++gLog.calls;
    errno = EIO;
    return -1;
}

int WatchingFlush(int fd) {
    // The first flush is of the file that takes finalPath (a join flushes
    // its rear output after the front one took its name).
    if (++gLog.calls == 1 && ReadAll(gLog.finalPath) != gLog.older) {
        gLog.renamedBeforeFlush = true;
    }
    return ::fdatasync(fd);
}

class ScopedFlush {
public:
    explicit ScopedFlush(DataFlushCall call) : previous_(ReplaceDataFlushForTest(call)) {}
    ~ScopedFlush() { ReplaceDataFlushForTest(previous_); }
    ScopedFlush(const ScopedFlush&) = delete;
    ScopedFlush& operator=(const ScopedFlush&) = delete;

private:
    DataFlushCall previous_;
};

struct Writer {
    const char* name;
    QString target; // relative to the output folder
    std::function<bool(const QString& target, QString& error)> write;
};

class DurableFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        const QString front = dir_.path() + "/CARD/Normal/Front";
        const QString rear = dir_.path() + "/CARD/Normal/Rear";
        out_ = dir_.path() + "/out";
        for (const QString& f : {front, rear, out_}) {
            ASSERT_TRUE(QDir().mkpath(f));
        }
        Catalogue catalogue;
        for (int i = 0; i < 2; ++i) {
            const QString stem = QStringLiteral("A___-261205-09300%1-00010%2").arg(i).arg(i + 1);
            test::AviSpec recipe;
            recipe.chunks = test::SimpleChunks(20, true);
            recipe.telemetry = test::ExactBlock({test::TypicalRecord()});
            const QString f = test::WriteFile(front, stem + "F.AVI", test::MakeAvi(recipe));
            recipe.telemetry.clear();
            const QString r = test::WriteFile(rear, stem + "R.AVI", test::MakeAvi(recipe));
            MakeEntry(catalogue, f, r, jobs_);
        }
        test::AviSpec lost;
        lost.chunks = test::SimpleChunks(20, true);
        lost.riffSize = 0;
        lost.moviSize = 0;
        lost.writeIndex = false;
        damaged_ = test::WriteFile(dir_.path(), "A___-261205-100000-000201F.AVI",
                                   test::MakeAvi(lost) + "00dc");
    }

    std::vector<Writer> Writers() const {
        return {
            {"join", QFileInfo(jobs_[0].frontPath).fileName(),
             [this](const QString& target, QString& error) {
                 JoinReport report;
                 JoinOutputs outputs = JoinOutputPaths(jobs_, QFileInfo(target).path());
                 const bool ok = JoinRecordings(jobs_, outputs, {}, &report) == kOperationDone;
                 error = report.error;
                 return ok;
             }},
            {"repair", "copy.AVI",
             [this](const QString& target, QString& error) {
                 RepairReport report;
                 const bool ok = RepairFile(damaged_, target, nullptr, &report) == kOperationDone;
                 error = report.error;
                 return ok;
             }},
            {"saved output", "list.csv",
             [](const QString& target, QString& error) {
                 return SaveOutput(
                     target, [](QIODevice& out) { return out.write("a,b\r\n") == 5; }, &error);
             }},
        };
    }

    QTemporaryDir dir_;
    QString out_, damaged_;
    RecordingList jobs_;
};

TEST_F(DurableFileTest, AFlushTheDiskFailsLeavesTheOlderFileUnderTheFinalName) {
    for (const Writer& w : Writers()) {
        SCOPED_TRACE(w.name);
        QDir(out_).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(out_));
        const QString target = out_ + u'/' + w.target;
        test::WriteFile(out_, w.target, "the older file");
        gLog = {};
        QString error;
        {
            ScopedFlush failing(&FailingFlush);
            EXPECT_FALSE(w.write(target, error));
        }
        EXPECT_GE(gLog.calls, 1);
        EXPECT_TRUE(error.contains(qt_error_string(EIO))) << error.toStdString();
        EXPECT_EQ(ReadAll(target), "the older file");
        EXPECT_EQ(QDir(out_).entryList(QDir::Files | QDir::Hidden), QStringList{w.target});
    }
}

TEST_F(DurableFileTest, TheDataIsFlushedBeforeTheFinalNameIsReplaced) {
    for (const Writer& w : Writers()) {
        SCOPED_TRACE(w.name);
        const QString target = out_ + u'/' + w.target;
        test::WriteFile(out_, w.target, "the older file");
        gLog = {};
        gLog.finalPath = target;
        gLog.older = "the older file";
        QString error;
        {
            ScopedFlush watching(&WatchingFlush);
            EXPECT_TRUE(w.write(target, error)) << error.toStdString();
        }
        EXPECT_GE(gLog.calls, 1);
        EXPECT_FALSE(gLog.renamedBeforeFlush);
        EXPECT_NE(ReadAll(target), "the older file");
    }
}

} // namespace
} // namespace kv
