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

QByteArray MakeAvi(const AviSpec& recipe) {
    const int h = recipe.timeLapse ? 280 : 384;
    QByteArray out(h, '\0');
    out.replace(0, 4, "RIFF");
    out.replace(8, 4, "AVI ");
    out.replace(12, 4, "LIST");
    out.replace(20, 4, "hdrl");
    std::uint32_t videoChunks = 0, audioChunks = 0;
    for (const auto& c : recipe.chunks) {
        (c.tag == "00dc" ? videoChunks : audioChunks)++;
    }
    PutLe32(out, 48, recipe.totalFrames ? recipe.totalFrames : videoChunks);
    PutLe32(out, 128, recipe.scale);
    PutLe32(out, 132, recipe.rate);
    PutLe32(out, 140, videoChunks);
    PutLe32(out, 168, 40);
    PutLe32(out, 176, static_cast<std::uint32_t>(recipe.width));
    PutLe32(out, 180, static_cast<std::uint32_t>(recipe.height));
    if (!recipe.timeLapse) {
        PutLe32(out, 256, 8000);
        PutLe32(out, 264, audioChunks);
        PutLe32(out, 304, 4055);
    }

    QByteArray movi = "movi";
    QByteArray index;
    for (const auto& c : recipe.chunks) {
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
    AppendLe32(out,
               static_cast<std::uint32_t>(recipe.moviSize >= 0 ? recipe.moviSize : movi.size()));
    out.append(movi);
    if (recipe.writeIndex) {
        out.append("idx1");
        AppendLe32(out, static_cast<std::uint32_t>(recipe.indexSize >= 0 ? recipe.indexSize
                                                                         : index.size()));
        out.append(index);
    }
    PutLe32(out, 4,
            static_cast<std::uint32_t>(recipe.riffSize >= 0 ? recipe.riffSize : out.size() - 8));
    out.append(recipe.telemetry);
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

QByteArray MakeBlock(const BlockSpec& recipe) {
    QByteArray b = "CSMDAT";
    b.append(recipe.header.left(32).leftJustified(32, '\0'));
    AppendBe(b, recipe.count, 2);
    for (const auto& r : recipe.records) {
        b.append(r);
    }
    int slots = static_cast<int>(recipe.records.size());
    if (recipe.endRecord) {
        QByteArray end(130, '\0');
        end.replace(0, 6, "CSMEND");
        b.append(end);
        ++slots;
    }
    b.append(QByteArray(130 * recipe.fillerSlots, '\0'));
    slots += recipe.fillerSlots;
    QByteArray trailer(28, '\0');
    trailer.replace(0, 6, "CSMEND");
    b.append(trailer);
    const std::uint32_t count = static_cast<std::uint32_t>(
        recipe.trailerCount >= 0 ? recipe.trailerCount : static_cast<std::int64_t>(slots));
    const int at = static_cast<int>(b.size()) - 28 + 16;
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<char>((count >> (8 * (3 - i))) & 0xFF);
    }
    return b;
}

QByteArray FullLengthBlock(const std::vector<QByteArray>& records, const QByteArray& header) {
    BlockSpec recipe;
    recipe.header = header;
    recipe.count = 0xFFFF;
    recipe.records = records;
    recipe.endRecord = true;
    recipe.fillerSlots = 4600 - static_cast<int>(records.size()) - 1;
    return MakeBlock(recipe);
}

QByteArray ExactBlock(const std::vector<QByteArray>& records, const QByteArray& header) {
    BlockSpec recipe;
    recipe.header = header;
    recipe.count = static_cast<std::uint16_t>(records.size());
    recipe.records = records;
    return MakeBlock(recipe);
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
