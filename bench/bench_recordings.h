#pragma once

// One-minute recordings for the benches, made once into
// $TMPDIR/kolvista-engine-bench-2 and kept for later runs. With kbps > 0 the
// pictures carry sensor-like noise at that constant bitrate, so that decoding
// costs what it costs on real footage; otherwise they are the card maker's
// plain pictures at crf 23.

#include "cardmaker.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace kv::bench {

inline QString BenchRecording(const QString& name, int width, int height, int kbps) {
    const QString dir = QDir::tempPath() + "/kolvista-engine-bench-2";
    QDir().mkpath(dir);
    const QString path = dir + "/" + name;
    if (QFileInfo::exists(path)) {
        return path;
    }
    cardmaker::RecordingSpec recipe;
    recipe.fileName = name;
    recipe.width = width;
    recipe.height = height;
    recipe.seconds = 60.0;
    if (kbps > 0) {
        recipe.bitrateKbps = kbps;
        recipe.grain = 10;
    }
    recipe.telemetry = cardmaker::TelemetryForm::FullLength;
    QString error;
    std::fprintf(stderr, "making %s ...\n", qPrintable(path));
    if (!cardmaker::WriteRecording(recipe, path, &error)) {
        std::fprintf(stderr, "cannot make %s: %s\n", qPrintable(path), qPrintable(error));
        std::exit(1);
    }
    return path;
}

} // namespace kv::bench
