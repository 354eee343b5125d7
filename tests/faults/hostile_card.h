#pragma once

// A card whose Normal/Front folder holds, besides two sound recordings, files
// built to mislead: every size and count of the header and of the telemetry
// block beyond the file, empty files, names that only look like recordings,
// folders named like recordings and symbolic-link loops.

#include "avi_bytes.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace kv::faults {

// "A___-261205-120000-000042F.AVI"
inline QString HostileName(int number, char camera = 'F', const char* head = "A___") {
    return QStringLiteral("%1-261205-120000-%2%3.AVI")
        .arg(QLatin1String(head))
        .arg(number, 6, 10, QChar(u'0'))
        .arg(QChar(camera));
}

inline QByteArray SoundAvi(int frames = 6, QByteArray telemetry = {}) {
    test::AviSpec s;
    s.chunks = test::SimpleChunks(frames, true);
    s.telemetry = std::move(telemetry);
    return test::MakeAvi(s);
}

struct HostileCard {
    QStringList sound;    // names of the sound front recordings (each has a rear file)
    QStringList hostile;  // names of the misleading recording files
    QStringList notFiles; // names that must never be listed: folders, links, other names
};

// Writes the card into root and says what it holds.
inline HostileCard WriteHostileCard(const QString& root) {
    HostileCard card;
    const QString front = root + QStringLiteral("/Normal/Front");
    const QString rear = root + QStringLiteral("/Normal/Rear");
    QDir().mkpath(front);
    QDir().mkpath(rear);
    const QByteArray record = test::TypicalRecord();

    for (int n : {1, 2}) {
        const char* head = n == 1 ? "A__S" : "A___";
        test::WriteFile(front, HostileName(n, 'F', head),
                        SoundAvi(6, test::ExactBlock({test::TypicalRecord(),
                                                      test::TypicalRecord("261205120001")})));
        test::WriteFile(rear, HostileName(n, 'R', head), SoundAvi());
        card.sound << HostileName(n, 'F', head);
    }

    // Every header size or count far beyond the file, one per file.
    const std::uint32_t huge = 0xFFFFFFF0u;
    const std::vector<std::function<void(test::AviSpec&)>> headers = {
        [&](test::AviSpec& s) { s.riffSize = huge; },
        [&](test::AviSpec& s) { s.moviSize = huge; },
        [&](test::AviSpec& s) { s.indexSize = huge; },
        [&](test::AviSpec& s) { s.totalFrames = huge; },
        [&](test::AviSpec& s) {
            s.width = -1;
            s.height = 0x7FFFFFFF;
        },
        [&](test::AviSpec& s) { s.scale = 0; },
        [&](test::AviSpec& s) { s.rate = 0; },
        [&](test::AviSpec& s) { s.writeIndex = false; },
        [&](test::AviSpec& s) { s.moviSize = 3; },
        [&](test::AviSpec& s) { s.indexSize = 17; },
    };
    int number = 10;
    for (const auto& mutate : headers) {
        test::AviSpec s;
        s.chunks = test::SimpleChunks(6, true);
        mutate(s);
        test::WriteFile(front, HostileName(number), test::MakeAvi(s));
        card.hostile << HostileName(number++);
    }
    // Telemetry blocks whose counts promise more records than the file holds.
    test::BlockSpec tooMany;
    tooMany.count = 0xFFFF;
    tooMany.records = {record};
    tooMany.trailerCount = 0x7FFFFFFF;
    test::BlockSpec noTrailer = tooMany;
    noTrailer.trailerCount = 0;
    test::BlockSpec cut;
    cut.count = 2;
    cut.records = {record};
    for (const test::BlockSpec& block : {tooMany, noTrailer, cut}) {
        test::WriteFile(front, HostileName(number), SoundAvi(6, test::MakeBlock(block)));
        card.hostile << HostileName(number++);
    }
    // A file cut inside its header, one with only the first tag, empty files.
    test::WriteFile(front, HostileName(number), SoundAvi().left(100));
    card.hostile << HostileName(number++);
    test::WriteFile(front, HostileName(number), QByteArray("RIFF"));
    card.hostile << HostileName(number++);
    test::WriteFile(front, HostileName(number), QByteArray());
    card.hostile << HostileName(number++);
    test::WriteFile(rear, HostileName(number, 'R'), QByteArray());
    card.hostile << HostileName(number++);
    // Names that only look like recordings.
    for (const QString& name :
         QStringList{HostileName(1, 'F', "A__S") + QStringLiteral(".txt"),
                     QStringLiteral("A__S-261205-12000-000003F.AVI"),
                     QStringLiteral("A__S-261205-120000-000003X.AVI"), QStringLiteral(".AVI"),
                     QStringLiteral("A__S-2612051200000000003F.AVI")}) {
        test::WriteFile(front, name, SoundAvi());
        card.notFiles << name;
    }
    // Folders named like recordings, and symbolic links that go round in circles.
    QDir(front).mkpath(HostileName(number));
    QDir(front).mkpath(HostileName(number + 1) + QStringLiteral("/Front"));
    card.notFiles << HostileName(number) << HostileName(number + 1);
    number += 2;
    QFile::link(front, front + QStringLiteral("/loop"));
    QFile::link(front + u'/' + HostileName(number + 1), front + u'/' + HostileName(number));
    QFile::link(front + u'/' + HostileName(number), front + u'/' + HostileName(number + 1));
    QFile::link(root, root + QStringLiteral("/Normal/root"));
    card.notFiles << QStringLiteral("loop") << HostileName(number) << HostileName(number + 1);
    return card;
}

} // namespace kv::faults
