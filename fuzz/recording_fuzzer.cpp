// Arbitrary bytes as a recording file: verification, the clip loader and the
// telemetry decoder with its frame index must classify or decode them without
// reading outside the file, crashing or allocating without bound.

#include "avi_clip.h"
#include "avi_verify.h"
#include "telemetry_reader.h"

#include <QDir>
#include <QFile>

#include <cstddef>
#include <cstdint>

namespace {

// The first byte picks the file name, so both header layouts and the parking
// rules are reached.
const char* const kNames[] = {
    "A___-261205-093000-000101F.AVI", "T___-261205-093000-000101F.AVI",
    "P_T_-261205-093000-000101F.AVI", "PG__-261205-093000-000101F.AVI",
    "A___-261205-093000-000101R.AVI",
};

QString FuzzDir() {
    static const QString dir = [] {
        QString d = QDir::tempPath() + QStringLiteral("/kolvista-fuzz-%1").arg(getpid());
        QDir().mkpath(d);
        return d;
    }();
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const QString path = FuzzDir() + QLatin1Char('/') +
                         QLatin1String(kNames[data[0] % (sizeof kNames / sizeof kNames[0])]);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            return 0;
        }
        file.write(reinterpret_cast<const char*>(data + 1), static_cast<qint64>(size - 1));
    }

    std::int64_t expected = 0;
    kv::VerifyRecording(path, &expected);
    kv::ReadTiming(path);
    auto clip = kv::LoadClip(path);
    kv::FreeClip(clip);

    kv::TelemetryReader reader;
    reader.Init();
    if (reader.Open(path)) {
        reader.frameDurationMs = 33.333332f;
        reader.BuildFrameIndex(static_cast<std::int64_t>(reader.sensors.size()) * 3 + 1);
        for (std::int64_t f = 0; f < static_cast<std::int64_t>(reader.frameIndex.size()); ++f) {
            if (const kv::SensorSample* s = kv::SampleAtFrame(reader, f); s && s->gps) {
                volatile double lat = s->gps->latitude;
                (void)lat;
            }
        }
    }
    reader.Destroy();

    kv::TelemetryHeader header;
    kv::ReadHeaderOnly(path, header);
    std::vector<kv::GpsSample> track;
    kv::LoadTrackPoints({path}, track);
    return 0;
}
