#include "avi_inspect.h"

#include <QFile>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>

namespace kv::cardmaker::testing {

QByteArray ReadWholeFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return f.readAll();
}

std::uint32_t U32(const QByteArray& b, qsizetype o) {
    if (o < 0 || o + 4 > b.size()) {
        return 0xDEADBEEF;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData() + o);
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint16_t U16(const QByteArray& b, qsizetype o) {
    if (o < 0 || o + 2 > b.size()) {
        return 0xDEAD;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData() + o);
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t BigU32(const QByteArray& b, qsizetype o) {
    if (o < 0 || o + 4 > b.size()) {
        return 0xDEADBEEF;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData() + o);
    return (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

std::uint16_t BigU16(const QByteArray& b, qsizetype o) {
    if (o < 0 || o + 2 > b.size()) {
        return 0xDEAD;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData() + o);
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

std::string Tag(const QByteArray& b, qsizetype o, int length) {
    if (o < 0 || o + length > b.size()) {
        return "<outside>";
    }
    return std::string(b.constData() + o, static_cast<std::size_t>(length));
}

std::vector<ChunkAt> WalkChunks(const QByteArray& file, qsizetype from, qsizetype end,
                                bool* overrun) {
    std::vector<ChunkAt> chunks;
    *overrun = false;
    qsizetype p = from;
    while (p + 8 <= std::min(end, file.size())) {
        const std::string tag = Tag(file, p);
        if (tag != "00dc" && tag != "01wb") {
            break;
        }
        const std::uint32_t size = U32(file, p + 4);
        chunks.push_back({tag, p, size});
        p += 8 + static_cast<qsizetype>(size) + (size & 1);
        if (p > file.size()) {
            *overrun = true;
            break;
        }
    }
    return chunks;
}

std::vector<qsizetype> StrayTags(const QByteArray& file, const std::vector<ChunkAt>& chunks,
                                 qsizetype from) {
    std::set<qsizetype> real;
    for (const ChunkAt& c : chunks) {
        real.insert(c.offset);
    }
    std::vector<qsizetype> stray;
    for (const char* tag : {"00dc", "01wb"}) {
        for (qsizetype p = file.indexOf(tag, from); p >= 0; p = file.indexOf(tag, p + 1)) {
            if (!real.count(p)) {
                stray.push_back(p);
            }
        }
    }
    return stray;
}

std::optional<std::string> CheckSoundRecording(const QByteArray& f, bool timeLapse,
                                               SoundRecording* out) {
    const std::uint32_t h = timeLapse ? 280 : 384;
    auto problem = [](const std::string& what) { return std::optional<std::string>(what); };
    if (f.size() < h + 16) {
        return problem("shorter than a header");
    }
    if (Tag(f, 0) != "RIFF" || Tag(f, 8) != "AVI " || Tag(f, 12) != "LIST" ||
        Tag(f, 20) != "hdrl") {
        return problem("no RIFF/AVI/hdrl at the start");
    }
    if (Tag(f, h) != "LIST" || Tag(f, h + 8) != "movi") {
        return problem("no LIST movi at " + std::to_string(h));
    }
    const std::uint32_t m = U32(f, h + 4);
    if (m < 4 || h + 8 + static_cast<qsizetype>(m) + 8 > f.size()) {
        return problem("movi size " + std::to_string(m) + " does not fit the file");
    }
    if (Tag(f, h + 8 + m) != "idx1") {
        return problem("no idx1 at H+8+M");
    }
    const std::uint32_t i = U32(f, h + 12 + m);
    const qsizetype indexEnd = h + 16 + static_cast<qsizetype>(m) + i;
    if (i % 16 != 0 || i == 0 || indexEnd > f.size()) {
        return problem("index size " + std::to_string(i) + " is not whole entries in the file");
    }
    if (U32(f, 4) != indexEnd - 8) {
        return problem("RIFF size " + std::to_string(U32(f, 4)) + " is not end of index - 8 (" +
                       std::to_string(indexEnd - 8) + ")");
    }
    bool overrun = false;
    std::vector<ChunkAt> chunks = WalkChunks(f, h + 12, h + 8 + m, &overrun);
    qsizetype end = h + 12;
    if (!chunks.empty()) {
        const ChunkAt& last = chunks.back();
        end = last.offset + 8 + last.size + (last.size & 1);
    }
    if (overrun || end != h + 8 + static_cast<qsizetype>(m)) {
        return problem("the chunks do not fill the movi list exactly");
    }
    std::vector<IndexEntry> index;
    for (std::uint32_t k = 0; k < i / 16; ++k) {
        const qsizetype e = h + 16 + m + 16 * static_cast<qsizetype>(k);
        index.push_back({Tag(f, e), U32(f, e + 4), U32(f, e + 8), U32(f, e + 12)});
    }
    if (index.size() != chunks.size()) {
        return problem(std::to_string(index.size()) + " index entries for " +
                       std::to_string(chunks.size()) + " chunks");
    }
    for (std::size_t k = 0; k < chunks.size(); ++k) {
        const IndexEntry& e = index[k];
        const ChunkAt& c = chunks[k];
        if (e.tag != c.tag || h + 8 + static_cast<qsizetype>(e.offset) != c.offset ||
            e.size != c.size) {
            return problem("index entry " + std::to_string(k) + " does not point at its chunk");
        }
        if (e.tag == "01wb" && e.flags != 0x10) {
            return problem("audio index entry " + std::to_string(k) + " without flag 0x10");
        }
        if (e.tag == "00dc" && e.flags != 0x10 && e.flags != 0) {
            return problem("video index entry " + std::to_string(k) + " with odd flags");
        }
    }
    if (out) {
        out->headerLength = h;
        out->moviSize = m;
        out->indexSize = i;
        out->chunks = std::move(chunks);
        out->index = std::move(index);
        out->indexEnd = indexEnd;
        out->block = f.mid(indexEnd);
    }
    return std::nullopt;
}

std::optional<std::string> ParseTelemetryBlock(const QByteArray& b, TelemetryBlock* out) {
    auto problem = [](const std::string& what) { return std::optional<std::string>(what); };
    if (b.size() < 68) {
        return problem("block shorter than 68 bytes");
    }
    if (Tag(b, 0, 6) != "CSMDAT") {
        return problem("no CSMDAT");
    }
    const QByteArray trailer = b.right(28);
    if (Tag(trailer, 0, 6) != "CSMEND") {
        return problem("trailer does not begin with CSMEND");
    }
    out->header = b.mid(6, 32);
    out->count = BigU16(b, 38);
    out->trailerCount = BigU32(trailer, 16);
    out->records.clear();
    const qsizetype recordsEnd = b.size() - 28;
    if (out->count == 0xFFFF) {
        for (qsizetype p = 40;; p += 130) {
            if (p + 130 > recordsEnd) {
                return problem("no CSMEND record before the trailer");
            }
            const QByteArray r = b.mid(p, 130);
            if (r.startsWith("CSMEND")) {
                break;
            }
            out->records.push_back(r);
        }
    } else {
        for (int k = 0; k < out->count; ++k) {
            const qsizetype p = 40 + 130 * static_cast<qsizetype>(k);
            if (p + 130 > recordsEnd) {
                return problem("the count runs into the trailer");
            }
            const QByteArray r = b.mid(p, 130);
            if (r.startsWith("CSMEND")) {
                return problem("CSMEND record before the count is reached");
            }
            out->records.push_back(r);
        }
    }
    return std::nullopt;
}

namespace {

std::string Field(const QByteArray& r, int offset, int width) {
    return std::string(r.constData() + offset, static_cast<std::size_t>(width));
}

bool HasDigit(const std::string& s) {
    for (char c : s) {
        if (c >= '0' && c <= '9') {
            return true;
        }
    }
    return false;
}

double Coordinate(const QByteArray& r, int offset, int width, int hemisphere) {
    const std::string text = Field(r, offset, width);
    if (!HasDigit(text)) {
        return 720.0;
    }
    const double v = std::atof(text.c_str());
    const double degrees = static_cast<int>(v) / 100;
    const double value = std::fmod(v, 100.0) / 60.0 + degrees;
    return r[hemisphere] == '\0' ? -value : value;
}

int Number(const QByteArray& r, int offset, int width) {
    return std::atoi(Field(r, offset, width).c_str());
}

} // namespace

DecodedRecord DecodeRecord(const QByteArray& r) {
    DecodedRecord d;
    d.status = r[8];
    d.latitude = Coordinate(r, 9, 9, 18);
    d.longitude = Coordinate(r, 19, 10, 29);
    const std::string speed = Field(r, 30, 4);
    d.speed = HasDigit(speed) ? std::atof(speed.c_str()) : 32767.0;
    d.written = LocalTime{2000 + Number(r, 34, 2), Number(r, 36, 2), Number(r, 38, 2),
                          Number(r, 40, 2),        Number(r, 42, 2), Number(r, 44, 2)};
    d.addStar = r[47] == '*';
    d.added = d.addStar ? 0 : Number(r, 47, 3);
    d.voltage = Field(r, 51, 3) == "   " ? -1 : Number(r, 51, 3);
    for (int k = 0; k < 3; ++k) {
        d.accel[k] = Number(r, 62 + 5 * k, 5);
    }
    for (int k = 0; k < 7; ++k) {
        d.flags[k] = r[77 + k];
    }
    for (int k = 0; k < 4; ++k) {
        d.vehicleBytes[k] = static_cast<std::uint8_t>(r[84 + k]);
    }
    for (int k = 0; k < 18; ++k) {
        d.words[k] = U16(r, 88 + 2 * k);
    }
    d.mark = r[128];
    d.nibbles = static_cast<std::uint8_t>(r[129]);
    return d;
}

std::vector<std::optional<FrameStamp>> DecodeFrameStamps(const QString& path, std::string* error) {
    std::vector<std::optional<FrameStamp>> stamps;
    AVFormatContext* format = nullptr;
    const QByteArray native = QFile::encodeName(path);
    if (avformat_open_input(&format, native.constData(), nullptr, nullptr) < 0) {
        *error = "cannot open " + native.toStdString();
        return stamps;
    }
    AVCodecContext* codec = nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    int stream = -1;
    auto drain = [&] {
        while (avcodec_receive_frame(codec, frame) >= 0) {
            stamps.push_back(
                ReadFrameStamp(frame->data[0], frame->linesize[0], frame->width, frame->height));
            av_frame_unref(frame);
        }
    };
    if (avformat_find_stream_info(format, nullptr) < 0 ||
        (stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0)) < 0) {
        *error = "no video stream";
    } else {
        const AVCodecParameters* par = format->streams[stream]->codecpar;
        const AVCodec* decoder = avcodec_find_decoder(par->codec_id);
        codec = avcodec_alloc_context3(decoder);
        codec->thread_count = 1;
        if (!decoder || avcodec_parameters_to_context(codec, par) < 0 ||
            avcodec_open2(codec, decoder, nullptr) < 0) {
            *error = "cannot open the video decoder";
        } else {
            while (av_read_frame(format, packet) >= 0) {
                if (packet->stream_index == stream && avcodec_send_packet(codec, packet) >= 0) {
                    drain();
                }
                av_packet_unref(packet);
            }
            avcodec_send_packet(codec, nullptr);
            drain();
        }
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
    return stamps;
}

} // namespace kv::cardmaker::testing
