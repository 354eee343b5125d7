// A whole recorder card: the four folders, the recorder's configuration file and
// a set of recordings that covers every kind of name, several groups on two dates,
// and (on request) the damaged variants.

#include "cardmaker.h"

#include <QDir>
#include <QSaveFile>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>

namespace kv::cardmaker {

namespace {

constexpr LocalTime kFirstDay{2026, 12, 4, 0, 0, 0};
constexpr int kFirstFileNumber = 101;
constexpr std::uint32_t kTimeLapseRate = 15; // time-lapse video: 15 frames per second of video,
                                             // one frame per second of real time
constexpr int kTemplateDays = 2;
constexpr int kMaxCount = 10000;

struct SessionTemplate {
    int day;
    int hour;
    int minute;
};

// Per template cycle: a morning drive and a parking stay on the first day; a drive, a
// time-lapse drive and an evening parking stay on the second.
constexpr SessionTemplate kSessions[] = {
    {0, 8, 10}, {0, 12, 0}, {1, 9, 30}, {1, 11, 0}, {1, 18, 0},
};
constexpr SessionTemplate kDamagedSession = {1, 20, 0};

enum Tweak {
    kPlain,
    kLowQualityMarkD,  // quality 'L', threshold marker 'D'
    kNoVehicleNoSpeed, // vehicle data kind 'N', speed display off
    kNoGpsDisplay,     // GPS display off
    kNoThresholds,     // threshold marker blank: the thresholds mean nothing
};

struct Entry {
    int session;
    const char* kind;
    int deletedBefore; // file numbers (and recording slots) missing before this one
    char axis;
    TelemetryForm form;
    Tweak tweak;
};

constexpr TelemetryForm kFull = TelemetryForm::FullLength;
constexpr TelemetryForm kExact = TelemetryForm::ExactCount;

constexpr Entry kTemplate[] = {
    {0, "A__S", 0, 0, kFull, kPlain}, // group start; GPS still searching
    {0, "A___", 0, 0, kFull, kPlain},
    {0, "AG__", 0, 'X', kFull, kPlain}, // impact, X axis
    {0, "A___", 0, 0, kFull, kPlain},   // expressway: speeding
    {0, "AM__", 0, 0, kFull, kPlain},   // manual recording
    {0, "A___", 0, 0, kExact, kPlain},  // tunnel
    {0, "AD__", 0, 0, kFull, kPlain},   // approaching vehicle
    {0, "A___", 2, 0, kFull, kPlain},   // after two deleted files: hard braking
    {0, "AG__", 0, 'Y', kFull, kPlain}, // impact, Y axis; pulling away hard
    {0, "A___", 0, 0, kExact, kPlain},  // sharp turn, emergency stop
    {1, "P__S", 0, 0, kFull, kPlain},   // parking: monitoring event
    {1, "P___", 0, 0, kExact, kPlain},
    {1, "PG__", 0, 'Z', kFull, kPlain},      // parking impact
    {1, "P_T_", 0, 0, kFull, kNoThresholds}, // parking time-lapse
    {2, "A__S", 0, 0, kFull, kPlain},
    {2, "AG__", 0, 'Z', kFull, kLowQualityMarkD},
    {2, "AM__", 0, 0, kFull, kNoVehicleNoSpeed},
    {3, "T__S", 0, 0, kFull, kPlain}, // time-lapse drive
    {3, "T___", 0, 0, kExact, kNoGpsDisplay},
    {4, "PGT_", 0, 'X', kFull, kPlain}, // parking time-lapse with an impact
};
constexpr int kTemplateLength = static_cast<int>(std::size(kTemplate));

struct DamagedEntry {
    const char* kind;
    CardVariant variant;
};

// A last drive that ends badly.
constexpr DamagedEntry kDamaged[] = {
    {"A__S", CardVariant::MissingRear},
    {"A___", CardVariant::TooShort},
    {"A___", CardVariant::CutInsideMovi},
    {"A___", CardVariant::PowerLoss},
};

struct Session {
    LocalTime start;
    double elapsed = 0.0; // real seconds since the start
    double pace = 0.0;    // real seconds of one recording slot
};

bool IsTimeLapseKind(const char* kind) {
    return kind[0] == 'T' || kind[2] == 'T';
}

TelemetryHeaderSpec HeaderFor(Tweak tweak, bool parking) {
    TelemetryHeaderSpec h;
    if (parking) {
        h.vehicleDataKind = '2';
    }
    switch (tweak) {
    case kLowQualityMarkD:
        h.quality = 'L';
        h.thresholdMark = 'D';
        h.thresholdX = 400;
        h.thresholdY = 450;
        h.thresholdZ = 600;
        break;
    case kNoVehicleNoSpeed:
        h.vehicleDataKind = 'N';
        h.speedDisplay = false;
        break;
    case kNoGpsDisplay:
        h.gpsDisplay = false;
        break;
    case kNoThresholds:
        h.thresholdMark = ' ';
        break;
    case kPlain:
        break;
    }
    return h;
}

// Starts a session at its nominal time, or later when the one before is still going.
Session StartSession(const SessionTemplate& t, int dayOffset, const LocalTime& notBefore,
                     double pace) {
    Session s;
    s.start = AddSeconds(kFirstDay, static_cast<std::int64_t>(dayOffset + t.day) * 86400 +
                                        t.hour * 3600 + t.minute * 60);
    if (SecondsSince2000(s.start) < SecondsSince2000(notBefore)) {
        s.start = notBefore;
    }
    s.pace = pace;
    return s;
}

LocalTime SessionEnd(const Session& s) {
    return AddSeconds(s.start, static_cast<std::int64_t>(std::ceil(s.elapsed)) + 600);
}

CardRecording MakeRecording(const CardOptions& o, Session& session, const char* kind,
                            int fileNumber, char axis, TelemetryForm form,
                            const TelemetryHeaderSpec& header, CardVariant variant) {
    const bool timeLapse = IsTimeLapseKind(kind);
    const LocalTime start =
        AddSeconds(session.start, static_cast<std::int64_t>(std::floor(session.elapsed + 1e-6)));
    CardRecording r;
    r.variant = variant;
    RecordingSpec& f = r.front;
    f.fileName = MakeRecordingName(QString::fromLatin1(kind), start, fileNumber, 'F');
    f.width = o.frontWidth;
    f.height = o.frontHeight;
    f.rate = timeLapse ? kTimeLapseRate : o.rate;
    f.scale = timeLapse ? 1 : o.scale;
    f.seconds = o.seconds;
    if (variant == CardVariant::TooShort) {
        // 2.0 s or just under: the viewer refuses such files.
        const double frames = std::floor(2.0 * f.rate / f.scale + 1e-9);
        f.seconds = frames * f.scale / f.rate;
    }
    f.audio = !timeLapse;
    f.header = header;
    f.triggerAxis = axis;
    f.crf = o.crf;
    f.grain = o.grain;
    f.bitrateKbps = o.bitrateKbps;
    f.sessionSeconds = session.elapsed;
    f.sessionPace = session.pace;
    f.telemetry = form;
    if (form == TelemetryForm::FullLength &&
        TelemetryRecordCount(f) > static_cast<int>(kFullLengthSlots) - 1) {
        f.telemetry = TelemetryForm::ExactCount; // longer than the recorder's own files
    }
    if (variant == CardVariant::PowerLoss) {
        f.damage = Damage::PowerLoss;
    } else if (variant == CardVariant::CutInsideMovi) {
        f.damage = Damage::CutInsideMovi;
    }
    r.group = IsParkingGroupName(f.fileName) ? QStringLiteral("Parking") : QStringLiteral("Normal");

    r.rear = f;
    r.rear.fileName = CounterpartName(f.fileName);
    r.rear.width = o.rearWidth;
    r.rear.height = o.rearHeight;
    r.rear.telemetry = TelemetryForm::None;
    r.hasRear = variant != CardVariant::MissingRear;

    const int frames = FrameCount(f);
    session.elapsed +=
        timeLapse ? static_cast<double>(frames) : static_cast<double>(frames) * f.scale / f.rate;
    return r;
}

bool Fail(QString* error, const QString& message) {
    if (error) {
        *error = message;
    }
    return false;
}

bool CheckOptionValues(const CardOptions& o, QString* error) {
    auto sizeOk = [](int w, int h) {
        return w >= 16 && h >= 16 && w <= 4096 && h <= 4096 && w % 2 == 0 && h % 2 == 0;
    };
    if (!sizeOk(o.frontWidth, o.frontHeight)) {
        return Fail(error, QStringLiteral("front picture size %1x%2: both must be even, 16 to 4096")
                               .arg(o.frontWidth)
                               .arg(o.frontHeight));
    }
    if (!sizeOk(o.rearWidth, o.rearHeight)) {
        return Fail(error, QStringLiteral("rear picture size %1x%2: both must be even, 16 to 4096")
                               .arg(o.rearWidth)
                               .arg(o.rearHeight));
    }
    if (o.rate == 0 || o.scale == 0 || o.rate > 1000000000u || o.scale > 1000000000u ||
        static_cast<double>(o.rate) / o.scale > 240.0 ||
        static_cast<double>(o.rate) / o.scale < 1.0) {
        return Fail(error, QStringLiteral("frame rate %1/%2: must lie between 1 and 240 fps")
                               .arg(o.rate)
                               .arg(o.scale));
    }
    if (!(o.seconds >= 2.5 && o.seconds <= 3600.0)) {
        return Fail(
            error,
            QStringLiteral("recording length %1 s: must lie between 2.5 and 3600").arg(o.seconds));
    }
    if (o.count < 0 || o.count > kMaxCount) {
        return Fail(error, QStringLiteral("recording count %1: must lie between 0 and %2")
                               .arg(o.count)
                               .arg(kMaxCount));
    }
    if (o.crf < 0 || o.crf > 51) {
        return Fail(error, QStringLiteral("crf %1: must lie between 0 and 51").arg(o.crf));
    }
    if (o.grain < 0 || o.grain > 100) {
        return Fail(error, QStringLiteral("grain %1: must lie between 0 and 100").arg(o.grain));
    }
    if (o.bitrateKbps < 0 || o.bitrateKbps > 200000) {
        return Fail(error,
                    QStringLiteral("bitrate %1: must lie between 0 and 200000").arg(o.bitrateKbps));
    }
    if (o.modelCode.size() > 8 || o.firmware.size() != 6 || o.gpsDataNumber.size() != 6) {
        return Fail(error, QStringLiteral("recorder configuration: model code up to 8 bytes, "
                                          "firmware and GPS-data number 6 bytes each"));
    }
    return true;
}

struct Job {
    RecordingSpec recipe;
    QString path;
    double cost;
};

} // namespace

CardOptions TinyCardOptions() {
    CardOptions o;
    o.frontWidth = 160;
    o.frontHeight = 96;
    o.rearWidth = 160;
    o.rearHeight = 96;
    o.seconds = 3.0;
    o.crf = 16;
    return o;
}

bool CheckCardOptions(const CardOptions& options, QString* error) {
    return CheckOptionValues(options, error);
}

QString CardRecording::FrontPath() const {
    return group + QStringLiteral("/Front/") + front.fileName;
}

QString CardRecording::RearPath() const {
    return group + QStringLiteral("/Rear/") + rear.fileName;
}

std::vector<CardRecording> PlanCard(const CardOptions& o) {
    std::vector<CardRecording> plan;
    if (o.count < 0 || o.rate == 0 || o.scale == 0) {
        return plan;
    }
    const double drivePace = o.seconds;
    const double timeLapsePace = std::round(o.seconds * kTimeLapseRate);
    int number = kFirstFileNumber;
    LocalTime notBefore = kFirstDay;
    const int cycles = (std::min(o.count, kMaxCount) + kTemplateLength - 1) / kTemplateLength;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        Session session;
        int current = -1;
        for (int e = 0; e < kTemplateLength; ++e) {
            if (cycle * kTemplateLength + e >= o.count) {
                break;
            }
            const Entry& entry = kTemplate[e];
            if (entry.session != current) {
                if (current >= 0) {
                    notBefore = SessionEnd(session);
                }
                current = entry.session;
                const bool timeLapse = IsTimeLapseKind(entry.kind);
                session = StartSession(kSessions[entry.session], cycle * kTemplateDays, notBefore,
                                       timeLapse ? timeLapsePace : drivePace);
            }
            number += entry.deletedBefore;
            session.elapsed += entry.deletedBefore * session.pace;
            const bool parking = entry.kind[0] == 'P';
            plan.push_back(MakeRecording(o, session, entry.kind, number++, entry.axis, entry.form,
                                         HeaderFor(entry.tweak, parking), CardVariant::Regular));
        }
        notBefore = SessionEnd(session);
    }
    if (o.damaged) {
        const int lastCycle = std::max(0, cycles - 1);
        Session session =
            StartSession(kDamagedSession, lastCycle * kTemplateDays, notBefore, drivePace);
        for (const DamagedEntry& d : kDamaged) {
            plan.push_back(MakeRecording(o, session, d.kind, number++, 0, kFull,
                                         HeaderFor(kPlain, false), d.variant));
        }
    }
    return plan;
}

QByteArray RecorderConfigBytes(const CardOptions& o) {
    QByteArray bytes(128, '\0');
    bytes.replace(0, 14, "DRFormatConfig");
    bytes.replace(48, static_cast<int>(std::min<qsizetype>(8, o.modelCode.size())),
                  o.modelCode.left(8));
    bytes.replace(56, 6, o.firmware.leftJustified(6, '0', true));
    bytes.replace(62, 6, o.gpsDataNumber.leftJustified(6, ' ', true));
    return bytes;
}

bool WriteCard(const CardOptions& o, const QString& folder, QString* error) {
    if (!CheckOptionValues(o, error)) {
        return false;
    }
    QDir root(folder);
    for (const char* sub : {"Normal/Front", "Normal/Rear", "Parking/Front", "Parking/Rear"}) {
        if (!root.mkpath(QString::fromLatin1(sub))) {
            return Fail(error, QStringLiteral("cannot create %1").arg(root.filePath(sub)));
        }
    }
    QSaveFile config(root.filePath(QStringLiteral("DRFormatConfig.dfc")));
    const QByteArray configBytes = RecorderConfigBytes(o);
    if (!config.open(QIODevice::WriteOnly) || config.write(configBytes) != configBytes.size() ||
        !config.commit()) {
        return Fail(
            error,
            QStringLiteral("cannot write %1: %2").arg(config.fileName(), config.errorString()));
    }

    std::vector<Job> jobs;
    for (const CardRecording& r : PlanCard(o)) {
        jobs.push_back({r.front, root.filePath(r.FrontPath()),
                        static_cast<double>(r.front.width) * r.front.height * FrameCount(r.front)});
        if (r.hasRear) {
            jobs.push_back(
                {r.rear, root.filePath(r.RearPath()),
                 static_cast<double>(r.rear.width) * r.rear.height * FrameCount(r.rear)});
        }
    }
    // Largest first, so the workers finish together.
    std::stable_sort(jobs.begin(), jobs.end(),
                     [](const Job& a, const Job& b) { return a.cost > b.cost; });

    const unsigned hardware = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t workers = std::min<std::size_t>(
        jobs.size(), o.jobs > 0 ? static_cast<std::size_t>(o.jobs) : hardware);
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::mutex errorLock;
    QString firstError;
    auto work = [&] {
        for (;;) {
            const std::size_t i = next.fetch_add(1);
            if (i >= jobs.size() || failed.load()) {
                return;
            }
            QString message;
            if (!WriteRecording(jobs[i].recipe, jobs[i].path, &message)) {
                std::lock_guard<std::mutex> lock(errorLock);
                if (!failed.exchange(true)) {
                    firstError = message;
                }
                return;
            }
        }
    };
    std::vector<std::thread> threads;
    for (std::size_t t = 1; t < workers; ++t) {
        threads.emplace_back(work);
    }
    work();
    for (std::thread& t : threads) {
        t.join();
    }
    if (failed.load()) {
        return Fail(error, firstError);
    }
    return true;
}

} // namespace kv::cardmaker
