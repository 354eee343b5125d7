// Writes a small seed corpus of well-formed and damaged recordings for the
// recording fuzzer: make_seeds DIR. The first byte of each seed picks the
// file name the fuzzer gives it (see recording_fuzzer.cpp).

#include "avi_bytes.h"

#include <QDir>
#include <QFile>

#include <cstdio>

using namespace kv::test;

namespace {

void Save(const QString& dir, const char* name, char nameChoice, const QByteArray& bytes) {
    QFile f(dir + QLatin1Char('/') + QLatin1String(name));
    if (f.open(QIODevice::WriteOnly)) {
        f.write(QByteArray(1, nameChoice) + bytes);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds DIR\n");
        return 1;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);
    std::vector<QByteArray> records;
    for (int i = 0; i < 6; ++i) {
        records.push_back(TypicalRecord());
    }
    records[2][78] = 'Y';
    records[3][77] = 'D';

    AviSpec normal;
    normal.chunks = SimpleChunks(6, true);
    normal.telemetry = ExactBlock(records);
    Save(dir, "normal-exact", 0, MakeAvi(normal));

    AviSpec timeLapse;
    timeLapse.timeLapse = true;
    timeLapse.chunks = SimpleChunks(6, false);
    timeLapse.telemetry = ExactBlock(records);
    Save(dir, "timelapse-exact", 1, MakeAvi(timeLapse));

    BlockSpec open;
    open.count = 0xFFFF;
    open.records = records;
    open.endRecord = true;
    open.fillerSlots = 1;
    AviSpec openEnded = normal;
    openEnded.telemetry = MakeBlock(open);
    Save(dir, "parking-open-ended", 3, MakeAvi(openEnded));

    AviSpec powerLoss = normal;
    powerLoss.riffSize = 0;
    powerLoss.moviSize = 0;
    powerLoss.writeIndex = false;
    powerLoss.telemetry.clear();
    Save(dir, "power-loss", 0, MakeAvi(powerLoss));

    AviSpec rear = normal;
    rear.telemetry.clear();
    Save(dir, "rear", 4, MakeAvi(rear));
    return 0;
}
