// One recording file in the recorder's fixed AVI layout:
//
//   0    RIFF header and "hdrl" list: main header, video stream list, audio stream list
//        (normal layout only, 104 bytes), JUNK up to the header length H (384 or 280)
//   H    "LIST" M "movi", then "00dc" / "01wb" chunks interleaved in time
//   H+8+M "idx1" I, 16-byte entries
//   then, front camera: the telemetry block (not covered by the RIFF size)

#include "cardmaker.h"
#include "encoders.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <limits>

namespace kv::cardmaker {

namespace {

constexpr std::uint32_t kKeyFrame = 0x10;
constexpr std::uint32_t kHasIndex = 0x10;
constexpr int kMaxFrames = 1000000;

class Bytes {
public:
    explicit Bytes(QByteArray* out) : out_(out) {}
    void Tag(const char* tag) { out_->append(tag, 4); }
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            out_->append(static_cast<char>((v >> (8 * i)) & 0xFF));
        }
    }
    void U16(std::uint16_t v) {
        out_->append(static_cast<char>(v & 0xFF));
        out_->append(static_cast<char>(v >> 8));
    }
    void Zeros(int n) { out_->append(n, '\0'); }

private:
    QByteArray* out_;
};

void PutU32BigEndian(QByteArray& b, int offset, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[offset + i] = static_cast<char>((v >> (8 * (3 - i))) & 0xFF);
    }
}

bool Fail(QString* error, const QString& message) {
    if (error) {
        *error = message;
    }
    return false;
}

struct HeaderValues {
    bool timeLapse = false;
    bool audioStream = true; // the normal layout always has the audio stream list
    int width = 0;
    int height = 0;
    std::uint32_t rate = 0;
    std::uint32_t scale = 0;
    std::uint32_t riffSize = 0;
    std::uint32_t totalFrames = 0;
    std::uint32_t audioChunks = 0;
    std::uint32_t maxBytesPerSecond = 0;
    std::uint32_t suggestedBuffer = 0;
    std::uint32_t videoBuffer = 0;
};

QByteArray BuildHeader(const HeaderValues& v) {
    QByteArray h;
    Bytes b(&h);
    const std::uint32_t headerLength = v.timeLapse ? kTimeLapseHeaderLength : kNormalHeaderLength;
    const std::uint32_t hdrlEnd = v.timeLapse ? 212 : 316;

    b.Tag("RIFF");
    b.U32(v.riffSize);
    b.Tag("AVI ");
    b.Tag("LIST");
    b.U32(hdrlEnd - 20);
    b.Tag("hdrl");

    // Main header (offset 24).
    b.Tag("avih");
    b.U32(56);
    b.U32(static_cast<std::uint32_t>(std::llround(1e6 * v.scale / v.rate)));
    b.U32(v.maxBytesPerSecond);
    b.U32(0); // padding granularity
    b.U32(kHasIndex);
    b.U32(v.totalFrames);
    b.U32(0); // initial frames
    b.U32(v.timeLapse ? 1 : 2);
    b.U32(v.suggestedBuffer);
    b.U32(static_cast<std::uint32_t>(v.width));
    b.U32(static_cast<std::uint32_t>(v.height));
    b.Zeros(16);

    // Video stream list (offset 88).
    b.Tag("LIST");
    b.U32(116);
    b.Tag("strl");
    b.Tag("strh");
    b.U32(56);
    b.Tag("vids");
    b.Tag("H264");
    b.U32(0); // flags
    b.U16(0); // priority
    b.U16(0); // language
    b.U32(0); // initial frames
    b.U32(v.scale);
    b.U32(v.rate);
    b.U32(0); // start
    b.U32(v.totalFrames);
    b.U32(v.videoBuffer);
    b.U32(0xFFFFFFFFu); // quality: default
    b.U32(0);           // sample size: varies
    b.U16(0);
    b.U16(0);
    b.U16(static_cast<std::uint16_t>(v.width));
    b.U16(static_cast<std::uint16_t>(v.height));
    b.Tag("strf");
    b.U32(40);
    b.U32(40); // BITMAPINFOHEADER
    b.U32(static_cast<std::uint32_t>(v.width));
    b.U32(static_cast<std::uint32_t>(v.height));
    b.U16(1);
    b.U16(24);
    b.Tag("H264");
    b.U32(static_cast<std::uint32_t>(v.width * v.height * 3));
    b.Zeros(16);

    if (!v.timeLapse) {
        // Audio stream list (offset 212): IMA ADPCM, one 256-byte block per chunk.
        b.Tag("LIST");
        b.U32(96);
        b.Tag("strl");
        b.Tag("strh");
        b.U32(56);
        b.Tag("auds");
        b.U32(0); // handler
        b.U32(0); // flags
        b.U16(0);
        b.U16(0);
        b.U32(0); // initial frames
        b.U32(kAudioSamplesPerBlock);
        b.U32(kAudioSampleRate);
        b.U32(0);
        b.U32(v.audioChunks);
        b.U32(kAudioBlockAlign);
        b.U32(0xFFFFFFFFu);
        b.U32(kAudioBlockAlign);
        b.Zeros(8);
        b.Tag("strf");
        b.U32(20);
        b.U16(0x0011); // IMA ADPCM
        b.U16(1);
        b.U32(kAudioSampleRate);
        b.U32(kAudioAverageBytesPerSecond);
        b.U16(kAudioBlockAlign);
        b.U16(4);
        b.U16(2);
        b.U16(kAudioSamplesPerBlock);
    }

    b.Tag("JUNK");
    b.U32(headerLength - static_cast<std::uint32_t>(h.size()) - 4);
    b.Zeros(static_cast<int>(headerLength - static_cast<std::uint32_t>(h.size())));
    return h;
}

QByteArray BuildTelemetryBlock(const RecordingSpec& recipe,
                               const std::vector<TelemetryScriptRecord>& records) {
    const auto n = static_cast<std::uint32_t>(records.size());
    const bool full = recipe.telemetry == TelemetryForm::FullLength;
    const std::uint32_t slots = full ? kFullLengthSlots : n;
    QByteArray block;
    block.reserve(static_cast<int>(kTelemetryFramingLength + kTelemetryRecordLength * slots));
    block.append("CSMDAT", 6);
    block.append(EncodeTelemetryHeader(recipe.header));
    const std::uint16_t count = full ? 0xFFFF : static_cast<std::uint16_t>(n);
    block.append(static_cast<char>(count >> 8));
    block.append(static_cast<char>(count & 0xFF));
    for (const TelemetryScriptRecord& r : records) {
        block.append(EncodeTelemetryRecord(r));
    }
    if (full) {
        QByteArray end(static_cast<int>(kTelemetryRecordLength), '\0');
        end.replace(0, 6, "CSMEND");
        block.append(end);
        block.append(static_cast<int>((slots - n - 1) * kTelemetryRecordLength), '\0');
    }
    QByteArray trailer(28, '\0');
    trailer.replace(0, 6, "CSMEND");
    PutU32BigEndian(trailer, 16, slots);
    block.append(trailer);
    return block;
}

struct Chunk {
    const QByteArray* payload;
    bool video;
    bool key;
};

bool CheckSpec(const RecordingSpec& recipe, QString* error) {
    if (!IsValidRecordingName(recipe.fileName)) {
        return Fail(error,
                    QStringLiteral("\"%1\" is not a valid recording name").arg(recipe.fileName));
    }
    if (recipe.width < 16 || recipe.height < 16 || recipe.width > 4096 || recipe.height > 4096 ||
        recipe.width % 2 || recipe.height % 2) {
        return Fail(error, QStringLiteral("picture size %1x%2: both must be even, 16 to 4096")
                               .arg(recipe.width)
                               .arg(recipe.height));
    }
    if (recipe.rate == 0 || recipe.scale == 0 ||
        recipe.rate > static_cast<std::uint32_t>(std::numeric_limits<int>::max()) ||
        recipe.scale > static_cast<std::uint32_t>(std::numeric_limits<int>::max())) {
        return Fail(
            error,
            QStringLiteral("frame rate %1/%2 is not usable").arg(recipe.rate).arg(recipe.scale));
    }
    const double frames = recipe.seconds * recipe.rate / recipe.scale;
    if (!(frames >= 0.5 && frames <= kMaxFrames)) {
        return Fail(error, QStringLiteral("%1 s at %2/%3 fps gives no usable frame count")
                               .arg(recipe.seconds)
                               .arg(recipe.rate)
                               .arg(recipe.scale));
    }
    if (recipe.audio && IsTimeLapseName(recipe.fileName)) {
        return Fail(error,
                    QStringLiteral("%1: time-lapse recordings have no audio").arg(recipe.fileName));
    }
    const int records = TelemetryRecordCount(recipe);
    if (recipe.telemetry == TelemetryForm::FullLength &&
        records > static_cast<int>(kFullLengthSlots) - 1) {
        return Fail(error,
                    QStringLiteral("%1: %2 telemetry records do not fit the full-length block "
                                   "(at most %3)")
                        .arg(recipe.fileName)
                        .arg(records)
                        .arg(kFullLengthSlots - 1));
    }
    if (recipe.telemetry == TelemetryForm::ExactCount && records > 0xFFFE) {
        return Fail(error, QStringLiteral("%1: %2 telemetry records exceed the 16-bit count")
                               .arg(recipe.fileName)
                               .arg(records));
    }
    return true;
}

} // namespace

int FrameCount(const RecordingSpec& recipe) {
    if (recipe.rate == 0 || recipe.scale == 0) {
        return 0;
    }
    const double frames = recipe.seconds * recipe.rate / recipe.scale;
    if (!(frames >= 0.0 && frames <= kMaxFrames)) {
        return 0;
    }
    return static_cast<int>(std::llround(frames));
}

std::uint32_t HeaderLength(const RecordingSpec& recipe) {
    return IsTimeLapseName(recipe.fileName) ? kTimeLapseHeaderLength : kNormalHeaderLength;
}

bool WriteRecording(const RecordingSpec& recipe, const QString& path, QString* error,
                    RecordingReport* report) {
    if (!CheckSpec(recipe, error)) {
        return false;
    }
    const bool timeLapse = IsTimeLapseName(recipe.fileName);
    const int frames = FrameCount(recipe);

    detail::VideoSettings video;
    video.width = recipe.width;
    video.height = recipe.height;
    video.rate = recipe.rate;
    video.scale = recipe.scale;
    video.frames = frames;
    video.crf = recipe.crf;
    video.grain = recipe.grain;
    video.bitrateKbps = recipe.bitrateKbps;
    video.camera = IsFrontName(recipe.fileName) ? 'F' : 'R';
    video.fileName = recipe.fileName;
    std::vector<detail::VideoPacket> videoPackets;
    if (!detail::EncodeVideo(video, &videoPackets, error)) {
        return false;
    }

    // Audio covers the whole video: ceil(video duration / block duration) blocks.
    std::vector<QByteArray> audioBlocks;
    if (recipe.audio) {
        const std::int64_t num =
            static_cast<std::int64_t>(frames) * recipe.scale * kAudioSampleRate;
        const std::int64_t den = static_cast<std::int64_t>(recipe.rate) * kAudioSamplesPerBlock;
        if (!detail::EncodeAudio(static_cast<int>((num + den - 1) / den), &audioBlocks, error)) {
            return false;
        }
    }

    // Interleave: before video frame f go the audio blocks that start no later than it.
    std::vector<Chunk> chunks;
    chunks.reserve(videoPackets.size() + audioBlocks.size());
    std::size_t a = 0;
    for (std::size_t f = 0; f < videoPackets.size(); ++f) {
        while (a < audioBlocks.size() &&
               static_cast<std::int64_t>(a) * kAudioSamplesPerBlock * recipe.rate <=
                   static_cast<std::int64_t>(f) * recipe.scale * kAudioSampleRate) {
            chunks.push_back({&audioBlocks[a++], false, true});
        }
        chunks.push_back({&videoPackets[f].data, true, videoPackets[f].key});
    }
    while (a < audioBlocks.size()) {
        chunks.push_back({&audioBlocks[a++], false, true});
    }

    // Sizes of the complete file.
    const std::uint32_t headerLength = HeaderLength(recipe);
    std::int64_t moviSize = 4;
    std::uint32_t largestVideo = 0;
    std::uint32_t largestChunk = 0;
    for (const Chunk& c : chunks) {
        const auto size = static_cast<std::uint32_t>(c.payload->size());
        moviSize += 8 + size + (size & 1);
        largestChunk = std::max(largestChunk, size);
        if (c.video) {
            largestVideo = std::max(largestVideo, size);
        }
    }
    const std::int64_t indexSize = 16 * static_cast<std::int64_t>(chunks.size());
    const std::int64_t indexEnd = headerLength + 16 + moviSize + indexSize;
    if (indexEnd > std::numeric_limits<std::uint32_t>::max()) {
        return Fail(error,
                    QStringLiteral("%1: the recording would exceed 4 GiB").arg(recipe.fileName));
    }
    const double duration = static_cast<double>(frames) * recipe.scale / recipe.rate;

    std::vector<TelemetryScriptRecord> records;
    QByteArray block;
    if (recipe.telemetry != TelemetryForm::None && recipe.damage == Damage::None) {
        records = TelemetryScript(recipe);
        block = BuildTelemetryBlock(recipe, records);
    } else if (recipe.telemetry != TelemetryForm::None && recipe.damage == Damage::CutInsideMovi) {
        records = TelemetryScript(recipe); // written, then cut away with the rest of the file
        block = BuildTelemetryBlock(recipe, records);
    }

    HeaderValues hv;
    hv.timeLapse = timeLapse;
    hv.width = recipe.width;
    hv.height = recipe.height;
    hv.rate = recipe.rate;
    hv.scale = recipe.scale;
    hv.maxBytesPerSecond = static_cast<std::uint32_t>(std::ceil((moviSize + indexSize) / duration));
    hv.suggestedBuffer = largestChunk + 8;
    hv.videoBuffer = largestVideo;
    const bool powerLoss = recipe.damage == Damage::PowerLoss;
    // A recorder that lost power never came back to fill in the sizes and counts.
    hv.riffSize = powerLoss ? 0 : static_cast<std::uint32_t>(indexEnd - 8);
    hv.totalFrames = powerLoss ? 0 : static_cast<std::uint32_t>(videoPackets.size());
    hv.audioChunks = powerLoss ? 0 : static_cast<std::uint32_t>(audioBlocks.size());

    QByteArray head = BuildHeader(hv);
    head.append("LIST", 4);
    Bytes(&head).U32(powerLoss ? 0 : static_cast<std::uint32_t>(moviSize));
    head.append("movi", 4);

    // Where a cut file ends: in the middle of the payload of the chunk half-way through.
    std::int64_t cutAt = -1;
    if (recipe.damage == Damage::CutInsideMovi) {
        std::int64_t offset = headerLength + 12;
        for (std::size_t i = 0; i < chunks.size(); ++i) {
            const std::int64_t size = chunks[i].payload->size();
            if (i >= chunks.size() / 2 && size >= 2) {
                cutAt = offset + 8 + size / 2;
                break;
            }
            offset += 8 + size + (size & 1);
        }
        if (cutAt < 0 || moviSize < cutAt) {
            return Fail(error, QStringLiteral("%1: too short to be cut inside its chunk stream "
                                              "with the movi size pointing past the end")
                                   .arg(recipe.fileName));
        }
    }

    const QString partPath = path + QStringLiteral(".part");
    QFile file(partPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return Fail(error,
                    QStringLiteral("cannot create %1: %2").arg(partPath, file.errorString()));
    }
    bool ok = file.write(head) == head.size();
    QByteArray chunkHead;
    QByteArray index;
    if (!powerLoss) {
        index.reserve(static_cast<int>(indexSize + 8));
        index.append("idx1", 4);
        Bytes(&index).U32(static_cast<std::uint32_t>(indexSize));
    }
    std::uint32_t relative = 4; // from the "movi" tag to the chunk's tag
    for (const Chunk& c : chunks) {
        if (!ok) {
            break;
        }
        const auto size = static_cast<std::uint32_t>(c.payload->size());
        chunkHead.clear();
        chunkHead.append(c.video ? "00dc" : "01wb", 4);
        Bytes(&chunkHead).U32(size);
        ok = file.write(chunkHead) == chunkHead.size() &&
             file.write(*c.payload) == c.payload->size() &&
             (size % 2 == 0 || file.write("\0", 1) == 1);
        if (!powerLoss) {
            Bytes entry(&index);
            entry.Tag(c.video ? "00dc" : "01wb");
            entry.U32(c.key ? kKeyFrame : 0);
            entry.U32(relative);
            entry.U32(size);
        }
        relative += 8 + size + (size & 1);
    }
    const std::int64_t chunkStreamEnd = file.pos();
    if (ok && !powerLoss) {
        ok = file.write(index) == index.size() && file.write(block) == block.size();
    }
    if (ok && cutAt >= 0) {
        ok = file.resize(cutAt);
    }
    if (ok) {
        ok = file.flush();
    }
    const QString writeError = file.errorString();
    const std::int64_t fileSize = file.size();
    file.close();
    if (!ok) {
        QFile::remove(partPath);
        return Fail(error, QStringLiteral("cannot write %1: %2").arg(partPath, writeError));
    }
    if (QFile::exists(path) && !QFile::remove(path)) {
        QFile::remove(partPath);
        return Fail(error, QStringLiteral("cannot replace %1").arg(path));
    }
    if (!QFile::rename(partPath, path)) {
        QFile::remove(partPath);
        return Fail(error, QStringLiteral("cannot rename %1 to %2").arg(partPath, path));
    }

    if (report) {
        *report = RecordingReport{};
        report->fileSize = fileSize;
        report->headerLength = headerLength;
        report->moviSize = static_cast<std::uint32_t>(moviSize);
        report->indexSize = powerLoss ? 0 : static_cast<std::uint32_t>(indexSize);
        report->videoChunks = static_cast<int>(videoPackets.size());
        report->audioChunks = static_cast<int>(audioBlocks.size());
        report->keyFrames =
            static_cast<int>(std::count_if(videoPackets.begin(), videoPackets.end(),
                                           [](const detail::VideoPacket& p) { return p.key; }));
        report->telemetryRecords =
            recipe.damage == Damage::None ? static_cast<int>(records.size()) : 0;
        report->telemetryBlockLength = recipe.damage == Damage::None ? block.size() : 0;
        report->chunkStreamEnd = chunkStreamEnd;
        report->cutAt = cutAt;
    }
    return true;
}

} // namespace kv::cardmaker
