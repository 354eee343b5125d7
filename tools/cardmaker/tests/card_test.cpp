// A tiny card with the damaged variants, checked with an outside reader (ffprobe and
// ffmpeg), with the byte layout rules, and against the telemetry script.

#include "avi_inspect.h"
#include "cardmaker.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <set>

namespace kv::cardmaker {
namespace {

using testing::ReadWholeFile;
using testing::SoundRecording;
using testing::Tag;
using testing::U32;

struct ProcessResult {
    int exitCode = -1;
    QString out;
    QString err;
};

ProcessResult RunTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    ProcessResult r;
    if (!p.waitForFinished(120000)) {
        r.err = QStringLiteral("did not finish");
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

class TinyCard : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        options_ = TinyCardOptions();
        options_.damaged = true;
        QString error;
        written_ = WriteCard(options_, dir_->path(), &error);
        writeError_ = error.toStdString();
        plan_ = PlanCard(options_);
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(written_) << writeError_; }

    static QString PathOf(const QString& relative) { return QDir(dir_->path()).filePath(relative); }

    // The files of the card that must be sound, with their specs.
    static std::vector<std::pair<QString, RecordingSpec>> SoundFiles() {
        std::vector<std::pair<QString, RecordingSpec>> files;
        for (const CardRecording& r : plan_) {
            if (r.front.damage == Damage::None) {
                files.emplace_back(PathOf(r.FrontPath()), r.front);
            }
            if (r.hasRear && r.rear.damage == Damage::None) {
                files.emplace_back(PathOf(r.RearPath()), r.rear);
            }
        }
        return files;
    }

    static const CardRecording* FindVariant(CardVariant v) {
        for (const CardRecording& r : plan_) {
            if (r.variant == v) {
                return &r;
            }
        }
        return nullptr;
    }

    static QTemporaryDir* dir_;
    static CardOptions options_;
    static bool written_;
    static std::string writeError_;
    static std::vector<CardRecording> plan_;
};

QTemporaryDir* TinyCard::dir_ = nullptr;
CardOptions TinyCard::options_;
bool TinyCard::written_ = false;
std::string TinyCard::writeError_;
std::vector<CardRecording> TinyCard::plan_;

TEST_F(TinyCard, FoldersConfigurationAndExactlyThePlannedFiles) {
    const QByteArray config = ReadWholeFile(PathOf(QStringLiteral("DRFormatConfig.dfc")));
    ASSERT_GE(config.size(), 68);
    EXPECT_EQ(config.mid(48, 8), QByteArray("KV-DR01\0", 8));
    EXPECT_EQ(config.mid(56, 6), QByteArray("010203"));
    EXPECT_EQ(config.mid(62, 6), QByteArray("211015"));

    std::set<QString> expected = {QStringLiteral("DRFormatConfig.dfc")};
    for (const CardRecording& r : plan_) {
        expected.insert(r.FrontPath());
        if (r.hasRear) {
            expected.insert(r.RearPath());
        }
        EXPECT_EQ(r.group, IsParkingGroupName(r.front.fileName) ? QStringLiteral("Parking")
                                                                : QStringLiteral("Normal"));
        EXPECT_EQ(r.rear.fileName, CounterpartName(r.front.fileName));
    }
    std::set<QString> found;
    QDirIterator it(dir_->path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        found.insert(QDir(dir_->path()).relativeFilePath(it.next()));
    }
    EXPECT_EQ(found, expected);
    for (const char* folder : {"Normal/Front", "Normal/Rear", "Parking/Front", "Parking/Rear"}) {
        EXPECT_TRUE(QDir(PathOf(QString::fromLatin1(folder))).exists()) << folder;
    }
}

// The grouping the viewer applies to one folder: a name with 'S' in place 4 or a gap in
// the file numbers starts a group, labelled by its date.
std::vector<QString> GroupLabels(std::vector<QString> names) {
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return FileNumberFromName(a) < FileNumberFromName(b);
    });
    std::vector<QString> labels;
    std::map<QString, int> perDate;
    int previous = 0;
    for (const QString& n : names) {
        const int number = FileNumberFromName(n);
        if (n[3] == 'S' || number != previous + 1) {
            const QString date = n.mid(5, 6);
            labels.push_back(date + QStringLiteral("_%1").arg(++perDate[date], 4, 10, QChar('0')));
        }
        previous = number;
    }
    return labels;
}

TEST_F(TinyCard, NamesCoverEveryKindAndFormSeveralGroups) {
    std::set<QString> kinds;
    std::set<QString> dates;
    std::vector<QString> normal;
    std::vector<QString> parking;
    int previousNumber = 0;
    std::int64_t previousStart = 0;
    for (const CardRecording& r : plan_) {
        const QString& n = r.front.fileName;
        ASSERT_TRUE(IsValidRecordingName(n)) << n.toStdString();
        kinds.insert(n.left(2) + (n[2] == 'T' ? QStringLiteral("T") : QString()));
        dates.insert(n.mid(5, 6));
        (r.group == QStringLiteral("Parking") ? parking : normal).push_back(n);
        EXPECT_GT(FileNumberFromName(n), previousNumber);
        EXPECT_GT(SecondsSince2000(StartTimeFromName(n)), previousStart);
        previousNumber = FileNumberFromName(n);
        previousStart = SecondsSince2000(StartTimeFromName(n));
    }
    for (const char* kind : {"A_", "AG", "AM", "AD", "P_", "PG", "T_", "P_T", "PGT"}) {
        EXPECT_TRUE(kinds.count(QString::fromLatin1(kind))) << kind;
    }
    EXPECT_GE(dates.size(), 2u);
    const auto normalGroups = GroupLabels(normal);
    const auto parkingGroups = GroupLabels(parking);
    EXPECT_GE(normalGroups.size(), 4u);
    EXPECT_GE(parkingGroups.size(), 2u);
    // At least one group starts at a gap in the numbers rather than at an 'S'.
    int gapStarts = 0;
    for (std::size_t k = 1; k < normal.size(); ++k) {
        gapStarts += normal[k][3] != 'S' &&
                     FileNumberFromName(normal[k]) != FileNumberFromName(normal[k - 1]) + 1;
    }
    EXPECT_GE(gapStarts, 1);
}

TEST_F(TinyCard, OutsideReaderDecodesEverySoundFileCleanly) {
    for (const auto& [path, recipe] : SoundFiles()) {
        SCOPED_TRACE(path.toStdString());
        const bool timeLapse = IsTimeLapseName(recipe.fileName);
        const QByteArray f = ReadWholeFile(path);
        SoundRecording r;
        const auto problem = testing::CheckSoundRecording(f, timeLapse, &r);
        ASSERT_FALSE(problem) << *problem;
        int indexFrames = 0;
        int indexAudio = 0;
        for (const testing::IndexEntry& e : r.index) {
            indexFrames += e.tag == "00dc";
            indexAudio += e.tag == "01wb";
        }

        const ProcessResult probe = RunTool(
            QStringLiteral(KV_FFPROBE),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
             QStringLiteral("-show_entries"), QStringLiteral("stream=codec_name,nb_read_frames"),
             QStringLiteral("-of"), QStringLiteral("csv=p=0"), path});
        ASSERT_EQ(probe.exitCode, 0);
        EXPECT_TRUE(probe.err.isEmpty()) << probe.err.toStdString();
        const QStringList lines = probe.out.trimmed().split('\n');
        ASSERT_EQ(lines.size(), timeLapse ? 1 : 2) << probe.out.toStdString();
        EXPECT_EQ(lines[0].trimmed(), QStringLiteral("h264,%1").arg(indexFrames));
        if (!timeLapse) {
            EXPECT_TRUE(lines[1].startsWith(QStringLiteral("adpcm_ima_wav,")));
            EXPECT_GT(indexAudio, 0);
        }
        EXPECT_EQ(U32(f, 48), static_cast<std::uint32_t>(indexFrames));
        EXPECT_EQ(U32(f, 140), static_cast<std::uint32_t>(indexFrames));
        EXPECT_EQ(indexFrames, FrameCount(recipe));
        if (!timeLapse) {
            EXPECT_EQ(U32(f, 264), static_cast<std::uint32_t>(indexAudio));
        }

        const ProcessResult decode =
            RunTool(QStringLiteral(KV_FFMPEG),
                    {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path,
                     QStringLiteral("-f"), QStringLiteral("null"), QStringLiteral("-")});
        EXPECT_EQ(decode.exitCode, 0);
        EXPECT_TRUE(decode.err.isEmpty()) << decode.err.toStdString();
    }
}

TEST_F(TinyCard, FixedOffsetsOfANormalAndATimeLapseFile) {
    const CardRecording* normal = nullptr;
    const CardRecording* timeLapse = nullptr;
    for (const CardRecording& r : plan_) {
        if (r.variant != CardVariant::Regular) {
            continue;
        }
        if (!normal && !IsTimeLapseName(r.front.fileName)) {
            normal = &r;
        }
        if (!timeLapse && IsTimeLapseName(r.front.fileName)) {
            timeLapse = &r;
        }
    }
    ASSERT_TRUE(normal && timeLapse);

    struct Case {
        const RecordingSpec& recipe;
        QString path;
        qsizetype h;
    };
    const Case cases[] = {{normal->front, PathOf(normal->FrontPath()), 384},
                          {timeLapse->front, PathOf(timeLapse->FrontPath()), 280}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const QByteArray f = ReadWholeFile(c.path);
        const auto frames = static_cast<std::uint32_t>(FrameCount(c.recipe));
        EXPECT_EQ(Tag(f, 0), "RIFF");
        EXPECT_EQ(Tag(f, 8), "AVI ");
        EXPECT_EQ(U32(f, 48), frames);
        EXPECT_EQ(U32(f, 128), c.recipe.scale);
        EXPECT_EQ(U32(f, 132), c.recipe.rate);
        EXPECT_EQ(U32(f, 140), frames);
        EXPECT_EQ(U32(f, 168), 40u);
        EXPECT_EQ(U32(f, 176), 160u);
        EXPECT_EQ(U32(f, 180), 96u);
        if (c.h == 384) {
            EXPECT_EQ(U32(f, 256), 8000u);
            const double seconds = static_cast<double>(frames) * c.recipe.scale / c.recipe.rate;
            EXPECT_EQ(U32(f, 264), static_cast<std::uint32_t>(std::ceil(seconds * 8000 / 505)));
            EXPECT_EQ(U32(f, 304), 4055u);
        }
        EXPECT_EQ(Tag(f, c.h), "LIST");
        EXPECT_EQ(Tag(f, c.h + 8), "movi");
        const std::uint32_t m = U32(f, c.h + 4);
        EXPECT_EQ(Tag(f, c.h + 8 + m), "idx1");
        const std::uint32_t i = U32(f, c.h + 12 + m);
        EXPECT_EQ(U32(f, 4), c.h + 16 + m + i - 8);
        // Index entries point at chunk tags: the first at offset 4, right after "movi".
        EXPECT_EQ(U32(f, c.h + 16 + m + 8), 4u);
        for (std::uint32_t e = 0; e < i / 16; ++e) {
            const qsizetype entry = c.h + 16 + m + 16 * e;
            EXPECT_EQ(Tag(f, c.h + 8 + U32(f, entry + 8)), Tag(f, entry)) << "entry " << e;
        }
        const qsizetype blockLength = f.size() - (c.h + 16 + m + i);
        EXPECT_EQ(blockLength, c.recipe.telemetry == TelemetryForm::FullLength
                                   ? 598068
                                   : 68 + 130 * TelemetryRecordCount(c.recipe));
    }
}

TEST_F(TinyCard, TelemetryBlocksHoldTheScript) {
    std::set<TelemetryForm> forms;
    for (const CardRecording& rec : plan_) {
        SCOPED_TRACE(rec.front.fileName.toStdString());
        if (rec.hasRear) {
            // Rear files end with their index.
            const QByteArray rear = ReadWholeFile(PathOf(rec.RearPath()));
            if (rec.rear.damage == Damage::None) {
                SoundRecording r;
                ASSERT_FALSE(
                    testing::CheckSoundRecording(rear, IsTimeLapseName(rec.rear.fileName), &r));
                EXPECT_TRUE(r.block.isEmpty());
            }
        }
        if (rec.front.damage != Damage::None) {
            continue;
        }
        const QByteArray f = ReadWholeFile(PathOf(rec.FrontPath()));
        SoundRecording r;
        ASSERT_FALSE(testing::CheckSoundRecording(f, IsTimeLapseName(rec.front.fileName), &r));
        testing::TelemetryBlock block;
        const auto problem = testing::ParseTelemetryBlock(r.block, &block);
        ASSERT_FALSE(problem) << *problem;
        forms.insert(rec.front.telemetry);
        const std::vector<TelemetryScriptRecord> script = TelemetryScript(rec.front);
        ASSERT_EQ(block.records.size(), script.size());
        // One record per 100 ms of video, or per 66.666664 ms (one frame at 15 fps) in
        // time-lapse recordings.
        const double videoMs = FrameCount(rec.front) * 1000.0 * rec.front.scale / rec.front.rate;
        const double interval = IsTimeLapseName(rec.front.fileName) ? 66.666664 : 100.0;
        ASSERT_EQ(static_cast<double>(script.size()), std::ceil(videoMs / interval - 1e-3));
        if (IsTimeLapseName(rec.front.fileName)) {
            EXPECT_EQ(static_cast<int>(script.size()), FrameCount(rec.front));
        }
        if (rec.front.telemetry == TelemetryForm::FullLength) {
            EXPECT_EQ(r.block.size(), 598068);
            EXPECT_EQ(block.count, 0xFFFF);
            EXPECT_EQ(block.trailerCount, 4600u);
        } else {
            EXPECT_EQ(r.block.size(), 68 + 130 * static_cast<qsizetype>(script.size()));
            EXPECT_EQ(block.count, script.size());
            EXPECT_EQ(block.trailerCount, script.size());
        }
        EXPECT_EQ(block.header, EncodeTelemetryHeader(rec.front.header));

        for (std::size_t k = 0; k < script.size(); ++k) {
            SCOPED_TRACE("record " + std::to_string(k));
            const TelemetryScriptRecord& s = script[k];
            const QByteArray& raw = block.records[k];
            const testing::DecodedRecord d = testing::DecodeRecord(raw);
            EXPECT_FALSE(raw.startsWith("CSMEND"));
            EXPECT_FALSE(raw[2] == 0x40 && raw[3] == 0x43 && raw[4] == 0x53)
                << "would look like a second header";
            EXPECT_EQ(d.status, s.gpsStatus);
            if (s.positionBlank) {
                EXPECT_EQ(d.latitude, 720.0);
                EXPECT_EQ(d.longitude, 720.0);
            } else {
                EXPECT_NEAR(d.latitude, s.latitude, 1e-9);
                EXPECT_NEAR(d.longitude, s.longitude, 1e-9);
            }
            EXPECT_EQ(d.speed, s.speedKmh < 0 ? 32767.0 : s.speedKmh);
            EXPECT_EQ(d.written, s.time);
            EXPECT_EQ(d.Effective(), s.EffectiveTime());
            EXPECT_EQ(d.voltage, s.voltageTenths);
            EXPECT_EQ(d.accel[0], s.accelX);
            EXPECT_EQ(d.accel[1], s.accelY);
            EXPECT_EQ(d.accel[2], s.accelZ);
            const char flags[7] = {s.manual,       s.axis,     s.driveSupport, s.emergencyStop,
                                   s.parkingEvent, s.speeding, s.approaching};
            EXPECT_EQ(std::string(d.flags, 7), std::string(flags, 7));
            for (int w = 0; w < 18; ++w) {
                EXPECT_EQ(d.words[w], s.vehicleWords[static_cast<std::size_t>(w)]) << "word " << w;
            }
            for (int b = 0; b < 4; ++b) {
                EXPECT_EQ(d.vehicleBytes[b], s.vehicleBytes[static_cast<std::size_t>(b)]);
            }
            EXPECT_EQ(d.mark, s.statusMark);
            EXPECT_EQ(d.nibbles, s.nibbles);
        }
    }
    EXPECT_EQ(forms.size(), 2u) << "both block forms occur on the card";
}

TEST_F(TinyCard, TheScriptTellsAStory) {
    std::multiset<std::string> events;
    bool noFixBlank = false;
    bool tunnel = false;
    bool voltageBlank = false;
    bool star = false;
    bool addedOne = false;
    bool vehicleData = false;
    bool noVehicleData = false;
    for (const CardRecording& rec : plan_) {
        if (rec.variant != CardVariant::Regular) {
            continue;
        }
        const auto script = TelemetryScript(rec.front);
        const QString& n = rec.front.fileName;
        for (const TelemetryScriptRecord& s : script) {
            if (s.axis != ' ') {
                events.insert(std::string("axis ") + s.axis);
                const int value = s.axis == 'X' ? s.accelX : s.axis == 'Y' ? s.accelY : s.accelZ;
                EXPECT_GT(std::abs(value), 600) << "a trigger is a large value on its axis";
                EXPECT_EQ(n[1], 'G') << n.toStdString();
            }
            if (s.manual == 'D') {
                events.insert("manual");
                EXPECT_EQ(n[1], 'M');
            }
            if (s.approaching == 'D') {
                events.insert("approaching");
                EXPECT_EQ(n[1], 'D');
            }
            if (s.driveSupport != 'N') {
                events.insert(std::string("support ") + s.driveSupport);
            }
            if (s.emergencyStop == 'D') {
                events.insert("emergency stop");
            }
            if (s.parkingEvent == 'D') {
                events.insert("parking");
                EXPECT_EQ(rec.group, QStringLiteral("Parking"));
            }
            if (s.speeding == 'D') {
                events.insert("speeding");
                EXPECT_GT(s.speedKmh, 100);
            }
            noFixBlank |= s.gpsStatus != 'A' && s.positionBlank;
            tunnel |= s.gpsStatus != 'A' && !s.positionBlank;
            voltageBlank |= s.voltageTenths < 0;
            star |= s.addedSeconds < 0;
            addedOne |= s.addedSeconds > 0;
            vehicleData |= s.vehicleWords[0] != 0x2020;
            noVehicleData |= s.vehicleWords[0] == 0x2020;
            if (!s.positionBlank) {
                // Around Tokyo.
                EXPECT_NEAR(s.latitude, 35.6, 0.2);
                EXPECT_NEAR(s.longitude, 139.7, 0.2);
            }
        }
    }
    for (const char* e : {"axis X", "axis Y", "axis Z", "manual", "approaching", "support B",
                          "support A", "support H", "emergency stop", "parking", "speeding"}) {
        EXPECT_GE(events.count(e), 1u) << e;
    }
    EXPECT_TRUE(noFixBlank);
    EXPECT_TRUE(tunnel);
    EXPECT_TRUE(voltageBlank);
    EXPECT_TRUE(star);
    EXPECT_TRUE(addedOne);
    EXPECT_TRUE(vehicleData);
    EXPECT_TRUE(noVehicleData);
}

TEST_F(TinyCard, TimeAndPlaceContinueFromOneRecordingToTheNext) {
    int joins = 0;
    for (std::size_t k = 1; k < plan_.size(); ++k) {
        const RecordingSpec& a = plan_[k - 1].front;
        const RecordingSpec& b = plan_[k].front;
        const bool timeLapse = IsTimeLapseName(a.fileName);
        const double aReal = timeLapse ? FrameCount(a) : FrameCount(a) * double(a.scale) / a.rate;
        if (b.sessionSeconds == 0.0 ||
            std::fabs(a.sessionSeconds + aReal - b.sessionSeconds) > 1e-6) {
            continue; // not the next recording of the same session
        }
        SCOPED_TRACE(a.fileName.toStdString() + " -> " + b.fileName.toStdString());
        ++joins;
        const auto sa = TelemetryScript(a);
        const auto sb = TelemetryScript(b);
        ASSERT_FALSE(sa.empty());
        ASSERT_FALSE(sb.empty());
        const std::int64_t step = SecondsSince2000(sb.front().EffectiveTime()) -
                                  SecondsSince2000(sa.back().EffectiveTime());
        EXPECT_GE(step, 0);
        EXPECT_LE(step, 1);
        EXPECT_EQ(SecondsSince2000(StartTimeFromName(b.fileName)),
                  SecondsSince2000(sb.front().EffectiveTime()));
        if (!sa.back().positionBlank && !sb.front().positionBlank) {
            const double dLat = (sb.front().latitude - sa.back().latitude) * 111320.0;
            const double dLon = (sb.front().longitude - sa.back().longitude) * 90500.0;
            EXPECT_LT(std::hypot(dLat, dLon), 150.0) << "metres between the two records";
        }
    }
    EXPECT_GE(joins, 10);
}

TEST_F(TinyCard, DamagedVariants) {
    const CardRecording* power = FindVariant(CardVariant::PowerLoss);
    const CardRecording* cut = FindVariant(CardVariant::CutInsideMovi);
    const CardRecording* noRear = FindVariant(CardVariant::MissingRear);
    const CardRecording* tooShort = FindVariant(CardVariant::TooShort);
    ASSERT_TRUE(power && cut && noRear && tooShort);

    for (const QString& path : {PathOf(power->FrontPath()), PathOf(power->RearPath())}) {
        SCOPED_TRACE(path.toStdString());
        const QByteArray f = ReadWholeFile(path);
        EXPECT_EQ(U32(f, 4), 0u);
        EXPECT_EQ(U32(f, 384 + 4), 0u);
        bool overrun = true;
        const auto chunks = testing::WalkChunks(f, 384 + 12, f.size(), &overrun);
        EXPECT_FALSE(overrun);
        ASSERT_FALSE(chunks.empty());
        EXPECT_EQ(chunks.back().offset + 8 + chunks.back().size + (chunks.back().size & 1),
                  f.size());
        int frames = 0;
        for (const auto& c : chunks) {
            frames += c.tag == "00dc";
        }
        EXPECT_EQ(frames, FrameCount(power->front));
        // What a repair needs to index every chunk: payloads longer than 16 bytes, video
        // payloads that begin with a start code, and no tag-like bytes inside the payloads.
        for (const auto& c : chunks) {
            EXPECT_GT(c.size, 16u) << "chunk at " << c.offset;
            if (c.tag == "00dc") {
                EXPECT_EQ(f.mid(c.offset + 8, 4), QByteArray("\0\0\0\1", 4));
            }
        }
        EXPECT_TRUE(testing::StrayTags(f, chunks, 384 + 12).empty());
        EXPECT_EQ(f.indexOf("idx1"), -1);
        EXPECT_EQ(f.indexOf("CSMDAT"), -1);
    }
    for (const QString& path : {PathOf(cut->FrontPath()), PathOf(cut->RearPath())}) {
        SCOPED_TRACE(path.toStdString());
        const QByteArray f = ReadWholeFile(path);
        EXPECT_NE(U32(f, 4), 0u);
        EXPECT_GE(static_cast<qsizetype>(U32(f, 384 + 4)), f.size());
        bool overrun = false;
        testing::WalkChunks(f, 384 + 12, f.size(), &overrun);
        EXPECT_TRUE(overrun);
    }
    EXPECT_TRUE(QFile::exists(PathOf(noRear->FrontPath())));
    EXPECT_FALSE(QFile::exists(PathOf(noRear->RearPath())));

    // Too short to be played: 2.0 s or less by the header's timing, and otherwise sound.
    for (const QString& path : {PathOf(tooShort->FrontPath()), PathOf(tooShort->RearPath())}) {
        const QByteArray f = ReadWholeFile(path);
        ASSERT_FALSE(testing::CheckSoundRecording(f, false, nullptr));
        const float frameMs =
            static_cast<float>(U32(f, 128)) * 1000.0f / static_cast<float>(U32(f, 132));
        EXPECT_LE(static_cast<float>(U32(f, 48)) * frameMs / 1000.0f, 2.0f);
        EXPECT_GT(static_cast<float>(U32(f, 48) + 1) * frameMs / 1000.0f, 2.0f);
        if (U32(f, 132) == 30 && U32(f, 128) == 1) {
            EXPECT_EQ(U32(f, 48), 60u);
        }
    }
}

TEST_F(TinyCard, EveryFrameOfBothCamerasShowsItsNumber) {
    const CardRecording* normal = nullptr;
    const CardRecording* timeLapse = nullptr;
    for (const CardRecording& r : plan_) {
        if (r.variant == CardVariant::Regular) {
            (IsTimeLapseName(r.front.fileName) ? timeLapse : normal) = &r;
        }
    }
    ASSERT_TRUE(normal && timeLapse);
    for (const CardRecording* r : {normal, timeLapse}) {
        for (const auto& [path, recipe] : {std::pair{PathOf(r->FrontPath()), r->front},
                                           std::pair{PathOf(r->RearPath()), r->rear}}) {
            SCOPED_TRACE(path.toStdString());
            std::string error;
            const auto stamps = testing::DecodeFrameStamps(path, &error);
            ASSERT_TRUE(error.empty()) << error;
            ASSERT_EQ(static_cast<int>(stamps.size()), FrameCount(recipe));
            const char camera = IsFrontName(recipe.fileName) ? 'F' : 'R';
            for (std::size_t i = 0; i < stamps.size(); ++i) {
                ASSERT_TRUE(stamps[i]) << "frame " << i;
                EXPECT_EQ(stamps[i]->camera, camera);
                EXPECT_EQ(stamps[i]->frame, static_cast<int>(i));
            }
        }
    }
}

TEST(CardPlan, DefaultCardAndCounts) {
    const CardOptions defaults;
    const auto plan = PlanCard(defaults);
    EXPECT_EQ(plan.size(), 20u);
    for (const CardRecording& r : plan) {
        EXPECT_EQ(r.variant, CardVariant::Regular);
        EXPECT_EQ(r.front.width, 1280);
        EXPECT_EQ(r.front.height, 720);
        EXPECT_EQ(r.rear.width, 640);
        EXPECT_EQ(r.rear.height, 360);
        EXPECT_EQ(r.rear.telemetry, TelemetryForm::None);
        EXPECT_NE(r.front.telemetry, TelemetryForm::None);
        EXPECT_EQ(r.front.audio, !IsTimeLapseName(r.front.fileName));
        EXPECT_EQ(FrameCount(r.front),
                  IsTimeLapseName(r.front.fileName) ? 150 : 300); // 10 s of video
    }

    // More recordings than one cycle: later cycles move on by days and keep numbering.
    CardOptions many;
    many.count = 45;
    many.damaged = true;
    const auto big = PlanCard(many);
    ASSERT_EQ(big.size(), 49u);
    std::set<QString> names;
    for (std::size_t k = 0; k < big.size(); ++k) {
        EXPECT_TRUE(IsValidRecordingName(big[k].front.fileName));
        names.insert(big[k].front.fileName);
        if (k > 0) {
            EXPECT_GT(FileNumberFromName(big[k].front.fileName),
                      FileNumberFromName(big[k - 1].front.fileName));
            EXPECT_GT(SecondsSince2000(StartTimeFromName(big[k].front.fileName)),
                      SecondsSince2000(StartTimeFromName(big[k - 1].front.fileName)));
        }
    }
    EXPECT_EQ(names.size(), big.size());

    // Recordings too long for the recorder's 4600 slots fall back to the exact count.
    CardOptions longer;
    longer.count = 3;
    longer.seconds = 600;
    for (const CardRecording& r : PlanCard(longer)) {
        EXPECT_EQ(r.front.telemetry, TelemetryForm::ExactCount);
    }
}

} // namespace
} // namespace kv::cardmaker
