// Arbitrary bytes as the settings file. Reading, the start-up reads and an
// update must cope with any file without crashing or hanging, and the update
// rules must hold: the untouched file comes back byte for byte, the written
// key reads back, every other key reads as before, and the updated text reads
// the same when parsed again.

#include "display_settings.h"
#include "ini_document.h"
#include "settings_keys.h"
#include "settings_store.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace {

using namespace kv::settings;
using namespace Qt::StringLiterals;

struct Name {
    QStringView section;
    QStringView key;
};

const Name kNames[] = {
    {kDisplay, kInfoCheck},
    {kDisplay, kAspect},
    {kDisplay, kVolume},
    {kDisplay, kScaleX},
    {kDisplay, kScaleY},
    {kMapDisplay, kScaleX},
    {kMapDisplay, kScaleY},
    {kMovieDisplay, kScaleX},
    {kMovieDisplay, kScaleY},
    {kDecode, kHw},
    {kSource, kSelect},
    {kSource, kSd},
    {kSource, kFolder},
    {kSource, kFile},
    {kFolderPath, kRepairFolder},
    {kFolderPath, kCsvFolder},
    {kFolderPath, kConnectFolder},
    {kFolderPath, kSnapshotFolder},
};
constexpr std::size_t kNameCount = sizeof kNames / sizeof kNames[0];

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool SameName(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// A key name made of the input's bytes, so that names other than the known
// ones (and case variants of them) are written too.
QString KeyFromInput(const std::uint8_t* data, std::size_t size) {
    static const char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_";
    QString key;
    for (std::size_t i = 1; i < size && i < 9; ++i) {
        key += QLatin1Char(kLetters[data[i] % (sizeof kLetters - 1)]);
    }
    return key.isEmpty() ? u"K"_s : key;
}

void CheckUpdate(const kv::IniDocument& document, QStringView section, QStringView key) {
    std::optional<QString> before[kNameCount];
    for (std::size_t i = 0; i < kNameCount; ++i) {
        before[i] = document.value(kNames[i].section, kNames[i].key);
    }
    const QString value = u"/media/ドラレコ = [x] ;1"_s;
    kv::IniDocument updated = document;
    Require(updated.setValue(section, key, value));
    Require(updated.value(section, key) == value);
    const kv::IniDocument reparsed(updated.bytes());
    for (std::size_t i = 0; i < kNameCount; ++i) {
        const Name& n = kNames[i];
        const auto now = updated.value(n.section, n.key);
        Require(reparsed.value(n.section, n.key) == now);
        if (!(SameName(n.section, section) && SameName(n.key, key))) {
            Require(now == before[i]);
        }
    }
}

QString FuzzFile() {
    static QTemporaryDir dir;
    return dir.filePath(u"Default_Folder.ini"_s);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const kv::IniDocument document(bytes);
    Require(document.bytes() == bytes);

    const Name& known = kNames[size > 0 ? data[0] % kNameCount : 0];
    CheckUpdate(document, known.section, known.key);
    CheckUpdate(document, known.section, KeyFromInput(data, size));

    // Through the file, as the viewer reads it at start-up.
    {
        QFile file(FuzzFile());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size()) {
            return 0;
        }
    }
    const kv::SettingsStore store{FuzzFile(), QString()};
    for (const Name& n : kNames) {
        Require(kv::ReadSetting(store, n.section, n.key).size() <= kv::kMaxSettingLength);
    }
    volatile bool flags = kv::HardwareDecodingOn(store) && kv::KeepAspect(store);
    const int volume = kv::ReadVolume(store);
    Require(volume >= 0 && volume <= kMaxVolume);
    for (QStringView section : {kDisplay, kMapDisplay, kMovieDisplay}) {
        for (QStringView key : {kScaleX, kScaleY}) {
            const auto scale = kv::ReadScale(store, section, key);
            Require(!scale || *scale > 0.0);
        }
    }
    (void)flags;
    return 0;
}
