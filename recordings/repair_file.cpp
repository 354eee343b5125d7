// RepairFile: header copy, scan, index and write of one recording.

#include "repair.h"
#include "repair_detail.h"

#include "output_target.h"
#include "recording_name.h"

#include <QDir>
#include <QFileInfo>

namespace kv {

namespace {

OperationResult Fail(RepairReport& report, const QString& text) {
    report.error = text;
    return kOperationFailed;
}

} // namespace

OperationResult RepairFile(const QString& source, const QString& target,
                           const OperationControl* control, RepairReport* report) {
    RepairReport local;
    RepairReport& r = report ? *report : local;
    r = RepairReport{};

    // A copy never replaces its source or lands in a card's recording folder.
    if (const TargetCheck check = CheckOutputTarget(target, {source}, OutputRole::Recording);
        check.refusal != TargetRefusal::None) {
        return Fail(r, check.message);
    }
    // A copy the player will take: only into a folder of the user's own.
    const bool forPlay = repair_detail::InRepairFolder(target);
    if (forPlay) {
        if (const QString problem = CheckRepairFolder(true); !problem.isEmpty()) {
            return Fail(r, problem);
        }
        // From here on an earlier copy under target's name is not taken as
        // good, whatever becomes of this repair.
        repair_detail::RemoveSourceRecord(target);
    }

    RepairContext context;
    context.source = source;
    context.timeLapse = IsTimeLapse(source);
    const std::uint32_t payloadStart = avi::PayloadStart(context.timeLapse);

    MappedFile file;
    if (!OpenMapped(source, file)) {
        return Fail(r, QStringLiteral("cannot open %1: %2").arg(source, file.lastError));
    }
    // What the source was before it was read: a source that changes during
    // the repair does not match the record afterwards.
#if defined(Q_OS_UNIX)
    const repair_detail::SourceState before = repair_detail::StateOf(source, file.fd);
#else
    const repair_detail::SourceState before = repair_detail::StateOf(source);
#endif
    if (file.size < payloadStart) {
        return Fail(
            r,
            QStringLiteral("%1 is shorter than its %2-byte header").arg(source).arg(payloadStart));
    }
    context.header.resize(payloadStart);
    if (!ReadMapped(file, 0, context.header.data(), payloadStart)) {
        return Fail(r,
                    QStringLiteral("cannot read the header of %1: %2").arg(source, file.lastError));
    }

    // One progress for both passes over the source: the scan reads everything
    // after the "movi" tag, the copy at most everything after the header; once
    // the scan has measured the chunks the copy's share shrinks to them.
    const std::int64_t scanTotal = static_cast<std::int64_t>(file.size) -
                                   static_cast<std::int64_t>(avi::MoviTagOffset(context.timeLapse));
    std::int64_t copyTotal = static_cast<std::int64_t>(file.size - payloadStart);
    OperationControl scanControl;
    OperationControl copyControl;
    if (control) {
        scanControl.running = control->running;
        scanControl.progress = [&](std::int64_t done, std::int64_t) {
            control->Progress(done, scanTotal + copyTotal);
        };
        copyControl.running = control->running;
        copyControl.progress = [&](std::int64_t done, std::int64_t) {
            control->Progress(scanTotal + done, scanTotal + copyTotal);
        };
    }

    const OperationResult scanned =
        ScanChunks(file, context.timeLapse, context.entries, control ? &scanControl : nullptr);
    if (scanned == kOperationCancelled) {
        return scanned;
    }
    if (scanned == kOperationFailed) {
        return Fail(r, QStringLiteral("cannot read %1: %2").arg(source, file.lastError));
    }
    if (!BuildIndex(context)) {
        return Fail(r,
                    context.entries.empty()
                        ? QStringLiteral("no chunk of %1 could be indexed").arg(source)
                        : QStringLiteral("the repaired copy of %1 would reach 4 GiB").arg(source));
    }
    r.videoChunks = context.videoChunks;
    r.audioChunks = context.audioChunks;
    r.moviSize = context.moviSize;
    copyTotal = context.moviSize - 4;

    const OperationResult written =
        WriteRepaired(file, context, target, control ? &copyControl : nullptr, &r.error);
    if (written != kOperationDone) {
        return written;
    }
    // Written after the copy is in place: a copy without its record is made again.
    if (forPlay && !repair_detail::WriteSourceRecord(target, before, &r.error)) {
        QFile::remove(target);
        return kOperationFailed;
    }
    r.outputSize = QFileInfo(target).size();
    return written;
}

} // namespace kv
