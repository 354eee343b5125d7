#include "avi_bytes.h"

#include <QFile>

namespace kv::test {

namespace {

void PutLe32(QByteArray& b, int at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
}

void AppendLe32(QByteArray& b, std::uint32_t v) {
    const int at = static_cast<int>(b.size());
    b.append(4, '\0');
    PutLe32(b, at, v);
}

void AppendBe(QByteArray& b, std::uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
}

} // namespace

QByteArray VideoPayload(int length, unsigned char nalHeader) {
    QByteArray p(length, '\x5A');
    const char head[] = {0, 0, 0, 1, static_cast<char>(nalHeader)};
    for (int i = 0; i < 5 && i < length; ++i) {
        p[i] = head[i];
    }
    return p;
}

QByteArray MakeAvi(const AviSpec& spec) {
    const int h = spec.timeLapse ? 280 : 384;
    QByteArray out(h, '\0');
    out.replace(0, 4, "RIFF");
    out.replace(8, 4, "AVI ");
    out.replace(12, 4, "LIST");
    out.replace(20, 4, "hdrl");
    std::uint32_t videoChunks = 0, audioChunks = 0;
    for (const auto& c : spec.chunks) {
        (c.tag == "00dc" ? videoChunks : audioChunks)++;
    }
    PutLe32(out, 48, spec.totalFrames ? spec.totalFrames : videoChunks);
    PutLe32(out, 128, spec.scale);
    PutLe32(out, 132, spec.rate);
    PutLe32(out, 140, videoChunks);
    PutLe32(out, 168, 40);
    PutLe32(out, 176, static_cast<std::uint32_t>(spec.width));
    PutLe32(out, 180, static_cast<std::uint32_t>(spec.height));
    if (!spec.timeLapse) {
        PutLe32(out, 256, 8000);
        PutLe32(out, 264, audioChunks);
        PutLe32(out, 304, 4055);
    }

    QByteArray movi = "movi";
    QByteArray index;
    for (const auto& c : spec.chunks) {
        index.append(c.tag);
        AppendLe32(index, c.flags);
        AppendLe32(index, static_cast<std::uint32_t>(movi.size()));
        AppendLe32(index, static_cast<std::uint32_t>(c.payload.size()));
        movi.append(c.tag);
        AppendLe32(movi, static_cast<std::uint32_t>(c.payload.size()));
        movi.append(c.payload);
        if (c.payload.size() % 2) {
            movi.append('\0');
        }
    }
    out.append("LIST");
    AppendLe32(out, static_cast<std::uint32_t>(spec.moviSize >= 0 ? spec.moviSize : movi.size()));
    out.append(movi);
    if (spec.writeIndex) {
        out.append("idx1");
        AppendLe32(out,
                   static_cast<std::uint32_t>(spec.indexSize >= 0 ? spec.indexSize : index.size()));
        out.append(index);
    }
    PutLe32(out, 4,
            static_cast<std::uint32_t>(spec.riffSize >= 0 ? spec.riffSize : out.size() - 8));
    out.append(spec.telemetry);
    return out;
}

QByteArray MakeRecord(const std::map<int, QByteArray>& fields) {
    QByteArray r(130, ' ');
    r.replace(0, 8, "REC00000");
    for (const auto& [at, bytes] : fields) {
        r.replace(at, static_cast<int>(bytes.size()), bytes);
    }
    return r;
}

QByteArray TypicalRecord(const QByteArray& stamp12) {
    return MakeRecord({{8, "A"},
                       {9, "3539.1234"},
                       {18, "N"},
                       {19, "13945.6789"},
                       {29, "E"},
                       {30, "  40"},
                       {34, stamp12},
                       {47, "000"},
                       {51, "124"},
                       {62, "+0010-0020+0980"},
                       {77, "NNNNNNN"}});
}

QByteArray BlockSpec::DefaultHeader() {
    QByteArray h(32, '\0');
    h.replace(0, 16, "0300040005000600");
    h[16] = 'M';
    h.replace(17, 6, "abcdef");
    h[23] = 'H';
    h[25] = '3';
    h[26] = 1;
    h[27] = 1;
    return h;
}

QByteArray MakeBlock(const BlockSpec& spec) {
    QByteArray b = "CSMDAT";
    b.append(spec.header.left(32).leftJustified(32, '\0'));
    AppendBe(b, spec.count, 2);
    for (const auto& r : spec.records) {
        b.append(r);
    }
    int slots = static_cast<int>(spec.records.size());
    if (spec.endRecord) {
        QByteArray end(130, '\0');
        end.replace(0, 6, "CSMEND");
        b.append(end);
        ++slots;
    }
    b.append(QByteArray(130 * spec.fillerSlots, '\0'));
    slots += spec.fillerSlots;
    QByteArray trailer(28, '\0');
    trailer.replace(0, 6, "CSMEND");
    b.append(trailer);
    const std::uint32_t count = static_cast<std::uint32_t>(
        spec.trailerCount >= 0 ? spec.trailerCount : static_cast<std::int64_t>(slots));
    const int at = static_cast<int>(b.size()) - 28 + 16;
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<char>((count >> (8 * (3 - i))) & 0xFF);
    }
    return b;
}

QByteArray FullLengthBlock(const std::vector<QByteArray>& records, const QByteArray& header) {
    BlockSpec spec;
    spec.header = header;
    spec.count = 0xFFFF;
    spec.records = records;
    spec.endRecord = true;
    spec.fillerSlots = 4600 - static_cast<int>(records.size()) - 1;
    return MakeBlock(spec);
}

QByteArray ExactBlock(const std::vector<QByteArray>& records, const QByteArray& header) {
    BlockSpec spec;
    spec.header = header;
    spec.count = static_cast<std::uint16_t>(records.size());
    spec.records = records;
    return MakeBlock(spec);
}

std::vector<Chunk> SimpleChunks(int frames, bool audio) {
    std::vector<Chunk> chunks;
    for (int f = 0; f < frames; ++f) {
        const bool key = f % 10 == 0;
        chunks.push_back({"00dc", VideoPayload(40 + f % 7, key ? 0x65 : 0x41), key ? 0x10u : 0u});
        if (audio && f % 3 == 2) {
            chunks.push_back({"01wb", QByteArray(33, '\x11'), 0x10});
        }
    }
    return chunks;
}

QString WriteFile(const QString& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir + QLatin1Char('/') + name;
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) {
        f.write(bytes);
    }
    return path;
}

} // namespace kv::test
