// kolvista-cli export-gpx, export-kml, export-csv and export-srt over a card
// from the card maker: the files are read back (the tracks by gpsbabel) and
// compared with the telemetry the card maker scripted.

#include "avi_bytes.h"
#include "cli_card.h"
#include "cli_runner.h"
#include "commands.h"
#include "event_codes.h"
#include "track_export.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <cmath>
#include <map>

#include <gtest/gtest.h>

namespace kv::cli {
namespace {

namespace cm = cardmaker;
using test_card::Card;

struct Point {
    double lat = 0;
    double lon = 0;
    QDateTime time; // invalid when the file has none
};
using Track = std::vector<std::vector<Point>>; // segments

QDateTime LocalDateTime(const cm::LocalTime& t) {
    return QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second),
                     Qt::LocalTime);
}

bool IsParking(const QString& name) {
    return name.startsWith(u'P');
}

bool Fix(const cm::TelemetryScriptRecord& r) {
    return r.gpsStatus == 'A' && !r.positionBlank;
}

// The tracks the script describes: records with a fix, a new segment after
// each run without one. Parking recordings carry no positions the viewer uses.
std::map<QString, Track> ScriptedTracks(const Card& card) {
    std::map<QString, Track> tracks;
    for (const auto& r : card.plan) {
        if (test_card::Damaged(r) || IsParking(r.front.fileName)) {
            continue;
        }
        Track track;
        bool broken = true;
        for (const auto& record : cm::TelemetryScript(r.front)) {
            if (!Fix(record)) {
                broken = true;
                continue;
            }
            if (broken) {
                track.emplace_back();
                broken = false;
            }
            track.back().push_back(
                {record.latitude, record.longitude, LocalDateTime(record.EffectiveTime())});
        }
        if (!track.empty()) {
            tracks[r.front.fileName] = track;
        }
    }
    return tracks;
}

// The tracks of a GPX file, by track name.
std::map<QString, Track> ReadGpx(const QByteArray& gpx) {
    std::map<QString, Track> tracks;
    QXmlStreamReader xml(gpx);
    QString name;
    Track track;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == u"name" && track.empty()) {
                name = xml.readElementText();
            } else if (xml.name() == u"trkseg") {
                track.emplace_back();
            } else if (xml.name() == u"trkpt") {
                track.back().push_back({xml.attributes().value("lat").toDouble(),
                                        xml.attributes().value("lon").toDouble(),
                                        {}});
            } else if (xml.name() == u"time" && !track.empty() && !track.back().empty()) {
                track.back().back().time =
                    QDateTime::fromString(xml.readElementText(), Qt::ISODateWithMs);
            }
        } else if (xml.isEndElement() && xml.name() == u"trk") {
            tracks[name] = track;
            track.clear();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return tracks;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class TelemetryExport : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(card.ok) << card.error.toStdString();
        ASSERT_TRUE(out.isValid());
    }
    QString Out(const QString& name) const { return out.path() + u'/' + name; }

    const Card& card = test_card::Shared();
    QTemporaryDir out;
};

TEST_F(TelemetryExport, GpsbabelReadsTheScriptedTrackBack) {
    const std::map<QString, Track> want = ScriptedTracks(card);
    ASSERT_FALSE(want.empty());
    // The card has records without a fix that still hold a position (a
    // tunnel): they must stay out of the track.
    int positionsWithoutFix = 0;
    for (const auto& r : card.plan) {
        if (!test_card::Damaged(r) && !IsParking(r.front.fileName)) {
            for (const auto& record : cm::TelemetryScript(r.front)) {
                positionsWithoutFix += record.gpsStatus != 'A' && !record.positionBlank;
            }
        }
    }
    ASSERT_GT(positionsWithoutFix, 0);
    struct Case {
        const char* command;
        const char* format;
        bool times; // KML line strings carry no time per point
    };
    for (const Case& c : {Case{"export-gpx", "gpx", true}, Case{"export-kml", "kml", false}}) {
        SCOPED_TRACE(c.command);
        const QString file = Out(QStringLiteral("track.") + c.format);
        const Result r = RunCli({c.command, card.root(), file});
        ASSERT_EQ(r.code, kExitOk) << r.err.toStdString();
        // The damaged recordings hold no telemetry and are named as skipped.
        EXPECT_EQ(r.err.count("skipped:"), 2) << r.err.toStdString();

        const test_card::ProgramRun babel = test_card::RunProgram(
            "gpsbabel", {"-t", "-i", c.format, "-f", file, "-o", "gpx", "-F", "-"});
        ASSERT_EQ(babel.code, 0) << "gpsbabel missing or refused the file (tools/install-deps.sh "
                                    "installs it): "
                                 << babel.err.toStdString();
        const std::map<QString, Track> got = ReadGpx(babel.out);
        ASSERT_EQ(got.size(), want.size());
        int points = 0;
        for (const auto& [name, track] : want) {
            SCOPED_TRACE(name.toStdString());
            ASSERT_EQ(got.count(name), 1u);
            const Track& read = got.at(name);
            ASSERT_EQ(read.size(), track.size());
            for (std::size_t s = 0; s < track.size(); ++s) {
                ASSERT_EQ(read[s].size(), track[s].size()) << "segment " << s;
                for (std::size_t p = 0; p < track[s].size(); ++p) {
                    EXPECT_NEAR(read[s][p].lat, track[s][p].lat, 1e-6);
                    EXPECT_NEAR(read[s][p].lon, track[s][p].lon, 1e-6);
                    if (c.times) {
                        // Whole seconds as the recorder stamps them, in UTC.
                        ASSERT_TRUE(read[s][p].time.isValid());
                        EXPECT_EQ(read[s][p].time.toSecsSinceEpoch(),
                                  track[s][p].time.toSecsSinceEpoch());
                        EXPECT_EQ(read[s][p].time.timeSpec(), Qt::UTC);
                    }
                    ++points;
                }
            }
        }
        EXPECT_TRUE(r.out.contains(QStringLiteral("%1 track points").arg(points)))
            << r.out.toStdString();
    }
}

TEST(UtcOffset, TextsTakenAndRefused) {
    struct Case {
        const char* text;
        std::optional<int> seconds;
    };
    for (const Case& c :
         {Case{"+09:00", 9 * 3600}, Case{"-05:30", -(5 * 3600 + 1800)}, Case{"+0900", 9 * 3600},
          Case{"+9", 9 * 3600}, Case{"Z", 0}, Case{"-00:00", 0}, Case{"+14:00", 14 * 3600},
          Case{"+14:01", std::nullopt}, Case{"+09:60", std::nullopt}, Case{"09:00", std::nullopt},
          Case{"+9h", std::nullopt}, Case{"", std::nullopt}, Case{"+123", std::nullopt}}) {
        EXPECT_EQ(ParseUtcOffset(QString::fromLatin1(c.text)), c.seconds) << c.text;
    }
    EXPECT_EQ(UtcOffsetText(9 * 3600), "+09:00");
    EXPECT_EQ(UtcOffsetText(-(5 * 3600 + 1800)), "-05:30");
    EXPECT_EQ(UtcOffsetText(0), "+00:00");
}

// The same recording gives the same UTC times on any computer once the
// recorder's offset is named; the file and the output say what was assumed.
// (The tests run in TZ=JST-9, so the default is +09:00.) A speed field of
// "-999" is no speed, in the track and in the table.
TEST_F(TelemetryExport, TimesFollowTheNamedOffsetAndOddSpeedsAreBlank) {
    std::vector<QByteArray> records;
    for (int i = 0; i < 30; ++i) {
        QByteArray record = test::TypicalRecord("261205081003");
        if (i % 2 == 1) {
            record.replace(30, 4, "-999");
        }
        records.push_back(record);
    }
    test::AviSpec recipe;
    recipe.chunks = test::SimpleChunks(90, true);
    recipe.chunks.push_back({"01wb", QByteArray(16000, '\0'), 0x10});
    recipe.telemetry = test::ExactBlock(records);
    const QString recording =
        test::WriteFile(out.path(), "A___-261205-081003-000101F.AVI", test::MakeAvi(recipe));

    struct Case {
        QStringList extra;
        const char* assumed;
        const char* firstTime;
    };
    int n = 0;
    for (const Case& c : {Case{{}, "+09:00", "2026-12-04T23:10:03.000Z"},
                          Case{{"--utc-offset", "-05:00"}, "-05:00", "2026-12-05T13:10:03.000Z"},
                          Case{{"--utc-offset=+00:00"}, "+00:00", "2026-12-05T08:10:03.000Z"}}) {
        SCOPED_TRACE(c.assumed);
        const QString gpx = Out(QStringLiteral("t%1.gpx").arg(n++));
        const Result r = RunCli(QStringList{"export-gpx", recording, gpx} + c.extra);
        ASSERT_EQ(r.code, kExitOk) << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(QStringLiteral("times: the recorder's clock taken as UTC%1")
                                       .arg(QLatin1String(c.assumed))))
            << r.out.toStdString();
        const QByteArray text = ReadAll(gpx);
        EXPECT_TRUE(text.contains(QByteArray("<time>") + c.firstTime + "</time>"))
            << text.left(1500).toStdString();
        EXPECT_TRUE(text.contains(QByteArray("taken as UTC") + c.assumed));
        EXPECT_EQ(text.count("<gpxtpx:speed>"), 15);
        EXPECT_FALSE(text.contains("<gpxtpx:speed>-"));
    }
    const QString kml = Out("t.kml");
    ASSERT_EQ(RunCli({"export-kml", recording, kml, "--utc-offset", "+09:00"}).code, kExitOk);
    EXPECT_TRUE(ReadAll(kml).contains("<begin>2026-12-04T23:10:03.000Z</begin>"));
    EXPECT_TRUE(ReadAll(kml).contains("taken as UTC+09:00"));

    const QString csv = Out("t.csv");
    ASSERT_EQ(RunCli({"export-csv", recording, csv}).code, kExitOk);
    const QList<QByteArray> rows = ReadAll(csv).split('\n');
    ASSERT_GE(rows.size(), 3);
    EXPECT_EQ(rows[1].split(',').value(7), "40");
    EXPECT_EQ(rows[2].split(',').value(7), "");

    for (const char* bad : {"9", "+15:00", "JST"}) {
        const Result r = RunCli({"export-gpx", recording, Out("bad.gpx"), "--utc-offset", bad});
        EXPECT_EQ(r.code, kExitUsage) << bad;
        EXPECT_FALSE(QFileInfo::exists(Out("bad.gpx")));
    }
}

TEST_F(TelemetryExport, GapsAndTimeJumpsStartNewSegments) {
    // Fix, fix, no fix, fix, fix, then a fix 30 s later: three segments.
    std::vector<QByteArray> records;
    for (const char* stamp : {"261205093000", "261205093000", "261205093000", "261205093001",
                              "261205093001", "261205093031"}) {
        records.push_back(test::TypicalRecord(stamp));
    }
    records[2][8] = 'V';
    test::AviSpec recipe;
    recipe.chunks = test::SimpleChunks(30, true);
    recipe.telemetry = test::ExactBlock(records);
    const QString file =
        test::WriteFile(out.path(), "A___-261205-093000-000101F.AVI", test::MakeAvi(recipe));

    ASSERT_EQ(RunCli({"export-gpx", file, Out("t.gpx")}).code, kExitOk);
    const auto gpx = ReadGpx(ReadAll(Out("t.gpx")));
    ASSERT_EQ(gpx.size(), 1u);
    const Track& track = gpx.begin()->second;
    ASSERT_EQ(track.size(), 3u);
    EXPECT_EQ(track[0].size(), 2u);
    EXPECT_EQ(track[1].size(), 2u);
    EXPECT_EQ(track[2].size(), 1u);
    // The records that share a second follow each other by the record interval.
    EXPECT_EQ(track[0][0].time.msecsTo(track[0][1].time), 100);

    ASSERT_EQ(RunCli({"export-kml", file, Out("t.kml")}).code, kExitOk);
    const QByteArray kml = ReadAll(Out("t.kml"));
    EXPECT_EQ(kml.count("<LineString>"), 2);
    EXPECT_EQ(kml.count("<Point>"), 1);
    const auto babel = test_card::RunProgram(
        "gpsbabel", {"-t", "-i", "kml", "-f", Out("t.kml"), "-o", "gpx", "-F", "-"});
    ASSERT_EQ(babel.code, 0) << babel.err.toStdString();
}

TEST_F(TelemetryExport, CsvHoldsEveryRecordAsScripted) {
    const QString file = Out("telemetry.csv");
    const Result r = RunCli({"export-csv", card.root(), file});
    ASSERT_EQ(r.code, kExitOk) << r.err.toStdString();
    const QString text = QString::fromUtf8(ReadAll(file));
    QStringList lines = text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.takeLast(), QString());
    EXPECT_EQ(lines.takeFirst(), "file,record,video_s,time,fix,latitude,longitude,speed_kmh,"
                                 "g_x,g_y,g_z,events,voltage_v");
    std::map<QString, QStringList> byFile;
    for (const QString& line : lines) {
        byFile[line.section(u',', 0, 0)] << line;
    }
    int recordings = 0;
    int manualSeen = 0;
    for (const auto& rec : card.plan) {
        const QString name = rec.front.fileName;
        if (test_card::Damaged(rec)) {
            EXPECT_EQ(byFile.count(name), 0u);
            continue;
        }
        SCOPED_TRACE(name.toStdString());
        const auto script = cm::TelemetryScript(rec.front);
        const QStringList& rows = byFile[name];
        ASSERT_EQ(rows.size(), static_cast<qsizetype>(script.size()));
        const bool parking = IsParking(name);
        for (std::size_t i = 0; i < script.size(); ++i) {
            const auto& want = script[i];
            const QStringList f = rows[static_cast<qsizetype>(i)].split(u',');
            ASSERT_EQ(f.size(), 13) << rows[static_cast<qsizetype>(i)].toStdString();
            EXPECT_EQ(f[1].toInt(), static_cast<int>(i));
            const bool fix = !parking && Fix(want);
            EXPECT_EQ(f[4], fix ? "1" : "0") << i;
            if (fix) {
                EXPECT_NEAR(f[5].toDouble(), want.latitude, 1e-6);
                EXPECT_NEAR(f[6].toDouble(), want.longitude, 1e-6);
            }
            if (!parking) {
                EXPECT_EQ(f[3], LocalDateTime(want.EffectiveTime())
                                    .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
                EXPECT_EQ(f[7], want.speedKmh < 0 ? QString() : QString::number(want.speedKmh));
            } else {
                EXPECT_TRUE(f[3].isEmpty() && f[7].isEmpty());
            }
            EXPECT_NEAR(f[8].toDouble(), want.accelX / 1000.0, 5e-4);
            EXPECT_NEAR(f[9].toDouble(), want.accelY / 1000.0, 5e-4);
            EXPECT_NEAR(f[10].toDouble(), want.accelZ / 1000.0, 5e-4);
            EXPECT_EQ(f[12], want.voltageTenths < 0
                                 ? QString()
                                 : QString::number(want.voltageTenths / 10.0, 'f', 1));
            if (want.manual == 'D') {
                EXPECT_TRUE(f[11].contains(EventLabel(kEventManual))) << f[11].toStdString();
                ++manualSeen;
            }
        }
        ++recordings;
    }
    EXPECT_GT(manualSeen, 0);
    EXPECT_EQ(byFile.size(), static_cast<std::size_t>(recordings));
    EXPECT_TRUE(r.out.contains(QStringLiteral("wrote %1 recordings").arg(recordings)));
}

// "hh:mm:ss,mmm" of a cue time in milliseconds.
QString CueTime(std::int64_t ms) {
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)).toString("HH:mm:ss,zzz");
}

TEST_F(TelemetryExport, SubtitlesShowTimeSpeedAndGPerRecord) {
    // A drive, a time-lapse drive and a parking time-lapse (whose records carry
    // no GPS part, so the recorder's clock from the name is shown).
    for (const char* kind : {"A___", "T__S", "P_T_"}) {
        const auto it = std::find_if(card.plan.begin(), card.plan.end(), [&](const auto& r) {
            return r.front.fileName.startsWith(QLatin1String(kind)) && !test_card::Damaged(r);
        });
        ASSERT_NE(it, card.plan.end()) << kind;
        SCOPED_TRACE(it->front.fileName.toStdString());
        const QString file = Out(kind + QStringLiteral(".srt"));
        const Result r = RunCli({"export-srt", card.Path(it->FrontPath()), file});
        ASSERT_EQ(r.code, kExitOk) << r.err.toStdString();
        const auto script = cm::TelemetryScript(it->front);
        const QStringList cues =
            QString::fromUtf8(ReadAll(file)).split(QStringLiteral("\n\n"), Qt::SkipEmptyParts);
        ASSERT_EQ(cues.size(), static_cast<qsizetype>(script.size()));
        const bool timeLapse = QString(kind).contains(u'T');
        const float interval = timeLapse ? 66.666664f : 100.0f;
        const auto startMs = [&](std::size_t k) {
            return static_cast<std::int64_t>(static_cast<float>(k) * interval);
        };
        const QDateTime nameStart = LocalDateTime(cm::StartTimeFromName(it->front.fileName));
        for (std::size_t k = 0; k < script.size(); ++k) {
            const QStringList lines = cues[static_cast<qsizetype>(k)].split(u'\n');
            ASSERT_EQ(lines.size(), 4) << cues[static_cast<qsizetype>(k)].toStdString();
            EXPECT_EQ(lines[0].toInt(), static_cast<int>(k + 1));
            if (k + 1 < script.size()) {
                EXPECT_EQ(lines[1], CueTime(startMs(k)) + " --> " + CueTime(startMs(k + 1)));
            }
            const auto& want = script[k];
            const bool parking = IsParking(it->front.fileName);
            const QDateTime when = parking ? nameStart.addSecs(static_cast<qint64>(k))
                                           : LocalDateTime(want.EffectiveTime());
            EXPECT_TRUE(lines[2].startsWith(when.toString("yyyy-MM-dd HH:mm:ss")))
                << lines[2].toStdString();
            const QString speed = parking || want.speedKmh < 0
                                      ? QStringLiteral("--- km/h")
                                      : QStringLiteral("%1 km/h").arg(want.speedKmh);
            EXPECT_TRUE(lines[2].endsWith(speed)) << lines[2].toStdString();
            const QStringList g = lines[3].split(u' ', Qt::SkipEmptyParts);
            ASSERT_GE(g.size(), 7);
            EXPECT_NEAR(g[2].toDouble(), want.accelX / 1000.0, 0.0051);
            EXPECT_NEAR(g[4].toDouble(), want.accelY / 1000.0, 0.0051);
            EXPECT_NEAR(g[6].toDouble(), want.accelZ / 1000.0, 0.0051);
        }
    }
}

TEST_F(TelemetryExport, SubtitlesOfAFolderGoBesideEachOtherNamedAfterTheVideos) {
    const Result r = RunCli({"export-srt", card.root() + "/Normal/Front", out.path()});
    ASSERT_EQ(r.code, kExitOk) << r.err.toStdString();
    QStringList want;
    for (const auto& rec : card.plan) {
        if (rec.group == u"Normal" && !test_card::Damaged(rec)) {
            want << QFileInfo(rec.front.fileName).completeBaseName() + ".srt";
        }
    }
    want.sort();
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files, QDir::Name), want);
    EXPECT_EQ(r.err.count("skipped:"), 2) << r.err.toStdString();
}

TEST_F(TelemetryExport, RefusesTargetsItCannotWriteAndLeavesNothingHalfWritten) {
    const QString one = card.Path(card.plan.front().FrontPath());
    const QString existing = test::WriteFile(out.path(), "existing", "old");
    QDir().mkpath(Out("folder"));
    // Only damaged recordings: nothing can be exported, and with --overwrite
    // the file already there must survive untouched.
    QTemporaryDir onlyDamaged;
    for (const auto& rec : card.plan) {
        if (test_card::Damaged(rec)) {
            QFile::copy(card.Path(rec.FrontPath()), onlyDamaged.path() + u'/' + rec.front.fileName);
        }
    }
    struct Case {
        QStringList tail; // after the command: source, target, options
        const char* message;
    };
    const std::vector<Case> cases = {
        {{one, Out("missing/out.x")}, "the folder"},
        {{one, Out("folder")}, "it is a folder"},
        {{one, existing}, "--overwrite"},
        {{onlyDamaged.path(), existing, "--overwrite"}, "holds no telemetry records"},
        {{Out("nothing-here/at-all"), Out("x")}, "no such file, folder or group"},
    };
    for (const char* command : {"export-gpx", "export-kml", "export-csv", "export-srt"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(command) + " " + c.tail.join(u' ').toStdString());
            if (std::string_view(command) == "export-srt" &&
                (c.tail[1] == Out("folder") || c.tail[0] == onlyDamaged.path())) {
                continue; // a folder is where subtitles go (below)
            }
            const Result r = RunCli(QStringList{command} + c.tail);
            EXPECT_EQ(r.code, kExitBadInput);
            EXPECT_TRUE(r.err.contains(QLatin1String(c.message))) << r.err.toStdString();
            EXPECT_EQ(ReadAll(existing), "old");
            EXPECT_EQ(
                QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                (QStringList{"existing", "folder"}));
            EXPECT_TRUE(QDir(Out("folder")).isEmpty());
        }
    }
    const Result srt = RunCli({"export-srt", onlyDamaged.path(), Out("folder")});
    EXPECT_EQ(srt.code, kExitBadInput);
    EXPECT_EQ(srt.err.count("holds no telemetry records"), 2) << srt.err.toStdString();
    EXPECT_TRUE(QDir(Out("folder")).isEmpty());
    EXPECT_EQ(RunCli({"export-srt", card.root(), existing}).code, kExitBadInput);

    EXPECT_EQ(RunCli({"export-gpx", one}).code, kExitUsage);
    EXPECT_EQ(RunCli({"export-csv", one, Out("x"), "--force"}).code, kExitUsage);
}

} // namespace
} // namespace kv::cli
