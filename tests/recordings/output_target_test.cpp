// The one rule of every writer: which targets are refused whatever the user
// answers, and how a target is resolved to the file it names.

#include "avi_bytes.h"
#include "catalogue.h"
#include "csv_export.h"
#include "file_hash.h"
#include "join.h"
#include "output_target.h"
#include "repair.h"
#include "track_export.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include <unistd.h>

namespace kv {
namespace {

class OutputTargetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        card_ = dir_.path() + "/CARD";
        out_ = dir_.path() + "/out";
        ASSERT_TRUE(QDir().mkpath(card_ + "/Normal/Front"));
        ASSERT_TRUE(QDir().mkpath(card_ + "/Normal/Rear"));
        ASSERT_TRUE(QDir().mkpath(out_));
        test::AviSpec recipe;
        recipe.chunks = test::SimpleChunks(10, true);
        recipe.telemetry = test::ExactBlock({test::TypicalRecord()});
        recording_ = test::WriteFile(card_ + "/Normal/Front", "A___-261205-093000-000101F.AVI",
                                     test::MakeAvi(recipe));
        // A recording under a name that is no recorder's.
        renamed_ = test::WriteFile(out_, "drive.bin", test::MakeAvi(recipe));
        text_ = test::WriteFile(out_, "old.gpx", "<gpx/>");
        ASSERT_TRUE(QFile::link(recording_, out_ + "/link.gpx"));
        ASSERT_TRUE(QFile::link(card_ + "/Normal/Front", out_ + "/front"));
        ASSERT_EQ(::link(QFile::encodeName(recording_).constData(),
                         QFile::encodeName(out_ + "/hard.gpx").constData()),
                  0);
    }

    QTemporaryDir dir_;
    QString card_, out_, recording_, renamed_, text_;
};

TEST_F(OutputTargetTest, RefusesSourcesRecordingsAndCardFoldersWhateverTheAnswer) {
    struct Case {
        const char* what;
        QString target;
        OutputRole role;
        TargetRefusal refusal;
        bool exists;
    };
    const QString name = QStringLiteral("A___-261205-093000-000101F.AVI");
    const std::vector<Case> cases = {
        {"the source itself", recording_, OutputRole::Other, TargetRefusal::Input, true},
        {"the source through a link", out_ + "/link.gpx", OutputRole::Other, TargetRefusal::Input,
         true},
        {"the source through ..", card_ + "/Normal/Rear/../Front/" + name, OutputRole::Recording,
         TargetRefusal::Input, true},
        {"the source through a linked folder", out_ + "/front/" + name, OutputRole::Recording,
         TargetRefusal::Input, true},
        {"a hard link to the source", out_ + "/hard.gpx", OutputRole::Other, TargetRefusal::Input,
         true},
        {"a new recording in a card folder", card_ + "/Normal/Rear/new.AVI", OutputRole::Recording,
         TargetRefusal::CardFolder, false},
        {"a card folder in another case", card_ + "/normal/REAR/new.AVI", OutputRole::Recording,
         TargetRefusal::CardFolder, false},
        {"a card folder reached through a link", out_ + "/front/new.AVI", OutputRole::Recording,
         TargetRefusal::CardFolder, false},
        {"a recording under another name", renamed_, OutputRole::Other, TargetRefusal::Recording,
         true},
        {"a list in a card folder", card_ + "/Normal/Rear/list.gpx", OutputRole::Other,
         TargetRefusal::None, false},
        {"an older list", text_, OutputRole::Other, TargetRefusal::None, true},
        {"an older joined recording elsewhere", renamed_, OutputRole::Recording,
         TargetRefusal::None, true},
        {"a new file", out_ + "/new.gpx", OutputRole::Other, TargetRefusal::None, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TargetCheck check = CheckOutputTarget(c.target, {recording_}, c.role);
        EXPECT_EQ(check.refusal, c.refusal) << check.message.toStdString();
        EXPECT_EQ(check.exists, c.exists);
        EXPECT_EQ(check.message.isEmpty(), c.refusal == TargetRefusal::None);
        if (c.refusal == TargetRefusal::Input) {
            EXPECT_EQ(check.input, recording_);
            EXPECT_TRUE(check.message.contains(c.target)) << check.message.toStdString();
        }
    }
}

// Each writer of the library checks its own target, whoever calls it: a
// target that leads to the recording it reads fails before a byte is written.
TEST_F(OutputTargetTest, EveryWriterRefusesATargetThatLeadsToItsRecording) {
    Catalogue catalogue;
    RecordingList entries;
    MakeEntry(catalogue, recording_, QString(), entries);
    const QString listLink = out_ + u'/' + CsvFileName(entries.front());
    ASSERT_TRUE(QFile::link(recording_, listLink));
    const QString link = out_ + "/link.gpx";
    struct Writer {
        const char* name;
        std::function<bool()> write;
    };
    const std::vector<Writer> writers = {
        {"track export",
         [&] {
             return ExportTelemetry({recording_}, ExportFormat::Gpx, link) != kOperationFailed;
         }},
        {"subtitles", [&] { return ExportSubtitles(recording_, link); }},
        {"hash list", [&] { return WriteHashList({recording_}, card_, link) != kOperationFailed; }},
        {"CSV list", [&] { return ExportCsv(entries, out_, {}) != kOperationFailed; }},
        {"repair",
         [&] {
             return RepairFile(recording_, out_ + "/front/" + QFileInfo(recording_).fileName()) !=
                    kOperationFailed;
         }},
        {"join",
         [&] {
             return JoinRecordings(entries, JoinOutputPaths(entries, out_ + "/front"), {}) !=
                    kOperationFailed;
         }},
    };
    const auto digest = [this] {
        QFile f(recording_);
        return f.open(QIODevice::ReadOnly)
                   ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                   : QByteArray();
    };
    const QByteArray before = digest();
    for (const Writer& w : writers) {
        SCOPED_TRACE(w.name);
        EXPECT_FALSE(w.write());
        EXPECT_EQ(digest(), before);
        EXPECT_TRUE(QFileInfo(link).isSymLink());
        EXPECT_TRUE(QFileInfo(listLink).isSymLink());
    }
}

TEST_F(OutputTargetTest, SameFileTargetComparesFilesNotSpellings) {
    EXPECT_TRUE(SameFileTarget(out_ + "/hard.gpx", recording_));
    EXPECT_TRUE(SameFileTarget(out_ + "/./new.gpx", out_ + "/new.gpx"));
    EXPECT_FALSE(SameFileTarget(text_, recording_));
    EXPECT_FALSE(SameFileTarget(out_ + "/new.gpx", out_ + "/other.gpx"));
    // Only a FAT or exFAT volume compares without case.
    EXPECT_EQ(SameFileTarget(out_ + "/new.gpx", out_ + "/NEW.gpx"), CaseInsensitiveVolume(out_));
}

} // namespace
} // namespace kv
