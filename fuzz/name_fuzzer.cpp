// Arbitrary text as a recording path: every name test, the pairing and the
// group labeller must answer without crashing or reading outside the text.

#include "catalogue.h"
#include "recording_name.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Both as UTF-8 and as raw UTF-16 code units, so unpaired surrogates occur too.
    const QString utf8 =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString utf16 =
        QString(reinterpret_cast<const QChar*>(data), static_cast<qsizetype>(size / 2));
    kv::GroupLabeler labeler(3);
    for (const QString& path : {utf8, utf16}) {
        volatile int sink = kv::IsRecordingName(path) + kv::IsFrontName(path) +
                            kv::IsRearName(path) + kv::HasAviExtension(path) +
                            kv::IsTimeLapse(path) + kv::IsParkingGroup(path) +
                            kv::IsImpactRecording(path) + kv::HasModeLetter(path) +
                            kv::FileNumber(path) + kv::KindMask(path);
        (void)sink;
        (void)kv::TriggerLabel(path);
        (void)kv::StartTimeFromName(path);
        (void)kv::FrontCounterpart(path);
        (void)kv::RearCounterpart(path);
        (void)labeler.Next(kv::FileNameOf(path).toString());
    }
    return 0;
}
