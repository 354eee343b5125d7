#include "commands.h"

#include "avi_clip.h"
#include "avi_layout.h"
#include "avi_verify.h"
#include "byte_order.h"
#include "catalogue.h"
#include "event_codes.h"
#include "memory_tree.h"
#include "telemetry_reader.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace kv::cli {

namespace {

const char* const kUsage = "usage:\n"
                           "  kolvista-cli info FILE\n"
                           "  kolvista-cli telemetry FILE [--csv]\n"
                           "  kolvista-cli scan PATH      (a card, a folder or a group path)\n"
                           "  kolvista-cli list FOLDER\n";

QString VerifyText(int result) {
    switch (result) {
    case kRecordingSound:
        return QStringLiteral("0 sound");
    case kRecordingDamaged:
        return QStringLiteral("1 damaged");
    default:
        return QStringLiteral("2 unreadable");
    }
}

QString Thresholds(const TelemetryHeader& h) {
    return QStringLiteral("%1 %2 %3 %4 G (mark %5)")
        .arg(h.thresholdX, 0, 'f', 3)
        .arg(h.thresholdY, 0, 'f', 3)
        .arg(h.thresholdZ, 0, 'f', 3)
        .arg(h.threshold4, 0, 'f', 3)
        .arg(h.thresholdMark >= 0x20 && h.thresholdMark < 0x7F ? QChar(h.thresholdMark)
                                                               : QChar(u'-'));
}

int Info(const QString& path, QTextStream& out, QTextStream& err) {
    const QFileInfo info(path);
    if (!info.isFile()) {
        err << "kolvista-cli: no such file: " << path << "\n";
        return kExitBadInput;
    }
    std::int64_t expected = -1;
    const int verdict = VerifyRecording(path, &expected);
    out << "file:            " << path << "\n";
    out << "size:            " << info.size() << " bytes\n";
    out << "verification:    " << VerifyText(verdict) << "\n";
    if (verdict == kRecordingUnreadable) {
        err << "kolvista-cli: cannot open or map " << path << "\n";
        return kExitBadInput;
    }
    if (verdict == kRecordingSound) {
        out << "expected length: " << expected << " bytes"
            << (expected == info.size() ? " (matches)" : " (differs)") << "\n";
    }
    if (const auto timing = ReadTiming(path)) {
        out << "timing:          " << timing->totalFrames << " frames, "
            << QString::number(timing->frameDurationMs, 'f', 4) << " ms per frame (" << timing->rate
            << "/" << timing->scale << "), " << QString::number(timing->durationSeconds, 'f', 3)
            << " s\n";
    } else {
        out << "timing:          unreadable (short header or frame rate 0)\n";
    }
    const auto clip = LoadClip(path);
    if (!clip) {
        out << "structure:       cannot be loaded (sizes do not fit the file)\n";
        return verdict == kRecordingSound ? kExitBadInput : kExitOk;
    }
    const auto* h = reinterpret_cast<const unsigned char*>(clip->header.constData());
    out << "layout:          "
        << (clip->timeLapse ? "time-lapse (280-byte header, no audio)" : "normal (384-byte header)")
        << (clip->parkingGroup ? ", parking group" : "") << "\n";
    out << "picture:         " << static_cast<std::int32_t>(ReadLe32(h + avi::kVideoWidth)) << " x "
        << static_cast<std::int32_t>(ReadLe32(h + avi::kVideoHeight)) << "\n";
    std::size_t video = 0, audio = 0, keys = 0;
    for (const auto& e : clip->index) {
        if (e.tag == avi::kVideoFourCc) {
            ++video;
            keys += (e.flags & avi::kKeyFrameFlag) ? 1 : 0;
        } else if (e.tag == avi::kAudioFourCc) {
            ++audio;
        }
    }
    out << "movi size:       " << clip->moviSize() << " bytes\n";
    out << "index:           " << clip->index.size() << " entries: " << video << " video (" << keys
        << " key), " << audio << " audio\n";
    if (clip->hasTelemetry) {
        out << "telemetry block: " << clip->recordCount << " records (trailer count "
            << clip->trailerCount << ")\n";
    }
    TelemetryHeader header;
    if (ReadHeaderOnly(path, header)) {
        out << "thresholds:      " << Thresholds(header) << "\n";
        out << "quality:         " << (header.quality == 'H' ? "high" : "low") << "\n";
        out << "vehicle data:    "
            << (header.vehicleDataKind >= 0x20 ? QString(QChar(header.vehicleDataKind))
                                               : QStringLiteral("-"))
            << ", speed display " << (header.speedDisplay ? "on" : "off") << ", GPS "
            << (header.gpsDisplay ? "on" : "off") << "\n";
    }
    return kExitOk;
}

QString EventText(const SensorSample& s) {
    QStringList codes;
    if (s.axis != 0) {
        codes << EventLabel(EventCodeOfAxis(s.axis));
    }
    if (s.kind != kNoEvent) {
        codes << EventLabel(s.kind);
    }
    if (s.speeding) {
        codes << EventLabel(s.speeding);
    }
    if (s.approaching) {
        codes << EventLabel(s.approaching);
    }
    return codes.join(u'+');
}

QString TimeText(const CalendarTime& t) {
    return QString::asprintf("%04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour,
                             t.minute, t.second);
}

QString Coordinate(double v) {
    return v == kNoCoordinate ? QStringLiteral("-") : QString::number(v, 'f', 6);
}

int Telemetry(const QString& path, bool csv, QTextStream& out, QTextStream& err) {
    if (!QFileInfo(path).isFile()) {
        err << "kolvista-cli: no such file: " << path << "\n";
        return kExitBadInput;
    }
    TelemetryReader reader;
    reader.Init();
    reader.onMapError = [&err](const QString& caption, const QString& text) {
        err << caption << ": " << text << "\n";
    };
    if (!reader.Open(path)) {
        err << "kolvista-cli: cannot read the telemetry of " << path << "\n";
        return kExitBadInput;
    }
    const QString sep = csv ? QStringLiteral(",") : QStringLiteral("\t");
    out << QStringList{"index", "time", "lat", "lon", "speed", "ax", "ay", "az", "event", "voltage"}
               .join(sep)
        << "\n";
    for (std::size_t i = 0; i < reader.sensors.size(); ++i) {
        const SensorSample& s = reader.sensors[i];
        const GpsSample& g = reader.gps[i];
        const QString speed =
            g.speedKmh == kNoSpeed ? QStringLiteral("-") : QString::number(g.speedKmh, 'f', 0);
        const QString voltage = s.voltageTenths == kNoVoltage
                                    ? QStringLiteral("-")
                                    : QString::number(s.voltageTenths / 10.0, 'f', 1);
        out << QStringList{QString::number(s.index),
                           g.time.year ? TimeText(g.time) : QStringLiteral("-"),
                           Coordinate(g.latitude),
                           Coordinate(g.longitude),
                           speed,
                           QString::number(s.accelX, 'f', 3),
                           QString::number(s.accelY, 'f', 3),
                           QString::number(s.accelZ, 'f', 3),
                           EventText(s),
                           voltage}
                   .join(sep)
            << "\n";
    }
    return kExitOk;
}

void PrintEntries(const RecordingList& entries, QTextStream& out) {
    for (const RecordingEntry& e : entries) {
        out << QString::asprintf("%5d  ", e.sequence) << e.rowName() << "  front "
            << (e.frontPath.isEmpty() ? "-"
                : e.frontDamaged      ? "damaged"
                                      : "ok")
            << "  rear "
            << (e.rearPath.isEmpty() ? "-"
                : e.rearDamaged      ? "damaged"
                                     : "ok")
            << "  expected " << e.frontExpectedLength << " / " << e.rearExpectedLength << "\n";
    }
}

int Scan(const QString& argument, QTextStream& out, QTextStream& err) {
    const QString path = QDir::cleanPath(argument);
    const QFileInfo info(path);
    if (!info.isDir() && !QFileInfo(info.path()).isDir()) {
        err << "kolvista-cli: no such folder: " << argument << "\n";
        return kExitBadInput;
    }
    Catalogue catalogue;
    MemoryTree tree;
    RecordingList entries;
    RecordingList folders;
    int pairs = 0;
    ScanContext context(catalogue, tree, entries);
    context.folderEntries = &folders;
    context.cardLayout = QFileInfo::exists(path + QStringLiteral("/Normal/Front")) ||
                         QFileInfo::exists(path + QStringLiteral("/Parking/Front"));
    context.counter = &pairs;
    const ScanResult result = ScanSource(path, kTreeRoot, 0, context);
    if (!result.ok) {
        err << "kolvista-cli: the scan of " << argument << " failed\n";
        return kExitBadInput;
    }
    SortEntries(entries);
    out << "output folder: " << result.outputFolder << "\n";
    out << "tree (" << tree.ItemCount() << " items, kind masks in hex):\n";
    for (const QString& line : tree.Dump(kTreeRoot, 1)) {
        out << line << "\n";
    }
    out << "entries (" << entries.size() << " of " << pairs << " recordings):\n";
    PrintEntries(entries, out);
    return kExitOk;
}

int List(const QString& folder, QTextStream& out, QTextStream& err) {
    if (!QFileInfo(folder).isDir()) {
        err << "kolvista-cli: no such folder: " << folder << "\n";
        return kExitBadInput;
    }
    Catalogue catalogue;
    RecordingList entries;
    int files = 0;
    CollectAll(catalogue, QDir::cleanPath(folder), entries, files, 0);
    out << entries.size() << " recordings in " << files << " files\n";
    PrintEntries(entries, out);
    return kExitOk;
}

} // namespace

int Run(const QStringList& args, std::FILE* outFile, std::FILE* errFile) {
    QTextStream out(outFile);
    QTextStream err(errFile);
    const QString command = args.value(0);
    if (command == u"info" && args.size() == 2) {
        return Info(args[1], out, err);
    }
    if (command == u"telemetry" && (args.size() == 2 || args.size() == 3)) {
        const bool csv = args.size() == 3 && args[2] == u"--csv";
        if (args.size() == 3 && !csv) {
            err << "kolvista-cli: unknown option " << args[2] << "\n" << kUsage;
            return kExitUsage;
        }
        return Telemetry(args[1], csv, out, err);
    }
    if (command == u"scan" && args.size() == 2) {
        return Scan(args[1], out, err);
    }
    if (command == u"list" && args.size() == 2) {
        return List(args[1], out, err);
    }
    if (command == u"--help" || command == u"-h") {
        out << kUsage;
        return kExitOk;
    }
    err << kUsage;
    return kExitUsage;
}

} // namespace kv::cli
