// Joining recordings: real recordings from the card maker joined and read back
// by the library, by ffprobe/ffmpeg and by the telemetry decoder; the limits
// of the layout; cancelling; and outputs that cannot be written (a full
// volume, a read-only folder, a source that changed after it was loaded).

#include "avi_bytes.h"
#include "avi_clip.h"
#include "byte_order.h"
#include "cardmaker.h"
#include "catalogue.h"
#include "free_space.h"
#include "join.h"
#include "progress_log.h"
#include "telemetry_layout.h"
#include "telemetry_reader.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include <unistd.h>

namespace kv {
namespace {

namespace cm = cardmaker;

using test::ProgressLog;

struct ToolResult {
    int exitCode = -1;
    QString out;
    QString err;
};

ToolResult RunTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    ToolResult r;
    if (!p.waitForFinished(120000)) {
        r.err = QStringLiteral("%1 did not finish").arg(program);
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

QString FindTool(const char* name) {
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray Digest(const QString& path) {
    return QCryptographicHash::hash(ReadAll(path), QCryptographicHash::Sha256);
}

// Every entry of a folder, hidden ones included: temporary files must not stay behind.
QStringList FolderContents(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

std::uint32_t HeaderField(const AviClip& clip, std::uint32_t offset) {
    return ReadLe32(reinterpret_cast<const unsigned char*>(clip.header.constData()) + offset);
}

// A tmpfs mounted for one test (root only; tests skip without it).
class TmpfsMount {
public:
    explicit TmpfsMount(std::int64_t bytes) {
        if (::geteuid() != 0) {
            reason_ = "mounting a tmpfs needs root";
            return;
        }
        const ToolResult r =
            RunTool(QStringLiteral("mount"),
                    {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                     QStringLiteral("size=%1").arg(bytes), QStringLiteral("tmpfs"), dir_.path()});
        mounted_ = r.exitCode == 0;
        if (!mounted_) {
            reason_ = "mount -t tmpfs failed: " + r.err.toStdString();
        }
    }
    ~TmpfsMount() {
        if (mounted_) {
            RunTool(QStringLiteral("umount"), {dir_.path()});
        }
    }
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& reason() const { return reason_; }
    QString path() const { return dir_.path(); }
    bool MakeReadOnly() {
        return RunTool(QStringLiteral("mount"),
                       {QStringLiteral("-o"), QStringLiteral("remount,ro"), dir_.path()})
                   .exitCode == 0;
    }

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
    std::string reason_;
};

// Real recordings, written once: three consecutive normal recordings (front
// and rear, with sound) in card folders and two time-lapse recordings.
class JoinTest : public ::testing::Test {
protected:
    struct Written {
        cm::RecordingSpec front;
        cm::RecordingSpec rear;
        cm::RecordingReport frontReport;
        cm::RecordingReport rearReport;
        QString frontPath;
        QString rearPath;
    };

    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        QDir(dir_->path()).mkpath(QStringLiteral("Normal/Front"));
        QDir(dir_->path()).mkpath(QStringLiteral("Normal/Rear"));
        const char* normal[] = {"A___-261205-093000-000101F.AVI", "A___-261205-093003-000102F.AVI",
                                "A___-261205-093006-000103F.AVI"};
        for (int i = 0; i < 3; ++i) {
            Write(normal[i], 2.0 + 0.5 * i, 3.0 * i,
                  i == 0 ? cm::TelemetryForm::FullLength : cm::TelemetryForm::ExactCount, normal_);
        }
        const char* lapse[] = {"T___-261205-100000-000201F.AVI", "T___-261205-100030-000202F.AVI"};
        for (int i = 0; i < 2; ++i) {
            Write(lapse[i], 3.0, 30.0 * i, cm::TelemetryForm::ExactCount, lapse_);
        }
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(error_.empty()) << error_; }

    static void Write(const char* name, double seconds, double session, cm::TelemetryForm form,
                      std::vector<Written>& into) {
        Written w;
        w.front.fileName = QString::fromLatin1(name);
        w.front.width = 160;
        w.front.height = 96;
        w.front.seconds = seconds;
        w.front.sessionSeconds = session;
        w.front.telemetry = form;
        if (cm::IsTimeLapseName(w.front.fileName)) {
            w.front.audio = false;
            w.front.rate = 15;
        }
        w.rear = w.front;
        w.rear.fileName = cm::CounterpartName(w.front.fileName);
        w.rear.telemetry = cm::TelemetryForm::None;
        w.frontPath = dir_->path() + "/Normal/Front/" + w.front.fileName;
        w.rearPath = dir_->path() + "/Normal/Rear/" + w.rear.fileName;
        QString error;
        if (!cm::WriteRecording(w.front, w.frontPath, &error, &w.frontReport) ||
            !cm::WriteRecording(w.rear, w.rearPath, &error, &w.rearReport)) {
            error_ = error.toStdString();
        }
        into.push_back(w);
    }

    // The recording list's entries of the given recordings, as the catalogue makes them.
    static RecordingList Jobs(const std::vector<Written>& recordings) {
        Catalogue catalogue;
        RecordingList jobs;
        for (const Written& w : recordings) {
            MakeEntry(catalogue, w.frontPath, w.rearPath, jobs);
        }
        return jobs;
    }

    static OperationControl Recording(ProgressLog& log) {
        OperationControl control;
        control.progress = [&log](std::int64_t done, std::int64_t total) {
            log.emplace_back(done, total);
        };
        return control;
    }

    static QTemporaryDir* dir_;
    static std::vector<Written> normal_;
    static std::vector<Written> lapse_;
    static std::string error_;
};

QTemporaryDir* JoinTest::dir_ = nullptr;
std::vector<JoinTest::Written> JoinTest::normal_;
std::vector<JoinTest::Written> JoinTest::lapse_;
std::string JoinTest::error_;

struct StreamCounts {
    int video = -1; // decoded frames
    int audio = -1; // packets; -1 when there is no audio stream
};

// ffprobe's count of the streams of path; an outside reader of the layout.
StreamCounts Probe(const QString& path) {
    const QString ffprobe = FindTool("ffprobe");
    StreamCounts counts;
    if (ffprobe.isEmpty()) {
        ADD_FAILURE() << "ffprobe is not installed (Debian package ffmpeg)";
        return counts;
    }
    const ToolResult r = RunTool(
        ffprobe, {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
                  QStringLiteral("-count_packets"), QStringLiteral("-show_entries"),
                  QStringLiteral("stream=codec_type,nb_read_frames,nb_read_packets"),
                  QStringLiteral("-of"), QStringLiteral("csv=p=0"), path});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    for (const QString& line : r.out.trimmed().split(u'\n')) {
        const QStringList f = line.trimmed().split(u',');
        if (f.size() < 3) {
            continue;
        }
        if (f[0] == u"video") {
            counts.video = f[1].toInt();
        } else if (f[0] == u"audio") {
            counts.audio = f[2].toInt();
        }
    }
    return counts;
}

// ffmpeg decodes every stream of path without a complaint.
void ExpectDecodesCleanly(const QString& path) {
    const QString ffmpeg = FindTool("ffmpeg");
    ASSERT_FALSE(ffmpeg.isEmpty()) << "ffmpeg is not installed (Debian package ffmpeg)";
    const ToolResult r =
        RunTool(ffmpeg, {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path,
                         QStringLiteral("-f"), QStringLiteral("null"), QStringLiteral("-")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
}

// The bytes of the chunk stream (after the movi tag) of a recording file.
QByteArray ChunkBytes(const QString& path, std::uint32_t headerLength, std::uint32_t moviSize) {
    return ReadAll(path).mid(headerLength + 12, moviSize - 4);
}

TEST_F(JoinTest, ThreeRecordingsJoinIntoOneFrontAndOneRearRecording) {
    const RecordingList jobs = Jobs(normal_);
    QTemporaryDir out;
    const JoinOutputs outputs = JoinOutputPaths(jobs, out.path());
    EXPECT_EQ(outputs.front, out.path() + u'/' + normal_[0].front.fileName);
    EXPECT_EQ(outputs.rear, out.path() + u'/' + normal_[0].rear.fileName);

    ProgressLog progress;
    JoinReport report;
    ASSERT_EQ(JoinRecordings(jobs, outputs, Recording(progress), &report), kOperationDone)
        << report.error.toStdString();
    EXPECT_TRUE(report.rearWritten);
    EXPECT_EQ(report.exported, (std::vector<std::size_t>{0, 1, 2}));
    // Merging, then writing: the bar starts again for the write and ends full.
    test::ExpectProgressEndsFull(progress, 3);

    std::unique_ptr<AviClip> a = LoadClip(normal_[0].frontPath);
    std::unique_ptr<AviClip> b = LoadClip(normal_[1].frontPath);
    std::unique_ptr<AviClip> c = LoadClip(normal_[2].frontPath);
    std::unique_ptr<AviClip> joined = LoadClip(outputs.front);
    ASSERT_TRUE(a && b && c);
    ASSERT_TRUE(joined) << "the joined front file does not load";

    // One movi list holding A's, B's and C's chunks in order.
    const std::uint32_t ma = a->moviSize(), mb = b->moviSize(), mc = c->moviSize();
    EXPECT_EQ(joined->moviSize(), ma + mb + mc - 8);
    EXPECT_EQ(ChunkBytes(outputs.front, 384, joined->moviSize()),
              ChunkBytes(normal_[0].frontPath, 384, ma) +
                  ChunkBytes(normal_[1].frontPath, 384, mb) +
                  ChunkBytes(normal_[2].frontPath, 384, mc));

    // One index: B's entries moved by M_A - 4, C's by M_A + M_B - 8.
    const std::size_t na = a->index.size(), nb = b->index.size(), nc = c->index.size();
    ASSERT_EQ(joined->index.size(), na + nb + nc);
    EXPECT_EQ(joined->indexSize(), 16 * (na + nb + nc));
    for (std::size_t k = 0; k < na + nb + nc; ++k) {
        const bool inA = k < na, inB = !inA && k < na + nb;
        const avi::IndexEntry& source = inA   ? a->index[k]
                                        : inB ? b->index[k - na]
                                              : c->index[k - na - nb];
        const std::uint32_t shift = inA ? 0 : inB ? ma - 4 : ma + mb - 8;
        const avi::IndexEntry& entry = joined->index[k];
        ASSERT_EQ(entry.offset, source.offset + shift) << "entry " << k;
        ASSERT_EQ(entry.tag, source.tag) << "entry " << k;
        ASSERT_EQ(entry.flags, source.flags) << "entry " << k;
        ASSERT_EQ(entry.size, source.size) << "entry " << k;
    }

    // The header: A's, with the sizes and counts grown.
    EXPECT_EQ(HeaderField(*joined, avi::kRiffSize),
              HeaderField(*a, avi::kRiffSize) + 16 * nb + mb - 4 + 16 * nc + mc - 4);
    for (std::uint32_t field : {avi::kTotalFrames, avi::kVideoLength, avi::kAudioLength}) {
        EXPECT_EQ(HeaderField(*joined, field),
                  HeaderField(*a, field) + HeaderField(*b, field) + HeaderField(*c, field))
            << "header offset " << field;
    }
    // Every other header field (picture size, rates, audio format) stays A's.
    QByteArray joinedRest = joined->header, aRest = a->header;
    for (std::uint32_t field :
         {avi::kRiffSize, avi::kTotalFrames, avi::kVideoLength, avi::kAudioLength}) {
        joinedRest.replace(field, 4, QByteArray(4, '\0'));
        aRest.replace(field, 4, QByteArray(4, '\0'));
    }
    EXPECT_EQ(joinedRest, aRest);

    // ffprobe and ffmpeg read the sum of the three recordings.
    const StreamCounts counts = Probe(outputs.front);
    EXPECT_EQ(counts.video, normal_[0].frontReport.videoChunks +
                                normal_[1].frontReport.videoChunks +
                                normal_[2].frontReport.videoChunks);
    EXPECT_EQ(counts.audio, normal_[0].frontReport.audioChunks +
                                normal_[1].frontReport.audioChunks +
                                normal_[2].frontReport.audioChunks);
    ExpectDecodesCleanly(outputs.front);

    // The telemetry block: A's, B's and C's records in order, both counts the total.
    QByteArray script;
    for (const Written& w : normal_) {
        for (const cm::TelemetryScriptRecord& r : cm::TelemetryScript(w.front)) {
            script += cm::EncodeTelemetryRecord(r);
        }
    }
    const auto total = static_cast<std::uint32_t>(script.size() / telemetry::kRecordLength);
    EXPECT_EQ(total, a->recordCount + b->recordCount + c->recordCount);
    EXPECT_EQ(joined->records, script);
    const QByteArray file = ReadAll(outputs.front);
    const qsizetype blockLength = 68 + 130 * static_cast<qsizetype>(total);
    ASSERT_EQ(file.size(), 400 + joined->moviSize() + joined->indexSize() + blockLength);
    const auto* block =
        reinterpret_cast<const unsigned char*>(file.constData()) + file.size() - blockLength;
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(block), 6), "CSMDAT");
    EXPECT_EQ(ReadBe16(block + 38), total);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(block) + blockLength - 28, 6), "CSMEND");
    EXPECT_EQ(ReadBe32(block + blockLength - 28 + 16), total);

    TelemetryReader reader;
    reader.Init();
    ASSERT_TRUE(reader.Open(outputs.front));
    ASSERT_EQ(reader.sensors.size(), total);
    std::size_t i = 0;
    for (const Written& w : normal_) {
        for (const cm::TelemetryScriptRecord& r : cm::TelemetryScript(w.front)) {
            ASSERT_NEAR(reader.sensors[i].accelX, r.accelX / 1000.0, 1e-6) << "record " << i;
            ASSERT_NEAR(reader.sensors[i].accelZ, r.accelZ / 1000.0, 1e-6) << "record " << i;
            ASSERT_EQ(reader.vehicles[i].words, r.vehicleWords) << "record " << i;
            ++i;
        }
    }

    // The rear output: the rear files joined the same way, without a telemetry block.
    std::unique_ptr<AviClip> rear = LoadClip(outputs.rear);
    ASSERT_TRUE(rear);
    EXPECT_FALSE(rear->hasTelemetry);
    EXPECT_EQ(QFileInfo(outputs.rear).size(), 400 + rear->moviSize() + rear->indexSize());
    EXPECT_EQ(rear->index.size(), LoadClip(normal_[0].rearPath)->index.size() +
                                      LoadClip(normal_[1].rearPath)->index.size() +
                                      LoadClip(normal_[2].rearPath)->index.size());
    const StreamCounts rearCounts = Probe(outputs.rear);
    EXPECT_EQ(rearCounts.video, normal_[0].rearReport.videoChunks +
                                    normal_[1].rearReport.videoChunks +
                                    normal_[2].rearReport.videoChunks);
    EXPECT_EQ(rearCounts.audio, normal_[0].rearReport.audioChunks +
                                    normal_[1].rearReport.audioChunks +
                                    normal_[2].rearReport.audioChunks);
    ExpectDecodesCleanly(outputs.rear);
}

TEST_F(JoinTest, TimeLapseJoinKeepsItsShortHeaderAndAddsNoAudio) {
    const RecordingList jobs = Jobs(lapse_);
    QTemporaryDir out;
    const JoinOutputs outputs = JoinOutputPaths(jobs, out.path());
    JoinReport report;
    ASSERT_EQ(JoinRecordings(jobs, outputs, {}, &report), kOperationDone)
        << report.error.toStdString();

    std::unique_ptr<AviClip> first = LoadClip(lapse_[0].frontPath);
    std::unique_ptr<AviClip> second = LoadClip(lapse_[1].frontPath);
    std::unique_ptr<AviClip> joined = LoadClip(outputs.front);
    ASSERT_TRUE(first && second && joined);
    const QByteArray file = ReadAll(outputs.front);
    EXPECT_EQ(file.mid(280, 4), "LIST");
    EXPECT_EQ(file.mid(288, 4), "movi");
    EXPECT_EQ(joined->header.size(), 280);
    // Where the layout with sound keeps its audio fields, the time-lapse
    // header holds others: they stay the first recording's.
    EXPECT_EQ(joined->header.mid(avi::kAudioRate), first->header.mid(avi::kAudioRate));
    EXPECT_EQ(HeaderField(*joined, avi::kTotalFrames),
              HeaderField(*first, avi::kTotalFrames) + HeaderField(*second, avi::kTotalFrames));
    EXPECT_EQ(joined->index[first->index.size()].offset,
              second->index[0].offset + first->moviSize() - 4);
    EXPECT_EQ(joined->recordCount, first->recordCount + second->recordCount);

    const StreamCounts counts = Probe(outputs.front);
    EXPECT_EQ(counts.video, lapse_[0].frontReport.videoChunks + lapse_[1].frontReport.videoChunks);
    EXPECT_EQ(counts.audio, -1);
    ExpectDecodesCleanly(outputs.front);
    EXPECT_EQ(Probe(outputs.rear).video,
              lapse_[0].rearReport.videoChunks + lapse_[1].rearReport.videoChunks);
}

TEST_F(JoinTest, ARearThatCannotBeJoinedLeavesTheFrontOutputOnly) {
    QTemporaryDir scratch;
    const QString garbage =
        test::WriteFile(scratch.path(), normal_[1].rear.fileName, "not a recording");
    struct Case {
        const char* what;
        QString secondRear;
    };
    for (const Case& c : {Case{"missing", QString()}, Case{"unreadable", garbage}}) {
        SCOPED_TRACE(c.what);
        RecordingList jobs = Jobs({normal_[0], normal_[1]});
        jobs[1].rearPath = c.secondRear;
        QTemporaryDir out;
        const JoinOutputs outputs = JoinOutputPaths(jobs, out.path());
        ProgressLog progress;
        JoinReport report;
        ASSERT_EQ(JoinRecordings(jobs, outputs, Recording(progress), &report), kOperationDone)
            << report.error.toStdString();
        EXPECT_FALSE(report.rearWritten);
        EXPECT_EQ(report.exported.size(), 2u);
        test::ExpectProgressEndsFull(progress, 2);
        EXPECT_EQ(FolderContents(out.path()), QStringList{normal_[0].front.fileName});
        std::unique_ptr<AviClip> joined = LoadClip(outputs.front);
        ASSERT_TRUE(joined);
        EXPECT_EQ(joined->index.size(), LoadClip(normal_[0].frontPath)->index.size() +
                                            LoadClip(normal_[1].frontPath)->index.size());
    }
}

TEST_F(JoinTest, AFrontThatCannotBeLoadedFailsTheJoinBeforeAnythingIsWritten) {
    QTemporaryDir scratch;
    const QString garbage =
        test::WriteFile(scratch.path(), normal_[1].front.fileName, QByteArray(1000, 'x'));
    struct Case {
        const char* what;
        std::size_t entry;
        QString path;
    };
    for (const Case& c :
         {Case{"first missing", 0, scratch.path() + "/A___-261205-093000-000101F.AVI"},
          Case{"first has no front file", 0, QString()},
          Case{"second missing", 1, scratch.path() + "/none.AVI"},
          Case{"second not a recording", 1, garbage}}) {
        SCOPED_TRACE(c.what);
        RecordingList jobs = Jobs(normal_);
        QTemporaryDir out;
        const JoinOutputs outputs = JoinOutputPaths(jobs, out.path());
        jobs[c.entry].frontPath = c.path;
        JoinReport report;
        EXPECT_EQ(JoinRecordings(jobs, outputs, {}, &report), kOperationFailed);
        EXPECT_FALSE(report.error.isEmpty());
        EXPECT_TRUE(report.exported.empty());
        EXPECT_TRUE(FolderContents(out.path()).isEmpty());
    }
}

TEST_F(JoinTest, ACancelledJoinLeavesNothingUnderTheFinalNames) {
    // Where the user cancels: while recordings are merged, after merging,
    // during the front write and during the rear write.
    const ProgressLog cancelAt = {{1, 3}, {50, 100}, {10, 100}, {40, 100}};
    const RecordingList jobs = Jobs(normal_);
    for (const auto& at : cancelAt) {
        SCOPED_TRACE(testing::Message() << "cancelled at " << at.first << "/" << at.second);
        QTemporaryDir out;
        const JoinOutputs outputs = JoinOutputPaths(jobs, out.path());
        // A file the join was allowed to replace stays as it was.
        const QString old = test::WriteFile(out.path(), normal_[0].front.fileName, "old bytes");
        std::atomic<bool> running{true};
        OperationControl control;
        control.running = &running;
        control.progress = [&](std::int64_t done, std::int64_t total) {
            if (std::make_pair(done, total) == at) {
                running = false;
            }
        };
        JoinReport report;
        EXPECT_EQ(JoinRecordings(jobs, outputs, control, &report), kOperationCancelled);
        EXPECT_EQ(FolderContents(out.path()), QStringList{normal_[0].front.fileName});
        EXPECT_EQ(ReadAll(old), "old bytes");
        EXPECT_TRUE(report.exported.empty());
    }
}

TEST_F(JoinTest, ASourceThatChangedSinceItWasLoadedFailsTheWrite) {
    struct Case {
        const char* what;
        std::function<void(const QString& second)> change;
    };
    const QString thirdFront = normal_[2].frontPath;
    const std::vector<Case> cases = {
        {"cut short", [](const QString& p) { QFile(p).resize(QFileInfo(p).size() / 2); }},
        {"replaced by another recording",
         [thirdFront](const QString& p) {
             QFile::remove(p);
             QFile::copy(thirdFront, p);
         }},
        {"removed", [](const QString& p) { QFile::remove(p); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir work;
        const QString first = work.path() + u'/' + normal_[0].front.fileName;
        const QString second = work.path() + u'/' + normal_[1].front.fileName;
        ASSERT_TRUE(QFile::copy(normal_[0].frontPath, first));
        ASSERT_TRUE(QFile::copy(normal_[1].frontPath, second));
        std::unique_ptr<AviClip> joined = LoadClip(first);
        std::unique_ptr<AviClip> next = LoadClip(second);
        ASSERT_TRUE(joined && next);
        ASSERT_TRUE(MergeClip(*joined, *next));
        c.change(second);

        QTemporaryDir out;
        const QString target = out.path() + u'/' + normal_[0].front.fileName;
        const QString old = test::WriteFile(out.path(), normal_[0].front.fileName, "old bytes");
        QString error;
        EXPECT_FALSE(WriteClip(*joined, target, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(ReadAll(old), "old bytes");
        EXPECT_EQ(FolderContents(out.path()), QStringList{normal_[0].front.fileName});
    }
}

TEST_F(JoinTest, AFullVolumeFailsTheJoinAndKeepsEverythingElse) {
    const RecordingList jobs = Jobs(normal_);
    std::int64_t chunks = 0;
    for (const Written& w : normal_) {
        chunks += w.frontReport.moviSize;
    }
    // Room for an old file and about half of the joined front file.
    TmpfsMount volume(chunks / 2);
    if (!volume.mounted()) {
        GTEST_SKIP() << volume.reason();
    }
    const JoinOutputs outputs = JoinOutputPaths(jobs, volume.path());
    const QString old = test::WriteFile(volume.path(), normal_[0].front.fileName, "old bytes");
    std::vector<QByteArray> before;
    for (const Written& w : normal_) {
        before.push_back(Digest(w.frontPath) + Digest(w.rearPath));
    }

    JoinReport report;
    EXPECT_EQ(JoinRecordings(jobs, outputs, {}, &report), kOperationFailed);
    EXPECT_TRUE(report.error.contains(QStringLiteral("No space left")))
        << report.error.toStdString();
    EXPECT_EQ(ReadAll(old), "old bytes");
    EXPECT_EQ(FolderContents(volume.path()), QStringList{normal_[0].front.fileName});
    for (std::size_t i = 0; i < normal_.size(); ++i) {
        EXPECT_EQ(Digest(normal_[i].frontPath) + Digest(normal_[i].rearPath), before[i]);
    }
}

TEST_F(JoinTest, AReadOnlyFolderFailsTheJoinCleanly) {
    TmpfsMount volume(64 * 1024 * 1024);
    if (!volume.mounted()) {
        GTEST_SKIP() << volume.reason();
    }
    ASSERT_TRUE(volume.MakeReadOnly());
    const RecordingList jobs = Jobs(normal_);
    JoinReport report;
    EXPECT_EQ(JoinRecordings(jobs, JoinOutputPaths(jobs, volume.path()), {}, &report),
              kOperationFailed);
    EXPECT_TRUE(report.error.contains(normal_[0].front.fileName)) << report.error.toStdString();
    EXPECT_TRUE(FolderContents(volume.path()).isEmpty());
}

// Recordings built byte by byte whose telemetry blocks hold count records each.
QString RecordsFile(const QString& dir, const QString& name, int count) {
    test::AviSpec recipe;
    recipe.chunks = test::SimpleChunks(30, true);
    recipe.telemetry = test::ExactBlock(
        std::vector<QByteArray>(static_cast<std::size_t>(count), test::TypicalRecord()));
    return test::WriteFile(dir, name, test::MakeAvi(recipe));
}

TEST(JoinLimits, AJoinPastTheBlockCountIsRefusedBeforeAnythingIsWritten) {
    QTemporaryDir dir;
    Catalogue catalogue;
    RecordingList jobs;
    MakeEntry(catalogue, RecordsFile(dir.path(), "A___-261205-093000-000101F.AVI", 32768), {},
              jobs);
    MakeEntry(catalogue, RecordsFile(dir.path(), "A___-261205-093100-000102F.AVI", 32768), {},
              jobs);
    ASSERT_EQ(jobs.size(), 2u);
    QTemporaryDir out;
    JoinReport report;
    EXPECT_EQ(JoinRecordings(jobs, JoinOutputPaths(jobs, out.path()), {}, &report),
              kOperationFailed);
    EXPECT_TRUE(report.error.contains(QStringLiteral("65534"))) << report.error.toStdString();
    EXPECT_TRUE(FolderContents(out.path()).isEmpty());
}

// A clip as LoadClip leaves it, built in memory: the merge arithmetic needs no files.
std::unique_ptr<AviClip> MemoryClip(const QString& name, std::uint32_t movi, int entries,
                                    int records) {
    auto clip = std::make_unique<AviClip>();
    clip->timeLapse = name.startsWith(u'T');
    clip->header = QByteArray(clip->timeLapse ? 280 : 384, '\0');
    auto* h = reinterpret_cast<unsigned char*>(clip->header.data());
    WriteLe32(h + avi::kRiffSize, movi + 16 * entries + 400);
    WriteLe32(h + avi::kTotalFrames, static_cast<std::uint32_t>(entries));
    WriteLe32(h + avi::kVideoLength, static_cast<std::uint32_t>(entries));
    if (!clip->timeLapse) {
        WriteLe32(h + avi::kAudioLength, 7);
    }
    std::memcpy(clip->moviHead.data(), "LIST", 4);
    WriteLe32(clip->moviHead.data() + 4, movi);
    std::memcpy(clip->moviHead.data() + 8, "movi", 4);
    clip->segments.push_back({name, clip->timeLapse ? 292u : 396u, movi - 4});
    for (int i = 0; i < entries; ++i) {
        clip->index.push_back(
            {avi::kVideoFourCc, 0x10, static_cast<std::uint32_t>(4 + i * 24), 16});
    }
    std::memcpy(clip->indexHead.data(), "idx1", 4);
    WriteLe32(clip->indexHead.data() + 4, static_cast<std::uint32_t>(16 * entries));
    clip->hasTelemetry = true;
    clip->recordCount = static_cast<std::uint16_t>(records);
    clip->trailerCount = static_cast<std::uint32_t>(records);
    clip->records = QByteArray(records * 130, 'r');
    return clip;
}

TEST(JoinLimits, MergeRefusesWhatTheLayoutCannotHoldAndLeavesBothClipsAlone) {
    const QString front = QStringLiteral("/card/Normal/Front/A___-261205-093000-000101F.AVI");
    const QString next = QStringLiteral("/card/Normal/Front/A___-261205-093100-000102F.AVI");
    struct Case {
        const char* what;
        std::uint32_t intoMovi, nextMovi;
        int intoRecords, nextRecords;
        bool merges;
    };
    const Case cases[] = {
        {"65,534 records fit the 16-bit count", 1000, 1000, 32768, 32766, true},
        {"65,535 records would read as an open-ended count", 1000, 1000, 32768, 32767, false},
        {"a movi list past 4 GiB", 0xC0000000u, 0x40000008u, 1, 1, false},
        {"a movi list just below 4 GiB", 0xC0000000u, 0x3FFF0000u, 1, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto into = MemoryClip(front, c.intoMovi, 3, c.intoRecords);
        auto other = MemoryClip(next, c.nextMovi, 2, c.nextRecords);
        const AviClip before = *into;
        ASSERT_EQ(MergeClip(*into, *other), c.merges);
        if (c.merges) {
            EXPECT_EQ(into->recordCount, c.intoRecords + c.nextRecords);
            EXPECT_EQ(into->trailerCount,
                      static_cast<std::uint32_t>(c.intoRecords + c.nextRecords));
            EXPECT_EQ(into->moviSize(), c.intoMovi + c.nextMovi - 4);
            EXPECT_EQ(into->index[3].offset, 4 + c.intoMovi - 4);
            EXPECT_EQ(into->segments.size(), 2u);
            EXPECT_TRUE(other->segments.empty());
            continue;
        }
        EXPECT_EQ(into->header, before.header);
        EXPECT_EQ(into->moviHead, before.moviHead);
        EXPECT_EQ(into->index.size(), before.index.size());
        EXPECT_EQ(into->records, before.records);
        EXPECT_EQ(into->recordCount, before.recordCount);
        EXPECT_EQ(into->segments.size(), 1u);
        EXPECT_EQ(other->segments.size(), 1u);
    }
}

TEST(JoinSpace, AJoinNeedsMoreThanItsExpectedLengths) {
    RecordingList jobs(2);
    jobs[0].frontExpectedLength = 1000;
    jobs[0].rearExpectedLength = 400;
    jobs[1].frontExpectedLength = 900;
    jobs[1].rearExpectedLength = 0; // no rear file
    ASSERT_EQ(JoinSpaceNeeded(jobs), 2300);
    const struct {
        std::int64_t available;
        bool room;
    } cases[] = {{2301, true}, {2300, false}, {2299, false}, {0, false}, {-1, false}};
    for (const auto& c : cases) {
        QString asked;
        const bool room = HasRoomForJoin(jobs, QStringLiteral("/out"), [&](const QString& folder) {
            asked = folder;
            return c.available;
        });
        EXPECT_EQ(room, c.room) << "available " << c.available;
        EXPECT_EQ(asked, QStringLiteral("/out"));
    }
}

} // namespace
} // namespace kv
