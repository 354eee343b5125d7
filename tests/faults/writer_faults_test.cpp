// Every writer of the library (exports, join, repair, settings, hash lists) against a disk that
// runs full part-way through its file and against a folder that cannot be written: each reports a
// failure with a message, leaves the target folder exactly as it was (no file
// under a final name, no temporary file, an older file of that name intact)
// and never touches its sources.

#include "catalogue.h"
#include "csv_export.h"
#include "fault_support.h"
#include "file_hash.h"
#include "join.h"
#include "repair.h"
#include "settings_store.h"
#include "track_export.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

namespace kv::faults {
namespace {

// What one run of a writer into a folder gave.
struct Outcome {
    bool ok = false;
    std::optional<QString> message; // none: the writer has no text of its own
};

struct Writer {
    const char* name;
    // Files that are in the target folder before the write (an older output).
    std::function<void(const QString& folder)> plant;
    std::function<Outcome(const QString& folder)> write;
};

class WriterFaultsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        cards_ = new QTemporaryDir;
        const QString card = cards_->path() + QStringLiteral("/card");
        pairs_.push_back(WriteRecordingPair(card, QStringLiteral("A__S-261205-093000-000101F.AVI"),
                                            2.0, 0.0, cm::Damage::None, &error_));
        pairs_.push_back(WriteRecordingPair(card, QStringLiteral("A___-261205-093002-000102F.AVI"),
                                            2.0, 2.0, cm::Damage::None, &error_));
        damaged_ = WriteRecordingPair(cards_->path() + QStringLiteral("/damaged"),
                                      QStringLiteral("A__S-261205-100000-000201F.AVI"), 2.0, 0.0,
                                      cm::Damage::PowerLoss, &error_)
                       .front;
    }
    static void TearDownTestSuite() {
        delete cards_;
        cards_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(error_.empty()) << error_; }

    static RecordingList Entries() {
        Catalogue catalogue;
        RecordingList entries;
        for (const auto& p : pairs_) {
            MakeEntry(catalogue, p.front, p.rear, entries);
        }
        return entries;
    }

    static std::vector<Writer> Writers() {
        const auto none = [](const QString&) {};
        std::vector<Writer> writers;
        writers.push_back({"CSV export", none, [](const QString& folder) {
                               CsvError error = CsvError::None;
                               const bool ok = ExportCsv(Entries(), folder, {}, nullptr, &error) ==
                                               kOperationDone;
                               return Outcome{ok, error == CsvError::CannotCreate
                                                      ? QStringLiteral("cannot create")
                                                      : QString()};
                           }});
        writers.push_back({"join", none, [](const QString& folder) {
                               const RecordingList jobs = Entries();
                               JoinReport report;
                               const bool ok = JoinRecordings(jobs, JoinOutputPaths(jobs, folder),
                                                              {}, &report) == kOperationDone;
                               return Outcome{ok, report.error};
                           }});
        writers.push_back({"repair", none, [](const QString& folder) {
                               RepairReport report;
                               const bool ok =
                                   RepairFile(damaged_, folder + QStringLiteral("/copy.AVI"),
                                              nullptr, &report) == kOperationDone;
                               return Outcome{ok, report.error};
                           }});
        writers.push_back(
            {"settings",
             [](const QString& folder) {
                 QFile f(folder + QStringLiteral("/Default_Folder.ini"));
                 ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                 f.write("[MAP]\r\nAPIKEY=old\r\n");
             },
             [](const QString& folder) {
                 const SettingsStore store{folder + QStringLiteral("/Default_Folder.ini"), folder};
                 return Outcome{WriteSetting(store, u"MAP", u"APIKEY", QString(200, u'k')),
                                std::nullopt};
             }});
        writers.push_back({"track export", none, [](const QString& folder) {
                               ExportReport report;
                               const bool ok =
                                   ExportTelemetry({pairs_[0].front, pairs_[1].front},
                                                   ExportFormat::Gpx,
                                                   folder + QStringLiteral("/drive.gpx"), nullptr,
                                                   &report) == kOperationDone;
                               return Outcome{ok, report.error};
                           }});
        writers.push_back({"subtitles", none, [](const QString& folder) {
                               ExportReport report;
                               const bool ok = ExportSubtitles(
                                   pairs_[0].front,
                                   folder + u'/' + SubtitleFileName(pairs_[0].front), &report);
                               return Outcome{ok, report.error};
                           }});
        writers.push_back({"hash list", none, [](const QString& folder) {
                               HashListReport report;
                               const bool ok =
                                   WriteHashList({pairs_[0].front, pairs_[0].rear}, cards_->path(),
                                                 folder + QStringLiteral("/SHA256SUMS"), nullptr,
                                                 &report) == kOperationDone;
                               return Outcome{ok, report.error};
                           }});
        return writers;
    }

    // The largest file a writer leaves in an empty folder when nothing goes wrong.
    static qint64 LargestOutput(const Writer& writer) {
        QTemporaryDir scratch;
        writer.plant(scratch.path());
        const Outcome outcome = writer.write(scratch.path());
        EXPECT_TRUE(outcome.ok) << writer.name << " fails without a fault: "
                                << outcome.message.value_or(QString()).toStdString();
        qint64 largest = 0;
        for (const QFileInfo& info : QDir(scratch.path()).entryInfoList(QDir::Files)) {
            largest = std::max(largest, info.size());
        }
        return largest;
    }

    // The checks after a write that had to fail.
    static void ExpectCleanFailure(const Outcome& outcome,
                                   const QMap<QString, QByteArray>& folderBefore,
                                   const QMap<QString, QByteArray>& folderAfter,
                                   const QMap<QString, QByteArray>& sourcesBefore) {
        EXPECT_FALSE(outcome.ok);
        if (outcome.message) {
            EXPECT_FALSE(outcome.message->isEmpty()) << "no message";
            EXPECT_FALSE(outcome.message->contains(QStringLiteral("Unknown error")))
                << outcome.message->toStdString();
        }
        EXPECT_EQ(folderAfter, folderBefore)
            << "before: " << Names(folderBefore) << "; after: " << Names(folderAfter);
        EXPECT_EQ(Snapshot(cards_->path()), sourcesBefore) << "the sources changed";
    }

    static QTemporaryDir* cards_;
    static std::vector<WrittenRecording> pairs_;
    static QString damaged_;
    static std::string error_;
};

QTemporaryDir* WriterFaultsTest::cards_ = nullptr;
std::vector<WrittenRecording> WriterFaultsTest::pairs_;
QString WriterFaultsTest::damaged_;
std::string WriterFaultsTest::error_;

TEST_F(WriterFaultsTest, ADiskThatRunsFullMidWriteLeavesTheFolderAsItWas) {
    const auto sources = Snapshot(cards_->path());
    for (const Writer& writer : Writers()) {
        SCOPED_TRACE(writer.name);
        const qint64 largest = LargestOutput(writer);
        ASSERT_GT(largest, 1);
        QTemporaryDir out;
        writer.plant(out.path());
        const auto before = Snapshot(out.path());
        Outcome outcome;
        {
            // The disk is full when the file is half written.
            DiskFull full(static_cast<rlim_t>(largest / 2));
            ASSERT_TRUE(full.active());
            outcome = writer.write(out.path());
        }
        ExpectCleanFailure(outcome, before, Snapshot(out.path()), sources);
    }
}

TEST_F(WriterFaultsTest, AFolderThatCannotBeWrittenIsLeftAsItWas) {
    const auto sources = Snapshot(cards_->path());
    for (const Writer& writer : Writers()) {
        SCOPED_TRACE(writer.name);
        ReadOnlyFolder out(writer.plant);
        if (out.path().isEmpty()) {
            GTEST_SKIP() << out.reason();
        }
        const auto before = Snapshot(out.path());
        const Outcome outcome = writer.write(out.path());
        ExpectCleanFailure(outcome, before, Snapshot(out.path()), sources);
    }
}

// A join writes its front output first. When the rear output then fails, the
// completed front must not be left behind: the folder holds both or neither.
TEST(JoinFaultsTest, ARearThatFailsTakesTheCompletedFrontWithIt) {
    QTemporaryDir cards;
    const QString card = cards.path() + QStringLiteral("/card");
    QDir(card).mkpath(QStringLiteral("Normal/Front"));
    QDir(card).mkpath(QStringLiteral("Normal/Rear"));
    Catalogue catalogue;
    RecordingList jobs;
    for (const char* name : {"A__S-261205-093000-000101F.AVI", "A___-261205-093002-000102F.AVI"}) {
        // A rear camera with the larger pictures: its joined file is the larger one.
        cm::RecordingSpec front;
        front.fileName = QString::fromLatin1(name);
        front.width = 160;
        front.height = 96;
        front.seconds = 1.0;
        front.telemetry = cm::TelemetryForm::ExactCount;
        cm::RecordingSpec rear = front;
        rear.fileName = cm::CounterpartName(front.fileName);
        rear.width = 640;
        rear.height = 384;
        rear.grain = 10;
        rear.telemetry = cm::TelemetryForm::None;
        const QString frontPath = card + QStringLiteral("/Normal/Front/") + front.fileName;
        const QString rearPath = card + QStringLiteral("/Normal/Rear/") + rear.fileName;
        QString why;
        ASSERT_TRUE(cm::WriteRecording(front, frontPath, &why)) << why.toStdString();
        ASSERT_TRUE(cm::WriteRecording(rear, rearPath, &why)) << why.toStdString();
        MakeEntry(catalogue, frontPath, rearPath, jobs);
    }
    ASSERT_EQ(jobs.size(), 2u);
    const auto sources = Snapshot(card);

    // The sizes of the two outputs when nothing goes wrong.
    qint64 frontSize = 0;
    qint64 rearSize = 0;
    {
        QTemporaryDir scratch;
        const JoinOutputs outputs = JoinOutputPaths(jobs, scratch.path());
        JoinReport report;
        ASSERT_EQ(JoinRecordings(jobs, outputs, {}, &report), kOperationDone)
            << report.error.toStdString();
        ASSERT_TRUE(report.rearWritten);
        frontSize = QFileInfo(outputs.front).size();
        rearSize = QFileInfo(outputs.rear).size();
    }
    ASSERT_LT(frontSize + 4096, rearSize) << "the rear output must be the larger one";

    struct Case {
        const char* what;
        std::function<void(const JoinOutputs&)> fault;
        bool limitSize; // files may grow only to between the two outputs' sizes
    };
    const std::vector<Case> cases = {
        {"the disk runs full during the rear write", [](const JoinOutputs&) {}, true},
        {"a folder stands under the rear output's name",
         [](const JoinOutputs& o) { ASSERT_TRUE(QDir().mkpath(o.rear)); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir out;
        const JoinOutputs outputs = JoinOutputPaths(jobs, out.path());
        c.fault(outputs);
        const auto before = Snapshot(out.path());
        JoinReport report;
        OperationResult result = kOperationDone;
        {
            std::optional<DiskFull> full;
            if (c.limitSize) {
                full.emplace(static_cast<rlim_t>((frontSize + rearSize) / 2));
                ASSERT_TRUE(full->active());
            }
            result = JoinRecordings(jobs, outputs, {}, &report);
        }
        EXPECT_NE(result, kOperationDone);
        EXPECT_FALSE(report.error.isEmpty());
        EXPECT_EQ(Snapshot(out.path()), before)
            << "before: " << Names(before) << "; after: " << Names(Snapshot(out.path()));
        EXPECT_EQ(Snapshot(card), sources) << "the sources changed";
    }
}

} // namespace
} // namespace kv::faults
