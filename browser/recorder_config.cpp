#include "recorder_config.h"

#include "ansi_text.h"

#include <QDir>
#include <QFile>

namespace kv::browser {

namespace {

// A decimal pair of the version field; anything that is not a number is 0,
// as the recorder's own tools read it (leading digits count).
int PairValue(const QByteArray& pair) {
    int value = 0;
    qsizetype i = 0;
    while (i < pair.size() && (pair[i] == ' ' || pair[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < pair.size() && (pair[i] == '-' || pair[i] == '+')) {
        negative = pair[i] == '-';
        ++i;
    }
    for (; i < pair.size() && pair[i] >= '0' && pair[i] <= '9'; ++i) {
        value = value * 10 + (pair[i] - '0');
    }
    return negative ? -value : value;
}

} // namespace

std::optional<RecorderConfig> ParseRecorderConfig(const QByteArray& bytes) {
    if (bytes.size() < kRecorderConfigMinSize) {
        return std::nullopt;
    }
    RecorderConfig config;
    QByteArray model = bytes.mid(48, 8);
    const qsizetype nul = model.indexOf('\0');
    if (nul >= 0) {
        model.truncate(nul);
    }
    config.name = FromShiftJis(model);
    const QByteArray version = bytes.mid(56, 6);
    config.version = QStringLiteral("%1.%2.%3")
                         .arg(PairValue(version.mid(0, 2)))
                         .arg(PairValue(version.mid(2, 2)))
                         .arg(PairValue(version.mid(4, 2)));
    const QByteArray number = bytes.mid(62, 6);
    if (number[5] != ' ') {
        config.number = QStringLiteral("%1").arg(PairValue(number), 6, 10, QLatin1Char('0'));
    }
    return config;
}

std::optional<RecorderConfig> ReadRecorderConfigFile(const QString& root) {
    QFile file(QDir(root).filePath(QString::fromLatin1(kRecorderConfigName)));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return ParseRecorderConfig(file.read(4096));
}

} // namespace kv::browser
