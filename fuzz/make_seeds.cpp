// Writes the small seed corpus of every fuzz target: make_seeds DIR writes
// DIR/<target>/<seed>. Recording seeds are well-formed and damaged recordings
// built byte by byte; their first byte picks the file name the fuzzer gives
// them (see recording_fuzzer.cpp and repair_fuzzer.cpp).

#include "avi_bytes.h"

#include <QDir>
#include <QFile>

#include <cstdio>

using namespace kv::test;

namespace {

QString gRoot;

void Save(const char* target, const char* name, const QByteArray& bytes) {
    const QString dir = gRoot + QLatin1Char('/') + QLatin1String(target);
    QDir().mkpath(dir);
    QFile f(dir + QLatin1Char('/') + QLatin1String(name));
    if (f.open(QIODevice::WriteOnly)) {
        f.write(bytes);
    }
}

QByteArray Choice(char nameChoice, const QByteArray& bytes) {
    return QByteArray(1, nameChoice) + bytes;
}

// The block's bytes after its "CSMDAT" tag, behind the interval byte.
QByteArray BlockSeed(char interval, const QByteArray& block) {
    return QByteArray(1, interval) + block.mid(6);
}

QByteArray Bytes(const unsigned char* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

void RecordingSeeds() {
    std::vector<QByteArray> records;
    for (int i = 0; i < 6; ++i) {
        records.push_back(TypicalRecord());
    }
    records[2][78] = 'Y';
    records[3][77] = 'D';

    AviSpec normal;
    normal.chunks = SimpleChunks(6, true);
    normal.telemetry = ExactBlock(records);
    const QByteArray normalBytes = MakeAvi(normal);
    Save("recording_fuzzer", "normal-exact", Choice(0, normalBytes));
    Save("repair_fuzzer", "normal-exact", Choice(0, normalBytes));
    Save("telemetry_fuzzer", "exact", BlockSeed(0, normal.telemetry));

    AviSpec timeLapse;
    timeLapse.timeLapse = true;
    timeLapse.chunks = SimpleChunks(6, false);
    timeLapse.telemetry = ExactBlock(records);
    const QByteArray timeLapseBytes = MakeAvi(timeLapse);
    Save("recording_fuzzer", "timelapse-exact", Choice(1, timeLapseBytes));
    Save("repair_fuzzer", "timelapse-exact", Choice(1, timeLapseBytes));
    Save("telemetry_fuzzer", "timelapse", BlockSeed(1, timeLapse.telemetry));

    BlockSpec open;
    open.count = 0xFFFF;
    open.records = records;
    open.endRecord = true;
    open.fillerSlots = 1;
    AviSpec openEnded = normal;
    openEnded.telemetry = MakeBlock(open);
    Save("recording_fuzzer", "parking-open-ended", Choice(3, MakeAvi(openEnded)));
    Save("telemetry_fuzzer", "open-ended", BlockSeed(0, openEnded.telemetry));

    BlockSpec early;
    early.count = 9;
    early.records = records;
    early.endRecord = true;
    Save("telemetry_fuzzer", "early-end", BlockSeed(0, MakeBlock(early)));

    AviSpec powerLoss = normal;
    powerLoss.riffSize = 0;
    powerLoss.moviSize = 0;
    powerLoss.writeIndex = false;
    powerLoss.telemetry.clear();
    const QByteArray powerLossBytes = MakeAvi(powerLoss);
    Save("recording_fuzzer", "power-loss", Choice(0, powerLossBytes));
    Save("repair_fuzzer", "power-loss", Choice(0, powerLossBytes));

    AviSpec rear = normal;
    rear.telemetry.clear();
    const QByteArray rearBytes = MakeAvi(rear);
    Save("recording_fuzzer", "rear", Choice(4, rearBytes));
    Save("repair_fuzzer", "rear", Choice(2, rearBytes));
}

// The catalogue fuzzer's tree language (see catalogue_fuzzer.cpp): a settings
// byte, then operations: 0 + 8k enters folder k, 1 backs up, 3 writes a file
// named by four bytes (head, day, number, shape) with contents by one byte.
void CatalogueSeeds() {
    const unsigned char card[] = {
        0x31,                                // group size 2, card layout, folder entries
        0x00,     0x10,                      // Normal/Front
        3,        0,    5,    1,    10,   2, // A___ front, a RIFF start
        3,        0,    5,    2,    10,   2, // the next number
        3,        2,    5,    3,    11,   0, // AG__, empty
        1,        0x18,                      // Normal/Rear
        3,        0,    5,    1,    0x4A, 2, // rear of the first
        1,        1,    0x08, 0x10,          // Parking/Front
        3,        6,    7,    1,    10,   2, // PG__
        2 | 0x10, 0,    5,    4,    10,      // a link back to the root
    };
    Save("catalogue_fuzzer", "card", Bytes(card, sizeof card));
    const unsigned char folder[] = {
        0x05, 3, 1, 9, 1, 10, 2, 3, 1, 9, 2, 10, 2, 3, 5, 9, 3, 10, 6, 3, 9, 9, 4, 0x8A, 1,
    };
    Save("catalogue_fuzzer", "folder", Bytes(folder, sizeof folder));
}

void TextSeeds() {
    Save("name_fuzzer", "front", "/card/Normal/Front/A__S-261205-093000-000101F.AVI");
    Save("name_fuzzer", "parking-rear", "Parking/Rear/PG__-220820-235959-000007R.AVI");
    Save("name_fuzzer", "time-lapse", "P_T_-261205-093000-000101F.DMY");
    Save("ini_fuzzer", "settings",
         "[DISPLAY]\r\nINFOCHECK=1\r\nASPECT=on\r\nVOLUME=32768\r\nSCALEX=1.25\r\n"
         "[SOURCE]\r\nSELECT=2\r\nFOLDER=/media/card\r\n[FOLDERPATH]\r\nCSVFOLDER=/tmp\r\n");
    Save("ini_fuzzer", "odd", "; note\n[display]\nvolume = 70000\n[DECODE\nHW=1\n\n[MAP]\r\n");
    Save("json_fuzzer", "update",
         "{\"map_lat\":\"35.681236\",\"map_lng\":\"139.767125\",\"map_status\":\"play\","
         "\"val_command\":\"update\",\"val_end\":\"\"}");
    Save("json_fuzzer", "click", "{\"val_command\":\"click\",\"val_frame\":\"120\",}{\"x\":\"1\"");
    QByteArray config(68, ' ');
    config.replace(0, 8, "DRFORMAT");
    config.replace(48, 8, QByteArray("4620-KTR"));
    config.replace(56, 6, "010204");
    config.replace(62, 6, "211015");
    Save("recorder_config_fuzzer", "with-gps", config);
    config.replace(48, 8, QByteArray("RX\0\0\0\0\0\0", 8));
    config.replace(62, 6, "      ");
    Save("recorder_config_fuzzer", "without-gps", config);
    const char texts[] =
        "4620-KTR\\ 1.2.3\\ 211015\\ maker.example.jp/\\ model RX\r\nVER:1.2.4.7\r\n\\ "
        "VER:2.0.0.1\\ 221101\x01\x05";
    Save("update_fuzzer", "texts", QByteArray(texts, sizeof texts - 1));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds DIR\n");
        return 1;
    }
    gRoot = QString::fromLocal8Bit(argv[1]);
    RecordingSeeds();
    CatalogueSeeds();
    TextSeeds();
    return 0;
}
