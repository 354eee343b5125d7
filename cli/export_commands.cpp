// kolvista-cli export-gpx, export-kml, export-csv and export-srt: the
// telemetry of one recording, a group or a whole card for other programs.

#include "commands.h"
#include "operation_console.h"
#include "output_target.h"
#include "recording_sources.h"
#include "run_outputs.h"
#include "track_export.h"

#include <QDir>
#include <QFileInfo>

namespace kv::cli {

namespace {

const QString kOverwrite = QStringLiteral("--overwrite");
const QString kUtcOffset = QStringLiteral("--utc-offset");

bool TwoPathsAndOverwrite(const QStringList& a) {
    return a.size() == 2 || (a.size() == 3 && a[2] == kOverwrite);
}

// SOURCE OUT, then --overwrite and --utc-offset OFFSET in either order.
struct TrackArguments {
    QString source;
    QString target;
    bool overwrite = false;
    QString utcOffset; // as given; empty without the option
};

std::optional<TrackArguments> ParseTrackArguments(const QStringList& a) {
    if (a.size() < 2) {
        return std::nullopt;
    }
    TrackArguments t{a[0], a[1], false, {}};
    for (qsizetype i = 2; i < a.size(); ++i) {
        if (a[i] == kOverwrite && !t.overwrite) {
            t.overwrite = true;
        } else if (a[i] == kUtcOffset && i + 1 < a.size() && t.utcOffset.isEmpty()) {
            t.utcOffset = a[++i];
        } else if (a[i].startsWith(kUtcOffset + u'=') && t.utcOffset.isEmpty()) {
            t.utcOffset = a[i].mid(kUtcOffset.size() + 1);
        } else {
            return std::nullopt;
        }
    }
    return t;
}

// A target that is one of the recordings read, or any recording, is refused
// whatever --overwrite says; another existing file only without it.
bool RefuseExisting(const QString& target, const QStringList& inputs, bool overwrite,
                    QTextStream& err) {
    const TargetCheck check = CheckOutputTarget(target, inputs, OutputRole::Other);
    if (check.refusal != TargetRefusal::None) {
        err << "kolvista-cli: " << check.message << "\n";
        return true;
    }
    // A folder is refused by the writer, with its own words.
    if (QFileInfo::exists(target) && !QFileInfo(target).isDir() && !overwrite) {
        err << "kolvista-cli: " << target << " exists; add " << kOverwrite << " to replace it\n";
        return true;
    }
    return false;
}

void PrintSkipped(const ExportReport& report, QTextStream& err) {
    for (const QString& line : report.skipped) {
        err << "skipped: " << line << "\n";
    }
}

int Export(ExportFormat format, const QStringList& args, QTextStream& out, QTextStream& err) {
    const std::optional<TrackArguments> parsed = ParseTrackArguments(args);
    if (!parsed) {
        return kExitUsage; // the registrar's check lets only usable lists through
    }
    const QString target = parsed->target;
    std::optional<int> offset;
    if (!parsed->utcOffset.isEmpty()) {
        offset = ParseUtcOffset(parsed->utcOffset);
        if (!offset) {
            err << "kolvista-cli: " << kUtcOffset << " takes an offset from UTC such as +09:00 "
                << "or -05:30 (at most 14 hours), not " << parsed->utcOffset << "\n";
            return kExitUsage;
        }
    }
    RecordingList entries;
    if (!RecordingsOfSource(parsed->source, entries, err)) {
        return kExitBadInput;
    }
    const QStringList files = FrontFiles(entries);
    if (files.isEmpty()) {
        err << "kolvista-cli: no front-camera recordings in " << parsed->source << "\n";
        return kExitBadInput;
    }
    if (RefuseExisting(target, RecordingFiles(entries), parsed->overwrite, err)) {
        return kExitBadInput;
    }
    ExportReport report;
    OperationResult result = kOperationFailed;
    {
        OperationConsole console(QStringLiteral("export"), err);
        result = ExportTelemetry(files, format, target, &console.control(), &report, offset);
    }
    if (format != ExportFormat::Csv && result == kOperationDone) {
        // The recorder's clock has no zone: say which one the UTC times assume.
        out << "times: the recorder's clock taken as UTC" << UtcOffsetText(report.utcOffsetSeconds)
            << (offset ? "" : " (this computer's time zone; --utc-offset sets another)") << "\n";
    }
    PrintSkipped(report, err);
    switch (result) {
    case kOperationDone:
        out << "wrote " << report.recordings << " recordings to " << target << ": ";
        if (format == ExportFormat::Csv) {
            out << report.records << " records\n";
        } else {
            out << report.points << " track points in " << report.segments << " segments\n";
        }
        return kExitOk;
    case kOperationCancelled:
        err << "kolvista-cli: export cancelled; nothing written\n";
        return kExitCancelled;
    default:
        err << "kolvista-cli: " << report.error << "\n";
        return kExitBadInput;
    }
}

// One subtitle file per recording: into the given file for one recording,
// else beside each other in the given folder, named after their videos.
int ExportSrt(const QStringList& args, QTextStream& out, QTextStream& err) {
    RecordingList entries;
    if (!RecordingsOfSource(args[0], entries, err)) {
        return kExitBadInput;
    }
    const QStringList files = FrontFiles(entries);
    if (files.isEmpty()) {
        err << "kolvista-cli: no front-camera recordings in " << args[0] << "\n";
        return kExitBadInput;
    }
    const bool overwrite = args.size() == 3;
    const bool intoFolder = files.size() > 1 || QFileInfo(args[1]).isDir();
    if (intoFolder && !QFileInfo(args[1]).isDir()) {
        err << "kolvista-cli: no such output folder: " << args[1]
            << " (several recordings need a folder)\n";
        return kExitBadInput;
    }
    QStringList targets;
    for (const QString& file : files) {
        // Two recordings of one name: the second's subtitles keep its sub-folder's name.
        QString why;
        const QString target = intoFolder ? RunOutputPath(args[0], args[1], file,
                                                          SubtitleFileName(file), targets, &why)
                                          : args[1];
        if (target.isEmpty()) {
            err << "kolvista-cli: " << why << "\n";
            return kExitBadInput;
        }
        if (RefuseExisting(target, RecordingFiles(entries), overwrite, err)) {
            return kExitBadInput;
        }
        targets << target;
    }
    int written = 0;
    for (qsizetype i = 0; i < files.size(); ++i) {
        ExportReport report;
        if (intoFolder) {
            QDir().mkpath(QFileInfo(targets[i]).path()); // a sub-folder's name (above)
        }
        if (ExportSubtitles(files[i], targets[i], &report)) {
            out << targets[i] << ": " << report.records << " cues\n";
            ++written;
        } else {
            err << "skipped: " << report.error << "\n";
        }
    }
    out << "wrote " << written << " of " << files.size() << " subtitle files\n";
    return written == 0 ? kExitBadInput : kExitOk;
}

bool TrackArgumentsUsable(const QStringList& a) {
    return ParseTrackArguments(a).has_value();
}

const CommandRegistrar gpx({"export-gpx", "SOURCE OUT.gpx [--overwrite] [--utc-offset +HH:MM]",
                            TrackArgumentsUsable,
                            [](const QStringList& a, QTextStream& out, QTextStream& err) {
                                return Export(ExportFormat::Gpx, a, out, err);
                            }});

const CommandRegistrar kml({"export-kml", "SOURCE OUT.kml [--overwrite] [--utc-offset +HH:MM]",
                            TrackArgumentsUsable,
                            [](const QStringList& a, QTextStream& out, QTextStream& err) {
                                return Export(ExportFormat::Kml, a, out, err);
                            }});

const CommandRegistrar csv({"export-csv", "SOURCE OUT.csv [--overwrite]", TwoPathsAndOverwrite,
                            [](const QStringList& a, QTextStream& out, QTextStream& err) {
                                return Export(ExportFormat::Csv, a, out, err);
                            }});

const CommandRegistrar srt({"export-srt",
                            "SOURCE OUT.srt|OUTDIR [--overwrite]   (SOURCE: a recording, a "
                            "folder, a card or a group path)",
                            TwoPathsAndOverwrite, ExportSrt});

} // namespace

} // namespace kv::cli
