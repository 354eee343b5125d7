#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The recorder's own description of itself on the card ("DRFormatConfig.dfc"
// in the card's root): model code, firmware version and GPS-data number.
namespace kv::browser {

inline constexpr char kRecorderConfigName[] = "DRFormatConfig.dfc";
inline constexpr int kRecorderConfigMinSize = 68;

struct RecorderConfig {
    QString version; // firmware "M.m.p" from six digits MMmmpp
    QString number;  // GPS-data number, six digits; empty when the recorder has none
    QString spare;   // always empty
    QString name;    // model code
    bool operator==(const RecorderConfig&) const = default;
};

// The fields of the file's bytes; nothing when fewer than 68 bytes.
std::optional<RecorderConfig> ParseRecorderConfig(const QByteArray& bytes);

// Reads the file in the root of a card; nothing when it is missing or short.
std::optional<RecorderConfig> ReadRecorderConfigFile(const QString& root);

} // namespace kv::browser
