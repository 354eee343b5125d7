#include "join.h"

#include "avi_layout.h"
#include "byte_order.h"
#include "join_match.h"
#include "join_output.h"
#include "mapped_file.h"
#include "output_target.h"
#include "recording_name.h"
#include "telemetry_layout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <thread>

namespace kv {

namespace {

constexpr std::uint64_t kMax32 = std::numeric_limits<std::uint32_t>::max();
// The payload is streamed through views of at most this many bytes.
constexpr std::uint64_t kCopyWindow = 16u * 1024u * 1024u;

unsigned char* HeaderBytes(AviClip& clip) {
    return reinterpret_cast<unsigned char*>(clip.header.data());
}
const unsigned char* HeaderBytes(const AviClip& clip) {
    return reinterpret_cast<const unsigned char*>(clip.header.constData());
}

bool HeaderComplete(const AviClip& clip) {
    return clip.header.size() == static_cast<qsizetype>(avi::HeaderLength(clip.timeLapse));
}

// A 32-bit header field grown by add; false when the sum leaves 32 bits.
bool GrownField(const AviClip& clip, std::uint32_t offset, std::uint64_t add, std::uint32_t& out) {
    const std::uint64_t sum = std::uint64_t{ReadLe32(HeaderBytes(clip) + offset)} + add;
    out = static_cast<std::uint32_t>(sum);
    return sum <= kMax32;
}

enum class WriteOutcome { Written, Failed, Cancelled };

class ClipWriter {
public:
    ClipWriter(const AviClip& clip, PendingOutput& out, const OperationControl* control)
        : clip_(clip), out_(out), control_(control) {}

    WriteOutcome Write();
    const QString& error() const { return error_; }

private:
    WriteOutcome Fail(const QString& why) {
        error_ = why;
        return WriteOutcome::Failed;
    }
    WriteOutcome Put(const void* data, std::uint64_t length) {
        return out_.Write(data, length) ? WriteOutcome::Written : Fail(out_.error());
    }
    WriteOutcome CopySegment(const ClipSegment& segment);
    QByteArray IndexBytes() const;
    QByteArray TelemetryBytes() const;

    const AviClip& clip_;
    PendingOutput& out_;
    const OperationControl* control_;
    QString error_;
};

WriteOutcome ClipWriter::CopySegment(const ClipSegment& segment) {
    MappedFile file;
    if (!OpenMapped(segment.path, file)) {
        return Fail(QStringLiteral("cannot open %1: %2").arg(segment.path, file.lastError));
    }
    // The file's own layout and movi size: the descriptor's index offsets were
    // computed from the size it had when it was loaded.
    const bool timeLapse = IsTimeLapse(segment.path);
    unsigned char sizeField[4];
    if (!ReadMapped(file, avi::HeaderLength(timeLapse) + 4, sizeField, 4)) {
        return Fail(QStringLiteral("cannot read the movi size of %1").arg(segment.path));
    }
    const std::uint64_t movi = ReadLe32(sizeField);
    const std::uint64_t start = avi::PayloadStart(timeLapse);
    if (movi < 4 || movi - 4 != segment.payloadLength || start != segment.payloadStart ||
        start + segment.payloadLength > file.size) {
        return Fail(QStringLiteral("%1 changed since it was loaded").arg(segment.path));
    }
    switch (out_.Copy(file, start, segment.payloadLength, kCopyWindow, control_)) {
    case PendingOutput::CopyResult::Copied:
        return WriteOutcome::Written;
    case PendingOutput::CopyResult::Cancelled:
        return WriteOutcome::Cancelled;
    case PendingOutput::CopyResult::Failed:
        break;
    }
    return Fail(out_.error());
}

QByteArray ClipWriter::IndexBytes() const {
    QByteArray bytes(static_cast<qsizetype>(8 + clip_.index.size() * avi::kIndexEntryLength), '\0');
    auto* p = reinterpret_cast<unsigned char*>(bytes.data());
    std::memcpy(p, "idx1", 4);
    WriteLe32(p + 4, static_cast<std::uint32_t>(clip_.index.size() * avi::kIndexEntryLength));
    p += 8;
    for (const avi::IndexEntry& entry : clip_.index) {
        WriteLe32(p, entry.tag);
        WriteLe32(p + 4, entry.flags);
        WriteLe32(p + 8, entry.offset);
        WriteLe32(p + 12, entry.size);
        p += avi::kIndexEntryLength;
    }
    return bytes;
}

QByteArray ClipWriter::TelemetryBytes() const {
    using namespace telemetry;
    QByteArray bytes;
    bytes.reserve(kHeadLength + clip_.records.size() + kTrailerLength);
    auto head = clip_.blockHead;
    WriteBe16(head.data() + kTagLength + kCountOffset, clip_.recordCount);
    bytes.append(reinterpret_cast<const char*>(head.data()), kHeadLength);
    bytes.append(clip_.records);
    // The trailer's count locates the block from the end of the file, so it
    // is the number of records the block holds.
    auto trailer = clip_.trailer;
    WriteBe32(trailer.data() + kTrailerCountOffset, clip_.recordCount);
    bytes.append(reinterpret_cast<const char*>(trailer.data()), kTrailerLength);
    return bytes;
}

WriteOutcome ClipWriter::Write() {
    if (!HeaderComplete(clip_)) {
        return Fail(QStringLiteral("the recording's header is incomplete"));
    }
    const bool telemetry = clip_.hasTelemetry && IsFrontName(out_.finalPath());
    if (telemetry && clip_.records.size() != static_cast<qsizetype>(clip_.recordCount) *
                                                 static_cast<qsizetype>(telemetry::kRecordLength)) {
        return Fail(QStringLiteral("the telemetry records do not match their count"));
    }
    std::uint64_t payload = 0;
    for (const ClipSegment& segment : clip_.segments) {
        payload += segment.payloadLength;
    }
    if (payload + 4 != clip_.moviSize()) {
        return Fail(QStringLiteral("the movi list does not match its segments"));
    }
    WriteOutcome outcome =
        Put(clip_.header.constData(), static_cast<std::uint64_t>(clip_.header.size()));
    if (outcome == WriteOutcome::Written) {
        outcome = Put(clip_.moviHead.data(), clip_.moviHead.size());
    }
    for (std::size_t i = 0; i < clip_.segments.size() && outcome == WriteOutcome::Written; ++i) {
        outcome = CopySegment(clip_.segments[i]);
    }
    if (outcome == WriteOutcome::Written) {
        const QByteArray index = IndexBytes();
        outcome = Put(index.constData(), static_cast<std::uint64_t>(index.size()));
    }
    if (outcome == WriteOutcome::Written && telemetry) {
        const QByteArray block = TelemetryBytes();
        outcome = Put(block.constData(), static_cast<std::uint64_t>(block.size()));
    }
    return outcome;
}

WriteOutcome WriteUncommitted(const AviClip& clip, PendingOutput& output,
                              const OperationControl* control, QString& error) {
    if (!output.Open()) {
        error = output.error();
        return WriteOutcome::Failed;
    }
    ClipWriter writer(clip, output, control);
    const WriteOutcome outcome = writer.Write();
    if (outcome != WriteOutcome::Written) {
        error = writer.error();
        output.Discard();
    }
    return outcome;
}

bool Commit(PendingOutput& output, QString& error) {
    if (!output.Commit()) {
        error = output.error();
        return false;
    }
    return true;
}

// The join worker's state: the clips being extended and the descriptors
// merged into them, kept until the output that uses their files is written.
struct JoinJob {
    std::unique_ptr<AviClip> front;
    std::unique_ptr<AviClip> rear;
    std::vector<std::unique_ptr<AviClip>> appendedFront;
    std::vector<std::unique_ptr<AviClip>> appendedRear;
    bool rearEnabled = true;
};

} // namespace

bool MergeClip(AviClip& into, AviClip& next) {
    if (!HeaderComplete(into) || !HeaderComplete(next)) {
        return false;
    }
    const std::uint64_t moviInto = into.moviSize();
    const std::uint64_t moviNext = next.moviSize();
    if (moviInto < 4 || moviNext < 4) {
        return false;
    }
    const std::uint64_t shift = moviInto - 4; // next's chunks follow into's
    const std::uint64_t entries = into.index.size() + next.index.size();
    const std::uint64_t indexBytes = entries * avi::kIndexEntryLength;
    const std::uint64_t movi = moviInto + moviNext - 4;
    if (movi > kMax32 || indexBytes > kMax32) {
        return false;
    }
    for (const avi::IndexEntry& entry : next.index) {
        if (entry.offset + shift > kMax32) {
            return false;
        }
    }
    std::uint32_t riff = 0, frames = 0, videoLength = 0, audioLength = 0;
    const unsigned char* nextHeader = HeaderBytes(next);
    if (!GrownField(into, avi::kRiffSize,
                    avi::kIndexEntryLength * std::uint64_t{next.index.size()} + moviNext - 4,
                    riff) ||
        !GrownField(into, avi::kTotalFrames, ReadLe32(nextHeader + avi::kTotalFrames), frames) ||
        !GrownField(into, avi::kVideoLength, ReadLe32(nextHeader + avi::kVideoLength),
                    videoLength)) {
        return false;
    }
    // Only the layout with sound has an audio stream header; a time-lapse
    // recording's header holds other fields there.
    const bool audio = !into.timeLapse && !next.timeLapse;
    if (audio && !GrownField(into, avi::kAudioLength, ReadLe32(nextHeader + avi::kAudioLength),
                             audioLength)) {
        return false;
    }
    const bool telemetry = !into.segments.empty() && IsFrontName(into.segments.front().path);
    const std::uint64_t records = std::uint64_t{into.recordCount} + next.recordCount;
    // The block's count is 16 bits wide and 0xFFFF there means "open-ended",
    // so a joined block holds at most 65,534 records.
    if (telemetry && records >= telemetry::kOpenEndedCount) {
        return false;
    }

    // Everything that can fail is allocated before into changes.
    std::vector<avi::IndexEntry> index;
    std::vector<ClipSegment> segments;
    QByteArray joinedRecords;
    try {
        index.reserve(entries);
        index = into.index;
        for (avi::IndexEntry entry : next.index) {
            entry.offset += static_cast<std::uint32_t>(shift);
            index.push_back(entry);
        }
        segments.reserve(into.segments.size() + next.segments.size());
        segments = into.segments;
        segments.insert(segments.end(), next.segments.begin(), next.segments.end());
        if (telemetry) {
            joinedRecords.reserve(into.records.size() + next.records.size());
            joinedRecords.append(into.records);
            joinedRecords.append(next.records);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }

    into.index = std::move(index);
    into.segments = std::move(segments);
    next.segments.clear(); // next's files now belong to into
    if (telemetry) {
        into.records = std::move(joinedRecords);
        into.recordCount = static_cast<std::uint16_t>(records);
        into.trailerCount = static_cast<std::uint32_t>(records);
    }
    WriteLe32(into.moviHead.data() + 4, static_cast<std::uint32_t>(movi));
    std::memcpy(into.indexHead.data(), "idx1", 4);
    WriteLe32(into.indexHead.data() + 4, static_cast<std::uint32_t>(indexBytes));
    unsigned char* header = HeaderBytes(into);
    WriteLe32(header + avi::kRiffSize, riff);
    WriteLe32(header + avi::kTotalFrames, frames);
    WriteLe32(header + avi::kVideoLength, videoLength);
    if (audio) {
        WriteLe32(header + avi::kAudioLength, audioLength);
    }
    return true;
}

bool WriteClip(const AviClip& clip, const QString& path, QString* error) {
    PendingOutput output(path);
    QString why;
    const bool ok = WriteUncommitted(clip, output, nullptr, why) == WriteOutcome::Written &&
                    Commit(output, why);
    if (error) {
        *error = why;
    }
    return ok;
}

TargetCheck JoinTargetRefusal(const RecordingList& jobs, const JoinOutputs& outputs) {
    QStringList inputs;
    for (const RecordingEntry& entry : jobs) {
        for (const QString& path : {entry.frontPath, entry.rearPath}) {
            if (!path.isEmpty()) {
                inputs << path;
            }
        }
    }
    for (const QString& output : {outputs.front, outputs.rear}) {
        if (output.isEmpty()) {
            continue;
        }
        const TargetCheck check = CheckOutputTarget(output, inputs, OutputRole::Recording);
        if (check.refusal != TargetRefusal::None) {
            return check;
        }
    }
    TargetCheck clash;
    if (!outputs.front.isEmpty() && !outputs.rear.isEmpty() &&
        SameFileTarget(outputs.front, outputs.rear)) {
        clash.refusal = TargetRefusal::Input;
        clash.message =
            QStringLiteral("the front and rear outputs would both be %1").arg(outputs.front);
    }
    return clash;
}

JoinOutputs JoinOutputPaths(const RecordingList& jobs, const QString& folder) {
    JoinOutputs outputs;
    if (jobs.empty()) {
        return outputs;
    }
    const QDir dir(folder);
    const RecordingEntry& first = jobs.front();
    if (!first.frontPath.isEmpty()) {
        outputs.front = dir.filePath(FileNameOf(first.frontPath).toString());
    }
    if (!first.rearPath.isEmpty()) {
        outputs.rear = dir.filePath(FileNameOf(first.rearPath).toString());
    }
    return outputs;
}

OperationResult JoinRecordings(const RecordingList& jobs, const JoinOutputs& outputs,
                               const OperationControl& control, JoinReport* report) {
    JoinReport local;
    JoinReport& out = report ? *report : local;
    out = {};
    const auto n = static_cast<std::int64_t>(jobs.size());
    auto fail = [&out](const QString& why) {
        out.error = why;
        return kOperationFailed;
    };
    if (n == 0 || outputs.front.isEmpty()) {
        return fail(QStringLiteral("no front-camera recording to join"));
    }
    if (const TargetCheck check = JoinTargetRefusal(jobs, outputs);
        check.refusal != TargetRefusal::None) {
        return fail(check.message);
    }
    if (const QString why = RepeatedJoinSource(jobs); !why.isEmpty()) {
        return fail(QStringLiteral("cannot join: %1").arg(why));
    }

    JoinJob job;
    job.front = LoadClip(jobs[0].frontPath);
    if (!job.front) {
        return fail(QStringLiteral("cannot load %1").arg(jobs[0].frontPath));
    }
    job.rear = outputs.rear.isEmpty() ? nullptr : LoadClip(jobs[0].rearPath);
    job.rearEnabled = job.rear != nullptr;
    control.Progress(1, n);

    for (std::int64_t i = 1; i < n; ++i) {
        if (control.Cancelled()) {
            return kOperationCancelled;
        }
        const RecordingEntry& entry = jobs[static_cast<std::size_t>(i)];
        auto front = LoadClip(entry.frontPath);
        if (!front) {
            return fail(QStringLiteral("cannot load %1").arg(entry.frontPath));
        }
        if (const QString why = JoinMismatch(*job.front, *front); !why.isEmpty()) {
            return fail(QStringLiteral("cannot join %1 and %2: %3")
                            .arg(jobs[0].frontPath, entry.frontPath, why));
        }
        if (!MergeClip(*job.front, *front)) {
            return fail(QStringLiteral("cannot append %1: the joined recording would exceed the "
                                       "recorder's limits (at most %2 telemetry records, files "
                                       "below 4 GiB)")
                            .arg(entry.frontPath)
                            .arg(telemetry::kOpenEndedCount - 1));
        }
        job.appendedFront.push_back(std::move(front));
        if (job.rearEnabled) {
            auto rear = LoadClip(entry.rearPath);
            if (!rear) {
                job.rearEnabled = false;
            } else if (const QString why = JoinMismatch(*job.rear, *rear); !why.isEmpty()) {
                return fail(QStringLiteral("cannot join %1 and %2: %3")
                                .arg(jobs[0].rearPath, entry.rearPath, why));
            } else {
                job.rearEnabled = MergeClip(*job.rear, *rear);
                job.appendedRear.push_back(std::move(rear));
            }
        }
        control.Progress(i, 2 * n);
        std::this_thread::yield();
    }

    control.Progress(50, 100);
    if (control.Cancelled()) {
        return kOperationCancelled;
    }

    // Both outputs stay under temporary names until both are complete, so a
    // cancel during either write leaves nothing under the final names.
    control.Progress(10, 100);
    PendingOutput front(outputs.front);
    QString why;
    switch (WriteUncommitted(*job.front, front, &control, why)) {
    case WriteOutcome::Cancelled:
        return kOperationCancelled;
    case WriteOutcome::Failed:
        return fail(why);
    case WriteOutcome::Written:
        break;
    }
    job.appendedFront.clear();
    control.Progress(40, 100);

    std::unique_ptr<PendingOutput> rear;
    if (job.rearEnabled) {
        rear = std::make_unique<PendingOutput>(outputs.rear);
        switch (WriteUncommitted(*job.rear, *rear, &control, why)) {
        case WriteOutcome::Cancelled:
            return kOperationCancelled;
        case WriteOutcome::Failed:
            // The complete front output is discarded with it: a join leaves
            // both files or neither.
            return fail(why);
        case WriteOutcome::Written:
            break;
        }
        job.appendedRear.clear();
        control.Progress(100, 100);
    }

    if (!Commit(front, why)) {
        return fail(why);
    }
    if (rear && !Commit(*rear, why)) {
        // The rear could not take its name: the front just published goes too.
        QFile::remove(outputs.front);
        return fail(why);
    }
    out.rearWritten = rear != nullptr;
    control.Progress(n, n);
    out.exported.reserve(jobs.size());
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        out.exported.push_back(i);
    }
    return kOperationDone;
}

} // namespace kv
